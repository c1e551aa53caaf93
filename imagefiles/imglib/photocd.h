#pragma once
// Photo CD image packs: the three base resolutions, decoded from the file's
// luma and chroma planes, and the image pack information.
//
// The layout read (offsets in bytes from the start of the file; sectors of
// 2048 bytes; text fields are raw bytes, blank padded):
//   0x0800  "PCD_IPI" signature (7 bytes); anything else is refused
//   0x0815  image medium, 0..8 (1 byte)
//   0x0816  media type, two fields of 20 bytes (0x0816, 0x082A)
//   0x083E  scanner product (16)
//   0x08A5  photofinisher name (60); a first byte of 255 means none
//   0x0950  rights flag (1 byte; 1 = a rights file exists)
//   0x0951  rights file name (30)
//   0x0E02  attributes: bits 0-1 orientation, the picture being turned on
//           loading 0: not, 1: 90° anticlockwise, 2: 180°, 3: 90° clockwise
//   0x2000  Base/16, 192 × 128    (sector 4)
//   0xB800  Base/4,  384 × 256    (sector 23)
//   0x30000 Base,    768 × 512    (sector 96)
// Each resolution (width w, height h, stored landscape) is h / 2 groups of
// two luma rows of w bytes, then one C1 row and one C2 row of w / 2 bytes:
// chroma has half the resolution in each direction and pixel (x, y) uses
// chroma sample (x / 2, y / 2). Colour, with L = 1.3584 Y, c1 = 2.2179 (C1 − 156),
// c2 = 1.8215 (C2 − 137):
//   R = L + c2,  G = L − 0.194 c1 − 0.509 c2,  B = L + c1,
// each rounded (16-bit fixed point) and limited to 0..255.
// A file must reach the end of the Base picture (786,432 bytes); higher
// resolutions (Huffman-coded 4Base and 16Base) are reported absent, and no
// picture is encrypted or watermarked.
//
// Every PCD call throws ImageFileError ("Bad Photo CD file: ...") on failure.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {

using PcdHandle = uint32_t;

inline constexpr int kPcdResolutions = 3;        // Base/16, Base/4, Base
inline constexpr size_t kPcdMinFileSize = 786432;  // end of the Base picture
inline constexpr int kPcdFormat24 = 11;          // PCDsetFormat: 24-bit output
inline constexpr size_t kPcdTableBytes = 1024;   // after the header of a loaded block

// Width and height of resolution 0..2 as stored (landscape).
int PcdStoredWidth(int resolution);
int PcdStoredHeight(int resolution);

struct PcdImageInfo {
    int imageMedium = 0;                // 0..8; the caller's "byte at offset 16"
    std::string mediaType1, mediaType2;  // 20 bytes each
    std::string scanner;                // 16 bytes
    std::string photofinisher;          // 60 bytes; first byte 255 = none
    int rightsFlag = 0;                 // 1 = rights file present
    std::string rightsFile;             // 30 bytes
};

void PCDopen(const std::string& path, PcdHandle& handle);
// Our own: the same for a file held in memory (copied).
void PCDopenMem(ByteSpan bytes, PcdHandle& handle);
void PCDclose(PcdHandle handle);

// Byte 0: encryption mask of the resolutions (0 = none); byte 1: watermark.
uint32_t PCDgetAttributes(PcdHandle handle);
// Bit i of mask set for each resolution present; count of them.
void PCDgetCount(PcdHandle handle, uint32_t& mask, int& count);
// Index 0 = smallest. A new pack starts at 0.
void PCDsetResolution(PcdHandle handle, int resolution);
int PCDgetResolution(PcdHandle handle);
// {0, 0, height, width} of the current resolution, orientation applied.
std::array<uint16_t, 4> PCDgetSize(PcdHandle handle);
PcdImageInfo PCDreadImageInfo(PcdHandle handle);
// Only kPcdFormat24 is accepted.
void PCDsetFormat(PcdHandle handle, int format);
// The picture (or `area` of it, orientation applied) as a block: a 40-byte
// bitmap information header (24 bits, rows bottom-up), a 1024-byte table the
// caller removes (PcdRemoveTable), then the rows.
void PCDloadImage(PcdHandle handle, const ImgRect* area, std::vector<uint8_t>& block);
void PCDfreeBitmap(std::vector<uint8_t>& block);
// Removes the table after the header, leaving what ImgFromDIB takes.
void PcdRemoveTable(std::vector<uint8_t>& block);

// Our own shortcut for readers: resolution 0..2 of a file decoded to 24 bits.
Bitmap DecodePhotoCd(ByteSpan file, int resolution);

}  // namespace vimbra

#pragma once
// The imaging library: pictures behind numbered handles, opened from files,
// memory or packed bitmaps, and scaled, rotated, mirrored, reduced or increased
// in colours, gamma-corrected and written out.
//
// Rules every call keeps:
// - Handles are positive numbers, not reused while the program runs; 0 means
//   "none" or "failed".
// - No call throws. A failing call returns 0 (or false, or -1 where stated) and
//   leaves its reason for ImgGetStatus; a successful call clears the status.
// - A call that makes a new picture leaves its source open. The caller keeps at
//   most one current picture and closes the old one when a new one replaces it;
//   CurrentImg below does exactly that.
// - Calls are serialised by one lock; they may come from any thread.
//
// Files are recognised by their contents: BMP, PCX, DCX, TIFF (LZW accepted),
// PNG and JPEG through our codecs; TGA, which has no signature, by the type
// "TGA" or a ".tga" path; anything else (GIF, PBM/PGM/PPM, XBM, XPM and other
// formats the installed Qt image plug-ins read) through QImageReader.
#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

using ImgHandle = uint32_t;

// Left, top, right, bottom in pixels; right and bottom are one past the last.
struct ImgRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// ---------------------------------------------------------------- flags

// ImgCopy. Values other than these combine as: 32 wins, then 4, then 1, then 2.
enum ImgCopyFlags : int {
    // Nearest pixel: each target pixel takes the source pixel under its centre.
    // Keeps the depth and palette.
    kImgCopyNormal = 0,
    // When shrinking, a target pixel takes the darkest (1) or lightest (2)
    // source pixel it covers, by the grey value (30 R + 60 G + 10 B) div 100;
    // thin dark or light lines survive. Enlarging is as kImgCopyNormal. Keeps
    // the depth and palette.
    kImgCopyPreserveBlack = 1,
    kImgCopyPreserveWhite = 2,
    // Smooth: the area average of the covered source pixels along an axis that
    // shrinks, linear interpolation between pixel centres along one that
    // grows; results rounded with ties upward. 24-bit result, except that an
    // 8-bit grey-ramp picture stays 8-bit grey.
    kImgCopySmooth = 4,
    // Grey levels: as kImgCopySmooth on the grey values, giving an 8-bit grey
    // picture. A 1-bit fax page shrunk by n in each direction gets n² + 1 levels.
    kImgCopyGreyAverage = 32,
};

// ImgReduceColors / ImgReduceColorsPal. A value is one dithering bit, an
// optional grey bit and one palette bit:
//   dithering (the highest set bit wins; none = nearest colour):
//     1  nearest colour (black and white: threshold, grey >= 128 is white)
//     2  ordered: 4 × 4 Bayer matrix, value b (0..15) adds
//        (2b − 15) × s div 32 to each channel, s = 255 div (levels − 1), levels
//        the palette's steps per channel (grey: the palette's size; colour:
//        the whole cube root of its size, at least 2)
//     4  Floyd–Steinberg error diffusion, rows left to right, 7/16 right,
//        3/16 below left, 5/16 below, 1/16 below right
//   8  grey: the picture is turned into grey values (30 R + 60 G + 10 B) div 100
//      first and the palette holds greys only
//   palette (the highest set bit wins; none = fixed):
//     16 fixed: 2 colours black and white; grey: evenly spaced ramp of the
//        count; colour: 16 → the 16 standard VGA colours, 8 or more → the
//        largest L × L × L cube of evenly spaced levels that fits (256 and
//        236 give 216 entries), fewer → a grey ramp
//     32 optimal by median cut (boxes over 5-bit-per-channel cells, split at
//        the median of the most populated box's longest side; entries are the
//        mean colours of the boxes)
//     64 optimal by octree (depth 8; while pixels are added, the newest inner
//        node of the deepest level is merged whenever there are too many
//        leaves); fewer than 8 colours use median cut
//   With an optimal palette, a picture that has no more colours than asked
//   gets exactly its own colours (ascending by red, green, blue).
// The callers' values: 20 / 36 / 68 colour dithered standard / middle /
// optimal; 28 / 44 / 76 the same in greys; 1 / 2 / 4 black and white by
// threshold / ordered / diffusion; 32 posterize; 8 grey shades; 0x44 the
// reduction for a 256-colour screen.
// Result depth by the count asked (ImgReduceColorsPal: the palette's size):
// 2 → 1 bit, up to 16 → 4 bits, more → 8 bits; the palette holds only the
// colours chosen (2 .. 256 may be asked for).
enum ImgReduceFlags : int {
    kImgReduceNearest = 1,
    kImgReduceOrdered = 2,
    kImgReduceDiffuse = 4,
    kImgReduceGrey = 8,
    kImgReduceFixed = 16,
    kImgReduceMedianCut = 32,
    kImgReduceOctree = 64,
};

// --------------------------------------------------------------- lifetime

// ImgInit clears the status; ImgShutdown closes every open picture. Calls work
// without ImgInit as well.
void ImgInit();
void ImgShutdown();
// Number of open pictures (for leak checks).
int ImgOpenCount();

// Page 0 of a file; flags are unused (pass 0).
ImgHandle ImgOpenSolo(const std::string& path, int flags = 0);
// A file held in memory (copied). type names the format ("TIF", "PCX", "BMP",
// "DCX", "TGA", ...) for contents without a signature; the contents decide
// otherwise.
ImgHandle ImgOpenMem(ByteSpan bytes, const char* type);
// A packed device-independent bitmap: information header (12 or 40..124 bytes),
// colour table, rows bottom-up (top-down for a negative height).
ImgHandle ImgFromDIB(ByteSpan block);
// Our own equivalents of ImgFromDIB for a Bitmap, and of rendering a picture
// into the working image: the picture as a Bitmap of its depth and palette.
ImgHandle ImgFromBitmap(Bitmap picture);
bool ImgToBitmap(ImgHandle handle, Bitmap& out);
// Moves the picture in without copying; on failure it is left untouched.
ImgHandle ImgAdoptBitmap(Bitmap& picture);
// Moves the picture out without copying and closes the handle.
bool ImgTakeBitmap(ImgHandle handle, Bitmap& out);
// A packed device-independent bitmap of a Bitmap (40-byte header, colour table,
// rows bottom-up), the form ImgFromDIB takes.
std::vector<uint8_t> PackDib(const Bitmap& picture);

bool ImgClose(ImgHandle handle);

// ------------------------------------------------------- pages, information

// Pages of the file the picture came from (1 for single pictures); 0 on failure.
int ImgPageCount(ImgHandle handle);
// Decodes page `page` (0-based) into the picture.
bool ImgSetPage(ImgHandle handle, int page);
// The page shown, or -1.
int ImgGetPage(ImgHandle handle);

// The fields of a 40-byte bitmap information header; height is positive.
struct ImgBitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0, biHeight = 0;
    uint16_t biPlanes = 1, biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;  // bytes of the rows, each padded to 4 bytes
    int32_t biXPelsPerMeter = 0, biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0, biClrImportant = 0;
};
struct ImgExtraInfo {
    int pageCount = 1;
    int page = 0;
    std::string format;  // "BMP", "PCX", "DCX", "TIF", "PNG", "JPG", "TGA", "DIB", Qt's name in capitals, or "" for made pictures
};
// Either pointer may be null.
bool ImgGetInfoStruct(ImgHandle handle, ImgBitmapInfoHeader* header, ImgExtraInfo* extra);

// The palette of a picture of 1, 4 or 8 bits; empty for 24 bits or on failure.
std::vector<PaletteEntry> ImgGetPalette(ImgHandle handle);

// ------------------------------------------------------------- operations

// A scaled copy of the picture, or of `area` of it, at width × height.
ImgHandle ImgCopy(ImgHandle handle, int width, int height, const ImgRect* area, int flags);

// A copy turned anticlockwise by angle hundredths of a degree (any integer;
// taken modulo 36000), so 36000 − 100 × d turns it clockwise by d degrees.
// Multiples of 9000 move pixels exactly and keep depth and palette. Other
// angles give the bounding box (sides rounded to the nearest pixel); points
// that fall outside the picture take fillRgb (0x00BBGGRR); 24-bit pictures are
// sampled bilinearly, others at the nearest pixel keeping depth and palette
// (the fill then being the nearest palette colour).
ImgHandle ImgRotate(ImgHandle handle, int angle, uint32_t fillRgb);

// Mirrors in place: vertical != 0 turns the picture upside down, horizontal != 0
// swaps left and right. Non-zero on success.
int ImgMirror(ImgHandle handle, int vertical, int horizontal);

// A copy with at most `colours` colours (2..256), see ImgReduceFlags.
ImgHandle ImgReduceColors(ImgHandle handle, int colours, int flags);
// The same onto a given palette (2..256 entries); the palette bits of flags
// are ignored, the grey bit turns the picture grey first.
ImgHandle ImgReduceColorsPal(ImgHandle handle, const std::vector<PaletteEntry>& palette, int flags);

// A copy at 4, 8 or 24 bits, not below the picture's depth; indices and
// palette are kept when the depth stays a palette depth.
ImgHandle ImgIncreaseColors(ImgHandle handle, int bits);

// Gamma in hundredths (1..1000; 100 changes nothing, above brightens), in
// place: channel c becomes round(255 × (c / 255)^(100 / value)); for palette
// pictures the palette changes. Non-zero on success.
int ImgGamma(ImgHandle handle, int value);

// Writes the picture as "bmp" (also "pcx" or "tif", case ignored) through a
// temporary file renamed into place. 1 when written, 0 otherwise.
int ImgXWriteImage(const std::string& path, const char* type, ImgHandle handle, int a = 0,
                   int b = 0, int c = 0);

// ------------------------------------------------------------------ status

enum class ImgStatusCode : int {
    Ok = 0,
    InvalidHandle = 1,
    BadArgument = 2,
    FileError = 3,      // cannot read, unknown or damaged contents, cannot write
    OutOfMemory = 4,
};
struct ImgStatus {
    ImgStatusCode code = ImgStatusCode::Ok;
    std::string text;  // "" when Ok; the text the error box shows
};
// The reason the last failing call of this thread failed.
ImgStatus ImgGetStatus();

// ---------------------------------------------------------- current picture

// The caller's one current picture (CurrentImgHandle). Taking a new picture
// closes the one held before; destruction closes it.
class CurrentImg {
public:
    CurrentImg() = default;
    ~CurrentImg() { close(); }
    CurrentImg(const CurrentImg&) = delete;
    CurrentImg& operator=(const CurrentImg&) = delete;

    ImgHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }
    // Closes the held picture unless it is `fresh`, then holds `fresh` (0 too).
    void replace(ImgHandle fresh);
    void close() { replace(0); }
    // Gives up the handle without closing it.
    ImgHandle release();

private:
    ImgHandle handle_ = 0;
};

}  // namespace vimbra

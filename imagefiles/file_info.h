#pragma once
// The file information text (name, date, size, checksum, memory) and the
// picture description shown in the status bar.
#include <cstdint>
#include <string>

#include "core/workspace.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/info_probe.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {

// CRC-32 with the reflected polynomial 0xEDB88320, register started at
// 0xFFFFFFFF and no final inversion: the complement of the usual CRC-32.
// "abc" gives 0xCADBBE3D.
uint32_t InfoChecksum(ByteSpan data, uint32_t running = 0xFFFFFFFFu);
// The same over a file read in blocks; throws ImageFileError when unreadable.
uint32_t FileChecksum(const std::string& path);

// "640x480(24)", with " [1:2]" and the file's size when decoded reduced, then
// " dib" (or " ddb" for a device-dependent bitmap).
std::string PictureDescription(int width, int height, int bitDepth, int reductionFactor = 1,
                               bool deviceDependent = false);
std::string PictureDescription(const Workspace& ws, const LoadedFile& file);

// Memory a bitmap of that depth takes without row padding (1 bit ÷ 8, 4 bits
// ÷ 2, 8 × 1, 15 and 16 × 2, 24 × 3, 32 × 4); −1 for any other depth.
int64_t BitmapMemoryBytes(int64_t width, int64_t height, int depth);

struct FileInfoInput {
    std::string path;
    std::string pictureDescription;
    int pageCount = 1;
    int64_t memoryBytes = 0;
    int displayBitDepth = 24;
    // The JPEG text tool's layout: "\r\n" line ends, no name and folder lines.
    bool jpegLayout = false;
    std::string photoCdInfo;  // appended after a blank line when not empty
    // A sound or video file: "Duration" and "Frame" lines take the place of
    // the memory and screen lines, which speak of a picture.
    bool medium = false;
    int64_t durationMs = -1;              // -1: the file does not tell
    int frameWidth = 0, frameHeight = 0;  // 0 x 0: sound only
};

FileInfoInput FileInfoFor(const Workspace& ws, const LoadedFile& file);
// The same for the picture file at `path` as a load would make it, on a
// screen of `displayBitDepth` bits.
FileInfoInput FileInfoFor(const std::string& path, const PictureFacts& facts, int displayBitDepth);

// "2.000 s"; "unknown" for a negative time.
std::string DurationText(int64_t ms);

// The information text; throws ImageFileError(name + " not found.") when the
// file does not exist.
std::string FileInfoText(const FileInfoInput& input);

}  // namespace vimbra

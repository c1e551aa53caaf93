#pragma once
// The JPEG Text tool's engine: walks a JPEG file's segments, lists its EXIF
// entries and comments, strips comments or every application segment, and
// inserts a comment segment. Works on bytes; the file helpers below add the
// backup copy and the atomic rewrite. Input is hostile: every length and
// offset is checked against the data, and a broken structure throws
// JpegMetadataError.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

inline constexpr const char* kBadJpegMarkers = "File has bad JPEG markers.";
inline constexpr const char* kMacHeaderWarning = "Warning: Mac header found!";
inline constexpr const char* kCommentTooLarge =
    "Comment too large; limit text to 32000 characters.";
inline constexpr const char* kCannotCreateDestination =
    "Could create destination file.  Aborting.";
inline constexpr const char* kCannotCreateBackup = "Could not create backup.  Aborting.";
inline constexpr size_t kMaxCommentBytes = 32000;

// what() is kBadJpegMarkers or another text to show as it is.
class JpegMetadataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One piece of the file in order: the start and end markers, a marker
// segment (marker, length and content), the entropy-coded data after a scan
// header, stray bytes where a marker was expected, and what follows the end
// marker.
struct JpegChunk {
    enum class Kind { Marker, Segment, ScanData, Stray, Trailing } kind = Kind::Marker;
    uint8_t marker = 0;  // Marker and Segment
    size_t offset = 0, size = 0;
};

// A MacBinary-style header in front of the JPEG: when the data does not start
// with FF D8, byte 6 is not 'J', and "JFIF" occurs at offset a in 7..size-7,
// the picture starts at a - 6. Returns that start (0 when there is none).
size_t MacHeaderLength(ByteSpan data);

// The chunks of the data from `start`. Throws JpegMetadataError(kBadJpegMarkers)
// unless the data starts with FF D8 and every segment length fits.
std::vector<JpegChunk> WalkJpeg(ByteSpan data, size_t start = 0);

struct JpegListing {
    bool macHeader = false;
    bool exifFound = false;
    int commentCount = 0;
    // The tool's text: the Mac header warning, the EXIF lines, then the comment
    // text, one entry per line.
    std::vector<std::string> lines;
    bool found() const { return exifFound || commentCount > 0; }
};

// Reads the listing. Comments are read as UTF-8, or Latin-1 when they are not
// valid UTF-8; every comment of the file is listed, also those after EXIF.
JpegListing ReadJpegListing(ByteSpan data);

// The EXIF lines of one APP1 segment's content (what follows its length).
std::vector<std::string> ExifLines(ByteSpan segmentContent);

enum class StripMode { CommentsOnly, AllExtraInfo };
// The data without its comment segments (and, for AllExtraInfo, without its
// APP0..APP15 segments and a Mac header). Everything else is kept byte for
// byte, including data after the end marker.
std::vector<uint8_t> StripJpeg(ByteSpan data, StripMode mode);

// The text as it is stored: lines (split at CR LF, CR or LF) each ended by
// CR LF, UTF-8. Throws JpegMetadataError(kCommentTooLarge) above 32000 bytes.
std::string CommentSegmentText(const std::string& text);
// The data with a comment segment holding `storedText` (at most 65533 bytes)
// placed after the application segments that follow the start marker.
std::vector<uint8_t> InsertJpegComment(ByteSpan data, const std::string& storedText);

// File level. The backup of "dir/name.ext" is "dir/name.bak".
std::string BackupPath(const std::string& path);
bool IsJpegFileName(const std::string& path);  // ".jpg" or ".jpeg", any case

enum class BakPolicy { Refuse, Overwrite };
struct JpegToolResult {
    enum class Status { Changed, Unchanged, BakExists, Failed } status = Status::Failed;
    std::string message;  // information text, or the failure's message
    uint64_t bytesRemoved = 0;
    bool ok() const { return status == Status::Changed || status == Status::Unchanged; }
};

// Strip: "No Comments found.\nFile unchanged." (nothing touched, no backup) or
// the backup, then the file rewritten and "Comments removed: N bytes".
JpegToolResult StripJpegFile(const std::string& path, StripMode mode, BakPolicy bak);
// Add text: the backup, then the file with one more comment segment.
JpegToolResult AddJpegComment(const std::string& path, const std::string& text, BakPolicy bak);

}  // namespace vimbra

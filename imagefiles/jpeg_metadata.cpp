#include "imagefiles/jpeg_metadata.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

#include "imagefiles/text_encoding.h"

namespace vimbra {
namespace {

constexpr uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kCom = 0xFE, kApp1 = 0xE1;
// A whole JPEG is read into memory; anything larger is not a picture we keep.
constexpr size_t kMaxJpegFileBytes = size_t(1) << 30;

[[noreturn]] void BadMarkers() { throw JpegMetadataError(kBadJpegMarkers); }

bool IsApp(uint8_t marker) { return marker >= 0xE0 && marker <= 0xEF; }
// Markers that stand alone, without a length.
bool IsStandalone(uint8_t m) { return m == 0x01 || m == 0x00 || m == kSoi || (m >= 0xD0 && m <= 0xD7); }

uint16_t Be16(ByteSpan data, size_t at) { return uint16_t(data[at] << 8 | data[at + 1]); }

// End of entropy-coded data: the next FF followed by a byte that starts a
// marker (not a stuffed zero, a restart marker or another fill byte).
size_t ScanDataEnd(ByteSpan data, size_t pos) {
    for (; pos + 1 < data.size(); ++pos) {
        if (data[pos] != 0xFF) continue;
        const uint8_t next = data[pos + 1];
        if (next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7)) return pos;
    }
    return data.size();
}

bool Removed(const JpegChunk& c, StripMode mode) {
    if (c.kind != JpegChunk::Kind::Segment) return false;
    return c.marker == kCom || (mode == StripMode::AllExtraInfo && IsApp(c.marker));
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

JpegToolResult Failure(JpegToolResult::Status status, std::string message) {
    JpegToolResult r;
    r.status = status;
    r.message = std::move(message);
    return r;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Backup first, then the new content; each through a temporary file.
JpegToolResult Rewrite(const std::string& path, ByteSpan original, ByteSpan content) {
    try {
        WriteFileAtomically(BackupPath(path), original);
    } catch (const ImageFileError&) {
        return Failure(JpegToolResult::Status::Failed, kCannotCreateBackup);
    }
    try {
        WriteFileAtomically(path, content);
    } catch (const ImageFileError&) {
        return Failure(JpegToolResult::Status::Failed, kCannotCreateDestination);
    }
    JpegToolResult r;
    r.status = JpegToolResult::Status::Changed;
    return r;
}

// Checks that come before anything is read or written.
std::optional<JpegToolResult> Refusal(const std::string& path, BakPolicy bak) {
    if (!FileExists(path))
        return Failure(JpegToolResult::Status::Failed, FileNameOf(path) + " not found.");
    if (bak == BakPolicy::Refuse && std::filesystem::exists(BackupPath(path)))
        return Failure(JpegToolResult::Status::BakExists, BackupPath(path) + " exists.");
    return std::nullopt;
}

}  // namespace

size_t MacHeaderLength(ByteSpan data) {
    if (data.size() < 14 || data[6] == 'J') return 0;
    if (data[0] == 0xFF && data[1] == kSoi) return 0;  // a JPEG from its first byte is never cut
    for (size_t a = 7; a + 7 <= data.size(); ++a)
        if (std::memcmp(data.data() + a, "JFIF", 4) == 0) return a - 6;
    return 0;
}

std::vector<JpegChunk> WalkJpeg(ByteSpan data, size_t start) {
    using Kind = JpegChunk::Kind;
    if (start + 2 > data.size() || data[start] != 0xFF || data[start + 1] != kSoi) BadMarkers();
    std::vector<JpegChunk> chunks{{Kind::Marker, kSoi, start, 2}};
    size_t pos = start + 2;
    while (pos < data.size()) {
        if (data[pos] != 0xFF || pos + 1 == data.size() || data[pos + 1] == 0xFF) {
            // Stray bytes, or fill bytes before a marker: kept as they are.
            size_t end = pos + 1;
            while (end < data.size() && data[end] != 0xFF) ++end;
            chunks.push_back({Kind::Stray, 0, pos, end - pos});
            pos = end;
            continue;
        }
        const uint8_t m = data[pos + 1];
        if (m == kEoi) {
            chunks.push_back({Kind::Marker, m, pos, 2});
            if (pos + 2 < data.size())
                chunks.push_back({Kind::Trailing, 0, pos + 2, data.size() - pos - 2});
            break;
        }
        if (IsStandalone(m)) {
            chunks.push_back({Kind::Marker, m, pos, 2});
            pos += 2;
            continue;
        }
        if (pos + 4 > data.size()) BadMarkers();
        const size_t length = Be16(data, pos + 2);
        if (length < 2 || length > data.size() - pos - 2) BadMarkers();
        chunks.push_back({Kind::Segment, m, pos, length + 2});
        pos += length + 2;
        if (m == kSos) {
            const size_t end = ScanDataEnd(data, pos);
            if (end > pos) chunks.push_back({Kind::ScanData, 0, pos, end - pos});
            pos = end;
        }
    }
    return chunks;
}

JpegListing ReadJpegListing(ByteSpan data) {
    JpegListing listing;
    const size_t start = MacHeaderLength(data);
    if (start > 0) {
        listing.macHeader = true;
        listing.lines = {"", kMacHeaderWarning, ""};
    }
    std::vector<std::string> commentLines;
    for (const JpegChunk& c : WalkJpeg(data, start)) {
        if (c.kind != JpegChunk::Kind::Segment) continue;
        const ByteSpan content = data.subspan(c.offset + 4, c.size - 4);
        if (c.marker == kApp1 && !listing.exifFound && content.size() >= 5 &&
            std::memcmp(content.data(), "Exif", 5) == 0) {
            listing.exifFound = true;
            for (std::string& line : ExifLines(content)) listing.lines.push_back(std::move(line));
        } else if (c.marker == kCom) {
            ++listing.commentCount;
            const std::string text(content.begin(), content.end());
            for (std::string& line : SplitTextLines(TextAsUtf8(text)))
                commentLines.push_back(std::move(line));
        }
    }
    listing.lines.insert(listing.lines.end(), commentLines.begin(), commentLines.end());
    return listing;
}

std::vector<uint8_t> StripJpeg(ByteSpan data, StripMode mode) {
    std::vector<uint8_t> out;
    out.reserve(data.size());
    for (const JpegChunk& c : WalkJpeg(data, MacHeaderLength(data))) {
        if (Removed(c, mode)) continue;
        out.insert(out.end(), data.begin() + std::ptrdiff_t(c.offset),
                   data.begin() + std::ptrdiff_t(c.offset + c.size));
    }
    return out;
}

std::string CommentSegmentText(const std::string& text) {
    std::string stored;
    for (const std::string& line : SplitTextLines(text)) stored += line + "\r\n";
    if (stored.size() > kMaxCommentBytes) throw JpegMetadataError(kCommentTooLarge);
    return stored;
}

std::vector<uint8_t> InsertJpegComment(ByteSpan data, const std::string& storedText) {
    if (storedText.size() > 65533) throw JpegMetadataError(kCommentTooLarge);
    const size_t start = MacHeaderLength(data);
    const std::vector<JpegChunk> chunks = WalkJpeg(data, start);
    size_t at = chunks.front().offset + chunks.front().size;
    for (size_t i = 1; i < chunks.size(); ++i) {
        if (chunks[i].kind != JpegChunk::Kind::Segment || !IsApp(chunks[i].marker)) break;
        at = chunks[i].offset + chunks[i].size;
    }
    const size_t length = storedText.size() + 2;
    std::vector<uint8_t> out(data.begin() + std::ptrdiff_t(start), data.begin() + std::ptrdiff_t(at));
    out.reserve(data.size() - start + length + 2);
    out.insert(out.end(), {0xFF, kCom, uint8_t(length >> 8), uint8_t(length & 0xFF)});
    out.insert(out.end(), storedText.begin(), storedText.end());
    out.insert(out.end(), data.begin() + std::ptrdiff_t(at), data.end());
    return out;
}

std::string BackupPath(const std::string& path) {
    return std::filesystem::path(path).replace_extension(".bak").string();
}

bool IsJpegFileName(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".jpg" || ext == ".jpeg";
}

JpegToolResult StripJpegFile(const std::string& path, StripMode mode, BakPolicy bak) {
    if (!FileExists(path))
        return Failure(JpegToolResult::Status::Failed, FileNameOf(path) + " not found.");
    std::vector<uint8_t> original, stripped;
    try {
        original = ReadWholeFile(path, kMaxJpegFileBytes);
        stripped = StripJpeg(original, mode);
    } catch (const std::runtime_error& e) {
        return Failure(JpegToolResult::Status::Failed, e.what());
    }
    const bool comments = mode == StripMode::CommentsOnly;
    if (stripped.size() == original.size()) {
        JpegToolResult r;
        r.status = JpegToolResult::Status::Unchanged;
        r.message = comments ? "No Comments found.\nFile unchanged."
                             : "No extra info found.\nFile unchanged.";
        return r;
    }
    if (auto refused = Refusal(path, bak)) return *refused;
    JpegToolResult r = Rewrite(path, original, stripped);
    if (r.status == JpegToolResult::Status::Changed) {
        r.bytesRemoved = original.size() - stripped.size();
        r.message = std::string(comments ? "Comments removed: " : "Extra info removed: ") +
                    std::to_string(r.bytesRemoved) + " bytes";
    }
    return r;
}

JpegToolResult AddJpegComment(const std::string& path, const std::string& text, BakPolicy bak) {
    std::vector<uint8_t> original, written;
    try {
        const std::string stored = CommentSegmentText(text);
        if (auto refused = Refusal(path, bak)) return *refused;
        original = ReadWholeFile(path, kMaxJpegFileBytes);
        written = InsertJpegComment(original, stored);
    } catch (const std::runtime_error& e) {
        return Failure(JpegToolResult::Status::Failed, e.what());
    }
    return Rewrite(path, original, written);
}

}  // namespace vimbra

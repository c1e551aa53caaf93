#include "imagefiles/jpeg_metadata.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vimbra {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Segment(uint8_t marker, const Bytes& content) {
    const size_t len = content.size() + 2;
    return Concat({{0xFF, marker, uint8_t(len >> 8), uint8_t(len)}, content});
}

const Bytes kSoi{0xFF, 0xD8};
const Bytes kEoi{0xFF, 0xD9};
const Bytes kApp0 = Segment(0xE0, Text(std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)));
// A scan header and entropy-coded bytes with a stuffed zero and a restart marker.
const Bytes kScan = Concat({Segment(0xDA, {1, 1, 0, 0, 0x3F, 0}),
                            {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD0, 0x78}});

// A TIFF block written in either byte order at chosen offsets.
struct Tiff {
    bool little;
    Bytes b = Bytes(256, 0);
    void u16(size_t at, uint32_t v) {
        b[at + (little ? 0 : 1)] = uint8_t(v);
        b[at + (little ? 1 : 0)] = uint8_t(v >> 8);
    }
    void u32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + size_t(little ? i : 3 - i)] = uint8_t(v >> (8 * i));
    }
    void entry(size_t at, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(at, tag);
        u16(at + 2, type);
        u32(at + 4, count);
        if (type == 3 && count == 1) u16(at + 8, value);
        else u32(at + 8, value);
    }
    Bytes segment() const { return Segment(0xE1, Concat({Text(std::string("Exif\0\0", 6)), b})); }
};

// IFD0 at 8: Make, Orientation, XResolution, tag 0x8825, ExifOffset -> 88.
// Sub-directory at 88: ExposureTime, ExifVersion (undefined), a float under 0xA500.
Tiff CameraExif(bool little) {
    Tiff t{little};
    t.b[0] = t.b[1] = little ? 'I' : 'M';
    t.u16(2, 42);
    t.u32(4, 8);
    t.u16(8, 5);
    t.entry(10, 271, 2, 6, 74);
    t.entry(22, 274, 3, 1, 6);
    t.entry(34, 282, 5, 1, 80);
    t.entry(46, 0x8825, 4, 1, 70000);
    t.entry(58, 34665, 4, 1, 88);
    std::memcpy(&t.b[74], "Canon", 6);
    t.u32(80, 72);
    t.u32(84, 1);
    t.u16(88, 3);
    t.entry(90, 33434, 5, 1, 130);
    t.entry(102, 36864, 7, 4, 0x30323230);
    t.entry(114, 0xA500, 11, 1, 0x3F800000);
    t.u32(130, 1);
    t.u32(134, 60);
    return t;
}

const std::vector<std::string> kCameraLines{"Make = Canon",      "Orientation = 6",
                                            "XResolution = 72/1", "8825 = 70000",
                                            "ExposureTime = 1/60", "A500 = 3F800000(Hex)"};

std::vector<std::string> Listing(const Bytes& file) { return ReadJpegListing(file).lines; }

TEST(JpegExif, BothByteOrdersListTheSameNamesAndValues) {
    for (bool little : {true, false}) {
        const Bytes file = Concat({kSoi, CameraExif(little).segment(), kScan, kEoi});
        EXPECT_EQ(Listing(file), kCameraLines) << (little ? "II" : "MM");
        EXPECT_TRUE(ReadJpegListing(file).exifFound);
    }
}

TEST(JpegExif, SubDirectoryPointingToItselfIsWalkedOnce) {
    Tiff t = CameraExif(true);
    t.entry(58, 34665, 4, 1, 8);  // ExifOffset -> the first directory again
    const std::vector<std::string> lines = Listing(Concat({kSoi, t.segment(), kEoi}));
    // The first directory, then its entries once more under the sub-directory's names.
    const std::vector<std::string> want{"Make = Canon", "Orientation = 6", "XResolution = 72/1",
                                        "8825 = 70000", "010F = Canon", "0112 = 6",
                                        "011A = 72/1", "8825 = 70000"};
    EXPECT_EQ(lines, want);
}

TEST(JpegExif, CountsAndOffsetsBeyondTheSegmentAreBounded) {
    Tiff t = CameraExif(false);
    t.u16(8, 65535);                        // far more entries than the block holds
    t.entry(10, 271, 2, 0xFFFFFFFF, 5000);  // text past the end
    t.entry(34, 282, 5, 1, 0xFFFFFFF0);     // rational past the end
    t.entry(58, 34665, 4, 1, 250);          // sub-directory count runs off the end
    const std::vector<std::string> lines = Listing(Concat({kSoi, t.segment(), kEoi}));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Make = ");
    EXPECT_EQ(lines[2], "XResolution = FFFFFFF0 [Offset data]");
    EXPECT_EQ(lines[3], "8825 = 70000");

    Tiff past = CameraExif(true);
    past.u32(4, 100000);  // first directory past the end
    const JpegListing l = ReadJpegListing(Concat({kSoi, past.segment(), kEoi}));
    EXPECT_TRUE(l.exifFound);
    EXPECT_TRUE(l.lines.empty());
}

TEST(JpegListing, CommentsBeforeAndAfterExifFollowTheExifLines) {
    const Bytes file = Concat({kSoi, kApp0, Segment(0xFE, Text("first\r\nline2\r\n")),
                               CameraExif(true).segment(), Segment(0xFE, Text("after")),
                               Segment(0xFE, {}), Segment(0xFE, Text("caf\xE9")), kScan, kEoi});
    std::vector<std::string> want = kCameraLines;
    want.insert(want.end(), {"first", "line2", "after", "caf\xC3\xA9"});
    const JpegListing l = ReadJpegListing(file);
    EXPECT_EQ(l.lines, want);
    EXPECT_EQ(l.commentCount, 4);
}

TEST(JpegListing, BrokenStructuresAreRefused) {
    const Bytes good = Concat({kSoi, kApp0, Segment(0xFE, Text("abc")), kScan, kEoi});
    for (size_t cut : {size_t(1), size_t(5), size_t(22), size_t(24)}) {
        const Bytes truncated(good.begin(), good.begin() + std::ptrdiff_t(cut));
        EXPECT_THROW(ReadJpegListing(truncated), JpegMetadataError) << cut;
    }
    EXPECT_THROW(ReadJpegListing(Text("GIF89a, not a JPEG")), JpegMetadataError);
    EXPECT_THROW(ReadJpegListing(Concat({kSoi, {0xFF, 0xFE, 0x00, 0x01}})), JpegMetadataError);
    // Cut inside the entropy-coded data: the segments before it still list.
    const Bytes noEnd(good.begin(), good.end() - 3);
    EXPECT_EQ(Listing(noEnd), std::vector<std::string>{"abc"});
}

TEST(JpegListing, MacHeaderIsSkippedButNeverCutsARealJpeg) {
    const Bytes jpeg = Concat({kSoi, kApp0, Segment(0xFE, Text("hi")), kEoi});
    const Bytes mac = Concat({Bytes(128, 0x01), jpeg});
    EXPECT_EQ(MacHeaderLength(mac), 128u);
    EXPECT_EQ(Listing(mac), (std::vector<std::string>{"", kMacHeaderWarning, "", "hi"}));
    EXPECT_EQ(StripJpeg(mac, StripMode::CommentsOnly), Concat({kSoi, kApp0, kEoi}));
    // First segment not JFIF, "JFIF" later on: the file is left whole.
    const Bytes exifFirst = Concat({kSoi, CameraExif(true).segment(), kApp0, kEoi});
    EXPECT_EQ(MacHeaderLength(exifFirst), 0u);
}

TEST(JpegStrip, CountsEqualTheSizeDifferenceAndPixelsStayByteIdentical) {
    const Bytes comment = Segment(0xFE, Text("abc"));
    const Bytes exif = CameraExif(true).segment();
    const Bytes trailing = Text("XYZ");
    const Bytes file = Concat({kSoi, kApp0, comment, exif, kScan, kEoi, trailing});

    const Bytes noComments = StripJpeg(file, StripMode::CommentsOnly);
    EXPECT_EQ(noComments, Concat({kSoi, kApp0, exif, kScan, kEoi, trailing}));
    EXPECT_EQ(file.size() - noComments.size(), 7u);

    const Bytes bare = StripJpeg(file, StripMode::AllExtraInfo);
    EXPECT_EQ(bare, Concat({kSoi, kScan, kEoi, trailing}));
    EXPECT_EQ(StripJpeg(bare, StripMode::AllExtraInfo), bare);
}

TEST(JpegComment, InsertedAfterTheApplicationSegmentsAndRemovedAgain) {
    const Bytes exif = CameraExif(false).segment();
    const Bytes file = Concat({kSoi, kApp0, exif, kScan, kEoi});
    const std::string stored = CommentSegmentText("one\ntwo");
    EXPECT_EQ(stored, "one\r\ntwo\r\n");
    const Bytes once = InsertJpegComment(file, stored);
    EXPECT_EQ(once, Concat({kSoi, kApp0, exif, Segment(0xFE, Text(stored)), kScan, kEoi}));
    const Bytes twice = InsertJpegComment(once, CommentSegmentText("three"));
    std::vector<std::string> want = kCameraLines;
    want.insert(want.end(), {"three", "one", "two"});
    EXPECT_EQ(Listing(twice), want);
    EXPECT_EQ(StripJpeg(twice, StripMode::CommentsOnly), file);
    // Without application segments: right after the start marker.
    EXPECT_EQ(InsertJpegComment(Concat({kSoi, kEoi}), "x"),
              Concat({kSoi, Segment(0xFE, Text("x")), kEoi}));
    EXPECT_THROW(CommentSegmentText(std::string(32000, 'a')), JpegMetadataError);
    EXPECT_EQ(CommentSegmentText(std::string(31998, 'a')).size(), 32000u);
}

class JpegFileTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vimbra-jpeg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        path_ = (dir_ / "photo.jpg").string();
        original_ = Concat({kSoi, kApp0, Segment(0xFE, Text("old")), kScan, kEoi});
        Write(path_, original_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    static void Write(const std::string& path, const Bytes& b) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                    std::streamsize(b.size()));
    }
    static Bytes Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path dir_;
    std::string path_;
    Bytes original_;
};

TEST_F(JpegFileTool, BackupFirstAndNeverOverwrittenUnlessAllowed) {
    const std::string bak = (dir_ / "photo.bak").string();
    EXPECT_EQ(BackupPath(path_), bak);
    const JpegToolResult added = AddJpegComment(path_, "new", BakPolicy::Refuse);
    ASSERT_EQ(added.status, JpegToolResult::Status::Changed) << added.message;
    EXPECT_EQ(Read(bak), original_);
    const Bytes withNew = Read(path_);
    EXPECT_EQ(ReadJpegListing(withNew).lines, (std::vector<std::string>{"new", "old"}));

    const JpegToolResult refused = StripJpegFile(path_, StripMode::CommentsOnly, BakPolicy::Refuse);
    EXPECT_EQ(refused.status, JpegToolResult::Status::BakExists);
    EXPECT_EQ(Read(path_), withNew);
    EXPECT_EQ(Read(bak), original_);

    const JpegToolResult stripped = StripJpegFile(path_, StripMode::CommentsOnly, BakPolicy::Overwrite);
    EXPECT_EQ(stripped.message, "Comments removed: 16 bytes");
    EXPECT_EQ(stripped.bytesRemoved, withNew.size() - Read(path_).size());
    EXPECT_EQ(Read(bak), withNew);
}

TEST_F(JpegFileTool, NothingToStripTouchesNothing) {
    Write(path_, Concat({kSoi, kScan, kEoi}));
    const JpegToolResult r = StripJpegFile(path_, StripMode::AllExtraInfo, BakPolicy::Refuse);
    EXPECT_EQ(r.status, JpegToolResult::Status::Unchanged);
    EXPECT_EQ(r.message, "No extra info found.\nFile unchanged.");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "photo.bak"));
    EXPECT_EQ(StripJpegFile((dir_ / "gone.jpg").string(), StripMode::CommentsOnly, BakPolicy::Refuse)
                  .message,
              "gone.jpg not found.");
    Write(path_, Text("not a jpeg at all"));
    EXPECT_EQ(AddJpegComment(path_, "x", BakPolicy::Refuse).message, kBadJpegMarkers);
}

}  // namespace
}  // namespace vimbra

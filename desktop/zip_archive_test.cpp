#include "desktop/zip_archive.h"

#include <sys/stat.h>

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vimbra {
namespace {

struct Entry {
    std::string name;
    std::string data;
    bool folder = false;
    bool store = false;      // no compression, so the bytes can be tampered with
    unsigned mode = 0;       // unix mode with its type bits; 0: none stored
    bool encrypt = false;
};

// Writes an archive with libzip; the names go in exactly as given.
void MakeZip(const QString& path, const std::vector<Entry>& entries) {
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(z, nullptr);
    for (const Entry& e : entries) {
        zip_int64_t i;
        if (e.folder) {
            i = zip_dir_add(z, e.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* s = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
            i = zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_UTF_8);
        }
        ASSERT_GE(i, 0) << e.name << ": " << zip_strerror(z);
        if (e.store) zip_set_file_compression(z, zip_uint64_t(i), ZIP_CM_STORE, 0);
        if (e.mode)
            zip_file_set_external_attributes(z, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(e.mode) << 16);
        if (e.encrypt) {
            ASSERT_EQ(zip_file_set_encryption(z, zip_uint64_t(i), ZIP_EM_AES_256, "secret"), 0);
        }
    }
    ASSERT_EQ(zip_close(z), 0);
}

// An archive whose headers claim sizes its data does not have: every entry is
// an empty deflate stream, so nothing is ever inflated to those sizes.
std::string ClaimingZip(const std::vector<std::pair<std::string, uint32_t>>& entries) {
    std::string out, directory;
    auto u16 = [](std::string& s, uint32_t v) {
        s += char(v & 0xFF);
        s += char((v >> 8) & 0xFF);
    };
    auto u32 = [&](std::string& s, uint32_t v) {
        u16(s, v & 0xFFFF);
        u16(s, v >> 16);
    };
    const std::string data("\x03\x00", 2);
    for (const auto& [name, size] : entries) {
        const uint32_t offset = uint32_t(out.size());
        u32(out, 0x04034b50);
        u16(out, 20);  // version needed
        u16(out, 0);   // flags
        u16(out, 8);   // deflate
        u32(out, 0);   // time and date
        u32(out, 0);   // crc
        u32(out, uint32_t(data.size()));
        u32(out, size);
        u16(out, uint32_t(name.size()));
        u16(out, 0);
        out += name + data;
        u32(directory, 0x02014b50);
        u16(directory, 20);
        u16(directory, 20);
        u16(directory, 0);
        u16(directory, 8);
        u32(directory, 0);
        u32(directory, 0);
        u32(directory, uint32_t(data.size()));
        u32(directory, size);
        u16(directory, uint32_t(name.size()));
        u32(directory, 0);  // extra and comment lengths
        u32(directory, 0);  // disk, internal attributes
        u32(directory, 0);  // external attributes
        u32(directory, offset);
        directory += name;
    }
    const uint32_t at = uint32_t(out.size());
    out += directory;
    const uint32_t n = uint32_t(std::min<size_t>(entries.size(), 0xFFFF));
    if (n == 0xFFFF) {  // the count needs the Zip64 end records
        const uint32_t end64 = uint32_t(out.size());
        auto u64 = [&](std::string& s, uint32_t v) {
            u32(s, v);
            u32(s, 0);
        };
        u32(out, 0x06064b50);
        u64(out, 44);
        u16(out, 45);
        u16(out, 45);
        u64(out, 0);  // both disk numbers
        u64(out, uint32_t(entries.size()));
        u64(out, uint32_t(entries.size()));
        u64(out, uint32_t(directory.size()));
        u64(out, at);
        u32(out, 0x07064b50);
        u32(out, 0);
        u64(out, end64);
        u32(out, 1);
    }
    u32(out, 0x06054b50);
    u32(out, 0);
    u16(out, n);
    u16(out, n);
    u32(out, uint32_t(directory.size()));
    u32(out, at);
    u16(out, 0);
    return out;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ZipTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString zip = tmp.filePath("in.zip");
    QString out = tmp.filePath("out");
    std::string Zip() const { return zip.toStdString(); }
    std::string Out() const { return out.toStdString(); }
    // Everything under the temporary folder except the archive itself.
    QStringList Written() const {
        QStringList all;
        QDir root(tmp.path());
        for (const QFileInfo& i : root.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                     QDir::System | QDir::Hidden))
            if (i.fileName() != "in.zip") all << i.fileName();
        return all;
    }
};

TEST(SafeEntryPath, EscapingNamesAreRefused) {
    EXPECT_EQ(SafeEntryPath("a/b/c.jpg"), "a/b/c.jpg");
    EXPECT_EQ(SafeEntryPath("./a//b/"), "a/b");
    EXPECT_EQ(SafeEntryPath("Photos/IMG_01.JPG"), "Photos/IMG_01.JPG");  // case kept
    EXPECT_EQ(SafeEntryPath("a..b"), "a..b");
    for (const char* bad : {"../x", "a/../../x", "a/..", "..", "/etc/passwd", "C:x", "c:/x",
                            "a\\b", "..\\x", ""})
        EXPECT_EQ(SafeEntryPath(bad), std::nullopt) << bad;
}

TEST(ZipRatio, SixtyFourBits) {
    EXPECT_EQ(ZipRatio(1000, 250), 75);
    EXPECT_EQ(ZipRatio(100, 150), -50);  // packed larger than the entry
    EXPECT_EQ(ZipRatio(0, 20), 0);
    // 6 GiB packed into 3 GiB: the products pass 32 bits.
    EXPECT_EQ(ZipRatio(int64_t(6) << 30, int64_t(3) << 30), 50);
}

TEST_F(ZipTest, NestedFoldersAndUtf8NamesKeepTheirCase) {
    MakeZip(zip, {{"Photos/", "", true},
                  {"Photos/Trip/IMG_1.JPG", "one"},
                  {"Photos/Trip/Ångström é.txt", "two"},
                  {"empty.txt", ""}});
    const ZipListing list = ListZip(Zip());
    ASSERT_TRUE(list.ok()) << list.error;
    ASSERT_EQ(list.entries.size(), 4u);
    EXPECT_TRUE(list.entries[0].folder);
    EXPECT_EQ(list.entries[1].name, "Photos/Trip/IMG_1.JPG");
    EXPECT_EQ(list.entries[1].size, 3);

    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_TRUE(r.ok()) << ::testing::PrintToString(r.log) << r.error;
    EXPECT_EQ(r.extracted, 3);
    EXPECT_EQ(ReadAll(out + "/Photos/Trip/IMG_1.JPG"), "one");
    EXPECT_EQ(ReadAll(out + QString::fromUtf8("/Photos/Trip/Ångström é.txt")), "two");
    EXPECT_TRUE(QFileInfo(out + "/empty.txt").isFile());
    EXPECT_EQ(QFileInfo(out + "/empty.txt").size(), 0);
}

TEST_F(ZipTest, EscapingEntriesAreRefusedAndNothingLeavesTheDestination) {
    MakeZip(zip, {{"../up.txt", "x"},
                  {"/abs.txt", "x"},
                  {"C:drive.txt", "x"},
                  {"a\\back.txt", "x"},
                  {"a/../../deep.txt", "x"},
                  {"fine.txt", "ok"}});
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.extracted, 1);
    EXPECT_EQ(r.failed, 5);
    ASSERT_EQ(r.log.size(), 5u);
    EXPECT_EQ(r.log[0], "../up.txt in " + Zip() + " has an unsafe name; refused.");
    EXPECT_EQ(r.log[3], "a\\back.txt in " + Zip() + " has an unsafe name; refused.");
    EXPECT_EQ(Written(), QStringList{"out"});
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"fine.txt"});
}

TEST_F(ZipTest, NoLinksAndNoSetuidBits) {
    MakeZip(zip, {{"link", "/etc/passwd", false, false, S_IFLNK | 0777},
                  {"tool", "#!/bin/sh\n", false, false, S_IFREG | 06755},
                  {"plain", "p", false, false, S_IFREG | 0640}});
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.extracted, 2);
    EXPECT_EQ(r.log, std::vector<std::string>{"link in " + Zip() + " is a symbolic link; skipped."});
    struct stat st;
    EXPECT_NE(::lstat(QFile::encodeName(out + "/link").constData(), &st), 0);
    ASSERT_EQ(::stat(QFile::encodeName(out + "/tool").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    ASSERT_EQ(::stat(QFile::encodeName(out + "/plain").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ZipTest, LinkInTheDestinationIsNotFollowed) {
    QDir().mkpath(out);
    QDir().mkpath(tmp.filePath("elsewhere"));
    ASSERT_TRUE(QFile::link(tmp.filePath("elsewhere"), out + "/sub"));
    MakeZip(zip, {{"sub/x.txt", "x"}});
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.extracted, 0);
    EXPECT_EQ(r.log, std::vector<std::string>{"sub/x.txt in " + Zip() + " leads through a link; refused."});
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("elsewhere/x.txt")));
}

// Links standing in the destination, made before the extraction: none is
// followed, whether overwriting or not, relative or absolute.
TEST_F(ZipTest, LinksInTheDestinationAreNeverWrittenThrough) {
    QDir().mkpath(out + "/real");
    WriteAll(tmp.filePath("victim.txt"), "victim");
    QDir().mkpath(tmp.filePath("elsewhere"));
    const QString victim = tmp.filePath("victim.txt");
    ASSERT_EQ(::symlink("../victim.txt", QFile::encodeName(out + "/rel.txt").constData()), 0);
    ASSERT_TRUE(QFile::link(victim, out + "/abs.txt"));
    ASSERT_EQ(::symlink("../../victim.txt", QFile::encodeName(out + "/real/deep.txt").constData()),
              0);
    ASSERT_EQ(::symlink("../elsewhere", QFile::encodeName(out + "/reldir").constData()), 0);
    ASSERT_TRUE(QFile::link(tmp.filePath("elsewhere"), out + "/absdir"));
    ASSERT_EQ(::symlink("nowhere.txt", QFile::encodeName(out + "/dangling.txt").constData()), 0);
    MakeZip(zip, {{"rel.txt", "new"},
                  {"abs.txt", "new"},
                  {"real/deep.txt", "new"},
                  {"reldir/x.txt", "new"},
                  {"absdir/y/z.txt", "new"},
                  {"absdir/", "", true},
                  {"dangling.txt", "new"},
                  {"fine.txt", "new"}});
    const std::string in = " in " + Zip();
    for (bool overwrite : {false, true}) {
        ZipExtractOptions o;
        o.overwrite = overwrite;
        QFile::remove(out + "/fine.txt");
        const ZipExtractResult r = ExtractZip(Zip(), Out(), o);
        EXPECT_EQ(r.extracted, 1) << overwrite;
        EXPECT_EQ(r.log, (std::vector<std::string>{
                             "rel.txt" + in + " is a link in the destination; refused.",
                             "abs.txt" + in + " is a link in the destination; refused.",
                             "real/deep.txt" + in + " is a link in the destination; refused.",
                             "reldir/x.txt" + in + " leads through a link; refused.",
                             "absdir/y/z.txt" + in + " leads through a link; refused.",
                             "absdir/" + in + " leads through a link; refused.",
                             "dangling.txt" + in + " is a link in the destination; refused.",
                         }))
            << overwrite;
        EXPECT_EQ(ReadAll(victim), "victim");
        EXPECT_TRUE(QDir(tmp.filePath("elsewhere")).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(tmp.filePath("nowhere.txt")));
        EXPECT_FALSE(QFileInfo::exists(out + "/nowhere.txt"));
        // The links themselves stay as they were.
        EXPECT_EQ(QFileInfo(out + "/rel.txt").symLinkTarget(), victim);
        EXPECT_TRUE(QFileInfo(out + "/absdir").isSymLink());
        EXPECT_EQ(ReadAll(out + "/fine.txt"), "new");
    }
}

TEST_F(ZipTest, ExistingFilesAreSkippedUnlessOverwriting) {
    MakeZip(zip, {{"a.txt", "new"}, {"b.txt", "bee"}});
    QDir().mkpath(out);
    WriteAll(out + "/a.txt", "old");
    ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.extracted, 1);
    EXPECT_EQ(r.log, std::vector<std::string>{"a.txt in " + Zip() + " exists; skipped."});
    EXPECT_EQ(ReadAll(out + "/a.txt"), "old");

    ZipExtractOptions o;
    o.overwrite = true;
    r = ExtractZip(Zip(), Out(), o);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.extracted, 2);
    EXPECT_EQ(ReadAll(out + "/a.txt"), "new");
}

TEST_F(ZipTest, OnlyTheNamedEntry) {
    MakeZip(zip, {{"a.txt", "a"}, {"d/b.txt", "b"}});
    ZipExtractOptions o;
    o.only = {"d/b.txt"};
    const ZipExtractResult r = ExtractZip(Zip(), Out(), o);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.extracted, 1);
    EXPECT_FALSE(QFileInfo::exists(out + "/a.txt"));
    EXPECT_EQ(ReadAll(out + "/d/b.txt"), "b");
}

TEST_F(ZipTest, EncryptedEntryIsReported) {
    MakeZip(zip, {{"s.txt", "secret text", false, false, 0, true}, {"p.txt", "plain"}});
    const ZipListing list = ListZip(Zip());
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_TRUE(list.entries[0].encrypted);
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.extracted, 1);
    EXPECT_EQ(r.log, std::vector<std::string>{"s.txt in " + Zip() + " is encrypted; skipped."});
}

TEST_F(ZipTest, CrcMismatchWritesNothing) {
    MakeZip(zip, {{"c.txt", "CHECKSUMMED CONTENT", false, true}});
    QByteArray bytes = ReadAll(zip);
    const qsizetype at = bytes.indexOf("CHECKSUMMED");
    ASSERT_GT(at, 0);
    bytes[at] = 'X';
    WriteAll(zip, bytes);
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.extracted, 0);
    EXPECT_EQ(r.log, std::vector<std::string>{"c.txt in " + Zip() + " is corrupted (bad CRC)."});
    EXPECT_FALSE(QFileInfo::exists(out + "/c.txt"));
}

TEST_F(ZipTest, TruncatedAndMissingArchives) {
    MakeZip(zip, {{"a.txt", std::string(5000, 'a')}});
    QByteArray bytes = ReadAll(zip);
    WriteAll(zip, bytes.left(bytes.size() / 2));
    ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.error.rfind(Zip() + "\nis incomplete or corrupted.", 0), 0u) << r.error;
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(ListZip(Zip()).ok());

    r = ExtractZip(tmp.filePath("none.zip").toStdString(), Out());
    EXPECT_EQ(r.error, tmp.filePath("none.zip").toStdString() + " not found.");
    WriteAll(zip, "PK\x03\x04 not really");
    EXPECT_FALSE(ExtractZip(Zip(), Out()).ok());
}

TEST_F(ZipTest, SmallBombIsRefused) {
    // 200,000 zero bytes pack into a few hundred: far beyond 100 x.
    MakeZip(zip, {{"bomb.bin", std::string(200000, '\0')}, {"ok.bin", std::string(1000, '\0')}});
    ZipExtractOptions o;
    o.bombBytes = 100000;
    const ZipExtractResult r = ExtractZip(Zip(), Out(), o);
    EXPECT_EQ(r.extracted, 1);  // ok.bin is under the byte limit
    EXPECT_EQ(r.log, std::vector<std::string>{
                         "bomb.bin in " + Zip() + " expands too far (a likely zip bomb); refused."});
    EXPECT_FALSE(QFileInfo::exists(out + "/bomb.bin"));
}

TEST_F(ZipTest, ArchivesThatWouldExpandPastTheTotalAreRefusedWhole) {
    constexpr uint32_t kTwoGiB = uint32_t(1) << 31;
    // Three entries under the single-entry limits' reach together claim 4.5 GiB.
    const std::string big = ClaimingZip({{"a.bin", 0x60000000u}, {"b.bin", 0x60000000u},
                                         {"c.bin", 0x60000000u}});
    WriteAll(zip, QByteArray::fromStdString(big));
    ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.error, Zip() + " would expand to more than 4294967296 bytes; nothing extracted.");
    EXPECT_EQ(r.extracted, 0);
    EXPECT_TRUE(r.log.empty());
    EXPECT_TRUE(QDir(out).isEmpty());
    // The listing still shows what the headers claim.
    EXPECT_EQ(ListZip(Zip()).entries.size(), 3u);

    // Exactly 4 GiB passes the total (each entry then meets the bomb check); one byte more not.
    r = TestZipBytes(ClaimingZip({{"a.bin", kTwoGiB}, {"b.bin", kTwoGiB}}));
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.failed, 2);
    r = TestZipBytes(ClaimingZip({{"a.bin", kTwoGiB}, {"b.bin", kTwoGiB + 1}}));
    EXPECT_EQ(r.error, "archive would expand to more than 4294967296 bytes; nothing extracted.");

    // Only the entries asked for count.
    ZipExtractOptions o;
    o.only = {"a.bin"};
    r = TestZipBytes(big, o);
    EXPECT_TRUE(r.error.empty()) << r.error;

    // The free space of the destination is the smaller cap.
    WriteAll(zip, QByteArray::fromStdString(ClaimingZip({{"a.bin", 5000}, {"b.bin", 6000}})));
    std::string asked;
    o = {};
    o.freeSpace = [&](const std::string& path) -> std::optional<uint64_t> {
        asked = path;
        return 10999;
    };
    r = ExtractZip(Zip(), Out(), o);
    EXPECT_EQ(r.error, Zip() +
                           " would expand to 11000 bytes, more than the 10999 bytes free in the "
                           "destination; nothing extracted.");
    EXPECT_EQ(asked, (out + "/x").toStdString());
    EXPECT_TRUE(QDir(out).isEmpty());
    o.freeSpace = [](const std::string&) -> std::optional<uint64_t> { return 11000; };
    r = ExtractZip(Zip(), Out(), o);
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.failed, 2);  // the claims are false: damaged, and nothing is left behind
    EXPECT_TRUE(QDir(out).isEmpty());
}

TEST_F(ZipTest, MoreThanAHundredThousandEntriesAreRefused) {
    std::vector<std::pair<std::string, uint32_t>> names;
    for (int i = 0; i < 100001; ++i) names.emplace_back("e" + std::to_string(i), 0);
    const std::string tooMany = ClaimingZip(names);
    WriteAll(zip, QByteArray::fromStdString(tooMany));
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_EQ(r.error, Zip() + " holds 100001 entries, more than the 100000 allowed; nothing "
                               "extracted.");
    EXPECT_TRUE(QDir(out).isEmpty());
    EXPECT_EQ(ListZip(Zip()).error,
              Zip() + " holds 100001 entries, more than the 100000 Vimbra lists.");
    // Refused from the end record's claim, before the directory is read: here
    // it claims more entries than the directory holds.
    std::string claims = ClaimingZip({{"a", 0}, {"b", 0}, {"c", 0}});
    claims[claims.size() - 12] = 5;  // entries on this disk
    claims[claims.size() - 10] = 5;  // entries in all
    WriteAll(zip, QByteArray::fromStdString(claims));
    ZipExtractOptions few;
    few.maxEntries = 4;
    EXPECT_EQ(ExtractZip(Zip(), Out(), few).error,
              Zip() + " holds 5 entries, more than the 4 allowed; nothing extracted.");
    few.maxEntries = 5;
    EXPECT_EQ(ExtractZip(Zip(), Out(), few).error.rfind(Zip() + "\nis incomplete or corrupted.", 0),
              0u);
    // The limit itself is allowed.
    ZipExtractOptions o;
    o.maxEntries = 3;
    EXPECT_TRUE(TestZipBytes(ClaimingZip({{"a", 0}, {"b", 0}, {"c", 0}}), o).error.empty());
    EXPECT_FALSE(TestZipBytes(ClaimingZip({{"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}}), o).ok());
}

TEST_F(ZipTest, Zip64ArchivesAreRead) {
    const QString zipTool = QStandardPaths::findExecutable("zip");
    if (zipTool.isEmpty()) GTEST_SKIP() << "zip not installed";
    WriteAll(tmp.filePath("a.txt"), "sixty-four");
    QProcess p;
    p.setWorkingDirectory(tmp.path());
    p.start(zipTool, {"-q", "-fz", "in.zip", "a.txt"});
    ASSERT_TRUE(p.waitForFinished());
    QFile::remove(tmp.filePath("a.txt"));
    const ZipExtractResult r = ExtractZip(Zip(), Out());
    EXPECT_TRUE(r.ok()) << ::testing::PrintToString(r.log) << r.error;
    EXPECT_EQ(ReadAll(out + "/a.txt"), "sixty-four");

    // The same archive cut short is reported, never a crash.
    QByteArray bytes = ReadAll(zip);
    WriteAll(zip, bytes.left(bytes.size() - 30));
    EXPECT_FALSE(ExtractZip(Zip(), tmp.filePath("out2").toStdString()).ok());
}

TEST(TestZipBytes, ReadsEverythingWritesNothing) {
    QTemporaryDir tmp;
    const QString zip = tmp.filePath("t.zip");
    MakeZip(zip, {{"a.txt", "alpha"}, {"../b.txt", "beta"}});
    const ZipExtractResult r = TestZipBytes(ReadAll(zip).toStdString());
    EXPECT_EQ(r.extracted, 1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_FALSE(TestZipBytes("garbage").error.empty());
}

}  // namespace
}  // namespace vimbra

#include "desktop/scanner.h"
#include "desktop/sane_test_backend.h"

#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace vimbra {
namespace {

// SANE's "test" backend, enabled through a configuration folder of our own.
// SANE remembers the folder for the life of the process, so there is one.
class ScannerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        QFile conf(dir.path() + "/dll.conf");
        if (conf.open(QIODevice::WriteOnly)) conf.write("test\n");
        setenv("SANE_CONFIG_DIR", dir.path().toLocal8Bit().constData(), 1);
        testing::KeepSaneTestBackendLoaded();
    }
    void SetUp() override {
        std::string error;
        bool found = false;
        for (const ScannerDevice& d : ListScanners(error))
            found = found || d.name.rfind("test", 0) == 0;
        if (!found) GTEST_SKIP() << "SANE test backend not available " << error;
    }

    static ScanOutcome Scan(int dpi, const std::string& mode,
                            std::map<std::string, std::string> options = {},
                            const std::function<bool(int)>& progress = {}) {
        return ScanPage({"test", dpi, mode, std::move(options)}, progress);
    }
};

TEST_F(ScannerTest, TwoResolutionsGiveTheAreaInPixels) {
    // 80 x 100 mm: 80 / 25.4 * 100 = 314.96 and 100 / 25.4 * 100 = 393.7, truncated.
    const ScanOutcome a = Scan(100, "Gray");
    ASSERT_TRUE(a.ok()) << a.error;
    EXPECT_EQ(a.resolution, 100);
    EXPECT_EQ(a.picture.width(), 314);
    EXPECT_EQ(a.picture.height(), 393);
    EXPECT_EQ(a.picture.depth(), 8);
    EXPECT_TRUE(a.picture.hasGreyPalette());
    // The default picture is solid black.
    EXPECT_EQ(a.picture.scanLine(200)[100], 0);
    // 200 dpi: 629.9 x 787.4.
    const ScanOutcome b = Scan(200, "Gray");
    ASSERT_TRUE(b.ok()) << b.error;
    EXPECT_EQ(b.picture.width(), 629);
    EXPECT_EQ(b.picture.height(), 787);
}

TEST_F(ScannerTest, ColourGreyDepthsAndThreePass) {
    const std::map<std::string, std::string> white{{"test-picture", "Solid white"}};
    const ScanOutcome colour = Scan(50, "Color", white);
    ASSERT_TRUE(colour.ok()) << colour.error;
    // 157.48 x 196.85 at 50 dpi.
    EXPECT_EQ(colour.picture.width(), 157);
    EXPECT_EQ(colour.picture.height(), 196);
    EXPECT_EQ(colour.picture.depth(), 24);
    const uint8_t* last = colour.picture.scanLine(195) + 3 * 156;
    EXPECT_EQ(last[0] + last[1] + last[2], 3 * 255);

    // Three frames, one a channel: every channel must arrive.
    auto three = white;
    three["three-pass"] = "yes";
    const ScanOutcome tp = Scan(50, "Color", three);
    ASSERT_TRUE(tp.ok()) << tp.error;
    EXPECT_EQ(tp.picture.depth(), 24);
    const uint8_t* px = tp.picture.scanLine(10) + 3 * 20;
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 255);
    EXPECT_EQ(px[2], 255);

    // 16-bit samples keep their high byte.
    auto sixteen = white;
    sixteen["depth"] = "16";
    const ScanOutcome g16 = Scan(50, "Gray", sixteen);
    ASSERT_TRUE(g16.ok()) << g16.error;
    EXPECT_EQ(g16.picture.depth(), 8);
    EXPECT_EQ(g16.picture.scanLine(5)[5], 255);

    // Lineart: 1 bit, a clear bit is white.
    auto one = white;
    one["depth"] = "1";
    const ScanOutcome bw = Scan(50, "Gray", one);
    ASSERT_TRUE(bw.ok()) << bw.error;
    EXPECT_EQ(bw.picture.depth(), 1);
    EXPECT_EQ(bw.picture.paletteIndex(3, 3), 0);
    EXPECT_EQ(bw.picture.palette()[0], (PaletteEntry{255, 255, 255, 0}));
}

TEST_F(ScannerTest, ProgressCancelAndUnknownHeight) {
    std::vector<int> seen;
    const ScanOutcome done = Scan(50, "Gray", {}, [&](int p) {
        seen.push_back(p);
        return true;
    });
    ASSERT_TRUE(done.ok());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);

    const ScanOutcome cancelled = Scan(50, "Gray", {}, [](int) { return false; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.picture.isEmpty());
    EXPECT_FALSE(cancelled.ok());

    // A hand scanner does not know its height; the width is fixed at 11 cm:
    // 110 / 25.4 * 100 = 433.07.
    int unknown = 0;
    const ScanOutcome hand = Scan(100, "Gray", {{"hand-scanner", "yes"}}, [&](int p) {
        unknown += p == -1;
        return true;
    });
    ASSERT_TRUE(hand.ok()) << hand.error;
    EXPECT_EQ(hand.picture.width(), 433);
    EXPECT_GT(hand.picture.height(), 0);
    EXPECT_GT(unknown, 0);
}

TEST_F(ScannerTest, FailuresAreReported) {
    const ScanOutcome jammed = Scan(50, "Gray", {{"read-return-value", "SANE_STATUS_JAMMED"}});
    EXPECT_FALSE(jammed.ok());
    EXPECT_EQ(jammed.error.rfind("The scan failed: ", 0), 0u) << jammed.error;
    EXPECT_TRUE(jammed.picture.isEmpty());

    const ScanOutcome missing = ScanPage({"nosuchbackend:0", 100, "", {}});
    EXPECT_EQ(missing.error.rfind("The scanner nosuchbackend:0 could not be opened: ", 0), 0u)
        << missing.error;

    const ScanOutcome badMode = Scan(100, "Infrared");
    EXPECT_EQ(badMode.error.rfind("The scanner refused mode \"Infrared\"", 0), 0u) << badMode.error;
}

TEST(ScanRowError, ShortRowsAreRefusedBeforeAnyRead) {
    // Lineart, grey, 16-bit grey and one-pass colour at their exact row lengths.
    EXPECT_EQ(ScanRowError({1, 1, 9, 2}), "");
    EXPECT_EQ(ScanRowError({1, 8, 100, 100}), "");
    EXPECT_EQ(ScanRowError({1, 16, 100, 200}), "");
    EXPECT_EQ(ScanRowError({3, 8, 100, 300}), "");
    EXPECT_EQ(ScanRowError({3, 16, 100, 640}), "");  // padded rows are fine
    EXPECT_EQ(ScanRowError({1, 1, 9, 1}),
              "The scanner reports lines of 1 bytes, fewer than the 2 bytes its 9 pixels need.");
    EXPECT_EQ(ScanRowError({3, 8, 100, 299}),
              "The scanner reports lines of 299 bytes, fewer than the 300 bytes its 100 pixels "
              "need.");
    EXPECT_FALSE(ScanRowError({1, 16, 100, 199}).empty());
    // A colour frame sized as if grey.
    EXPECT_FALSE(ScanRowError({3, 8, 1000, 1000}).empty());
    // The widest frame the scanner may report: no overflow in the arithmetic.
    EXPECT_FALSE(ScanRowError({3, 16, Bitmap::kMaxSide, 1}).empty());
}

TEST_F(ScannerTest, Capabilities) {
    std::string error;
    const ScannerCapabilities caps = QueryScanner("test", error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_EQ(caps.modes, (std::vector<std::string>{"Gray", "Color"}));
    EXPECT_EQ(caps.mode, "Gray");
    // 1..1200 dpi: the usual steps inside the range.
    EXPECT_EQ(caps.resolutions, (std::vector<int>{75, 100, 150, 200, 300, 600, 1200}));
    // The backend keeps 50 unscaled in its fixed-point option: 50 / 65536 dpi reads as 0,
    // so the dialog has to offer a usable value of its own.
    EXPECT_EQ(caps.resolution, 0);
}

}  // namespace
}  // namespace vimbra

#include "slideshow/avl_script.h"

#include <gtest/gtest.h>


namespace vimbra {
namespace {

const char* kThreeSlides =
    "[Header]\r\nN=3\r\n@N=Holiday\r\n[Directory]\r\n0=\r\n1=D:\\pics\\sub\\\r\n"
    "[1]\r\nF=beach,0\r\nW=2.5\r\nS=Day <1>?sunny\r\n"
    "[2]\r\nF=a?b.jpg,1\r\nW=0\r\nE=1F\r\nX=7\r\nB=FF8000\r\nG=96\r\nP=10,-20\r\nU=640,480\r\n"
    "Z=150\r\nY=90\r\n";

TEST(AvlScript, ParsesEveryKeyAndTakesDefaultsAnewPerSlide) {
    const auto r = ParseAvlScript(kThreeSlides);
    ASSERT_TRUE(r.ok()) << r.error;
    const AvlScript& s = r.script;
    EXPECT_EQ(s.n, 3);
    EXPECT_EQ(s.count(), 2);
    EXPECT_EQ(s.run, 1);
    EXPECT_EQ(s.directory, (std::vector<std::string>{"c:\\", "D:\\pics\\sub\\"}));
    ASSERT_EQ(s.slides.size(), 2u);

    const AvlSlide& a = s.slides[0];
    EXPECT_TRUE(a.hasFile);
    EXPECT_EQ(a.fileName, "beach.JPG");
    EXPECT_EQ(a.folderIndex, 0);
    EXPECT_EQ(a.timeMs, 2500);
    EXPECT_EQ(a.caption, std::optional<std::string>("Day [1],sunny"));
    // Defaults, not slide 2's values.
    EXPECT_EQ(a.effect, 0);
    EXPECT_EQ(a.family, 0);
    EXPECT_EQ(a.background, std::nullopt);
    EXPECT_EQ(a.gamma, 100);
    EXPECT_EQ(a.position, std::nullopt);
    EXPECT_EQ(a.box, std::nullopt);
    EXPECT_EQ(a.zoom, 100);
    EXPECT_EQ(a.rotate, 0);

    const AvlSlide& b = s.slides[1];
    EXPECT_EQ(b.fileName, "a,b.jpg");
    EXPECT_EQ(b.folderIndex, 1);
    EXPECT_EQ(b.timeMs, 0);
    EXPECT_EQ(b.waitMs(), 50);
    EXPECT_EQ(b.effect, 31);
    EXPECT_EQ(b.family, 7);
    EXPECT_EQ(b.background, std::optional<uint32_t>(0xFF8000));
    EXPECT_EQ(b.gamma, 150);
    EXPECT_EQ(b.position, std::optional<AvlPair>(AvlPair{10, -20}));
    EXPECT_EQ(b.box, std::optional<AvlPair>(AvlPair{640, 480}));
    EXPECT_EQ(b.zoom, 150);
    EXPECT_EQ(b.rotate, 90);
    EXPECT_EQ(b.caption, std::nullopt);
    EXPECT_EQ(PlayingOrder(s), (std::vector<int>{1, 2}));
}

TEST(AvlScript, BadValuesTakeTheirFallbacks) {
    const auto r = ParseAvlScript(
        "[Header]\nN=3\nRUN=2\n[Directory]\n0=pics\n[1]\nF=x,zz\nW=abc\nE=GG\nX=seven\nB=nope\nG=0\n"
        "P=1\nU=a,b\nZ=1.5\nY=12x\nnot a key\nQ=ignored\n[2]\nG=FFFF\nE=AE\nf=song.wav,0\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const AvlSlide& a = r.script.slides[0];
    EXPECT_EQ(a.folderIndex, 0);  // an index that is not a number means folder 0
    EXPECT_EQ(a.fileName, "x.JPG");
    EXPECT_EQ(a.timeMs, 0);
    EXPECT_EQ(a.effect, 0);
    EXPECT_EQ(a.family, 1);
    EXPECT_EQ(a.background, std::nullopt);
    EXPECT_EQ(a.gamma, 1);  // G=0 clamped: never a gamma of 0
    EXPECT_EQ(a.position, std::nullopt);
    EXPECT_EQ(a.box, std::nullopt);
    EXPECT_EQ(a.zoom, 100);
    EXPECT_EQ(a.rotate, 0);
    const AvlSlide& b = r.script.slides[1];
    EXPECT_EQ(b.gamma, 500);
    EXPECT_EQ(b.effect, 0);  // 0xAE = 174 is past the table
    EXPECT_EQ(KindOfSlide(b), SlideKind::Audio);
    EXPECT_EQ(PlayingOrder(r.script), (std::vector<int>{2, 1}));
}

TEST(AvlScript, SlideKindsByExtension) {
    AvlSlide s;
    EXPECT_EQ(KindOfSlide(s), SlideKind::Cd);
    s.hasFile = true;
    const std::pair<const char*, SlideKind> cases[] = {
        {"a.JPG", SlideKind::Picture}, {"show.Avl", SlideKind::Avl}, {"t.txt", SlideKind::Text},
        {"t.RTF", SlideKind::Text},    {"m.mid", SlideKind::Audio},  {"v.avi", SlideKind::Video},
        {"v.mp4", SlideKind::Video},   {"noext.", SlideKind::Picture}};
    for (auto [name, kind] : cases) {
        s.fileName = name;
        EXPECT_EQ(KindOfSlide(s), kind) << name;
    }
    EXPECT_STREQ(SlideKindName(SlideKind::Cd), "cd");
}

TEST(AvlScript, CdSlideAndFractionalTimes) {
    const auto r = ParseAvlScript("[Header]\nN=3\n[Directory]\n0=\n[1]\nF=Track\nX=4\nW=0.0004\n[2]\nW=-3\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const AvlSlide& cd = r.script.slides[0];
    EXPECT_FALSE(cd.hasFile);
    EXPECT_EQ(cd.family, 4);
    EXPECT_EQ(cd.timeMs, 0);
    EXPECT_EQ(cd.waitMs(), 50);
    EXPECT_EQ(r.script.slides[1].waitMs(), 50);
}

TEST(AvlScript, LatinOneTextBecomesUtf8) {
    const auto r = ParseAvlScript("[Header]\nN=3\n[Directory]\n0=\n[1]\nS=caf\xe9\n[2]\nS=caf\xc3\xa9\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r.script.slides[0].caption, "caf\xc3\xa9");
    EXPECT_EQ(*r.script.slides[1].caption, "caf\xc3\xa9");
}

TEST(AvlScript, AFolderIndexOutsideTheDirectoryMeansTheFirstFolder) {
    const auto r = ParseAvlScript(
        "[Header]\nN=5\n[Directory]\n0=C:\\pics\\\n1=D:\\more\\\n[1]\nF=a.jpg,2\n[2]\nF=b.jpg,-1\n"
        "[3]\nF=c.jpg,99999999999\n[4]\nF=d.jpg,1\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.script.slides.size(), 4u);
    EXPECT_EQ(r.script.slides[0].folderIndex, 0);
    EXPECT_EQ(r.script.slides[1].folderIndex, 0);
    EXPECT_EQ(r.script.slides[2].folderIndex, 0);
    EXPECT_EQ(r.script.slides[3].folderIndex, 1);
}

TEST(AvlScript, BadFilesAreReportedNotRead) {
    const char* bad[] = {
        "",                                                           // nothing
        "[Header]\nN=3\n[Directory]\n0=\n",                           // no "[1]"
        "[Header]\nN=3\n[Directory]\n0=\n2=x\n[1]\n[2]\n",            // numbers skip a line
        "[Header]\nN=3\n[Directory]\nfolder\n[1]\n[2]\n",             // no number at all
        "[Header]\nN=3\n[1]\nF=a.jpg,0\n[2]\n",                       // no directory at all
        "[Header]\nN=3\nRUN=3\n[Directory]\n0=\n[1]\n[2]\n",          // RUN past N-1
        "[Header]\nN=3\nRUN=0\n[Directory]\n0=\n[1]\n[2]\n",          // RUN below 1
        "[Header]\nN=5\n[Directory]\n0=\n[1]\n[2]\n",                 // N beyond the sections
        "[Header]\nN=999999999\n[Directory]\n0=\n[1]\n[2]\n",         // absurd N
    };
    for (const char* text : bad) EXPECT_EQ(ParseAvlScript(text).error, kBadAvlFile) << text;

    std::string big = "[Header]\nN=3\n[Directory]\n0=\n[1]\nS=";
    big += std::string(1020, 'x');  // 3 + 1020 + newline = 1024 bytes: still allowed
    big += "\n[2]\n";
    EXPECT_TRUE(ParseAvlScript(big).ok());
    big.insert(big.find("\n[2]"), "y");
    EXPECT_EQ(ParseAvlScript(big).error, kBadAvlFile);
}

TEST(AvlScript, FewerThanTwoSlides) {
    EXPECT_EQ(ParseAvlScript("[Header]\nN=2\n[Directory]\n0=\n[1]\nF=a,0\n").error, kTwoSlidesRequired);
    EXPECT_EQ(ParseAvlScript("[1]\n").error, kTwoSlidesRequired);  // N defaults to 0
}

TEST(AvlScript, HostileInputIsBoundedAndQuick) {
    // Many section-like brackets and a big N must neither hang nor overrun.
    std::string text = "[Header]\nN=90000\n[Directory]\n0=\n";
    for (int k = 1; k < 90000; ++k) text += "[" + std::to_string(k) + "]W=1\n";
    const auto r = ParseAvlScript(text);
    ASSERT_TRUE(r.ok()) << r.error;  // "W=1" sits on the section's first line, after "]"
    EXPECT_EQ(r.script.slides.size(), 89999u);
    EXPECT_EQ(ParseAvlScript(std::string(kMaxAvlFileBytes + 1, '[')).error, kBadAvlFile);
    EXPECT_EQ(ParseAvlScript("[1][1][1]\n[[[[\n").error, kTwoSlidesRequired);
}

TEST(AvlScript, EscapesTranslateBack) {
    EXPECT_EQ(TranslateAvlEscapes("a?b<c>d"), "a,b[c]d");
}

}  // namespace
}  // namespace vimbra

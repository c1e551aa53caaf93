#include "slideshow/show_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "batch/temp_folder_test_util.h"

namespace vimbra {
namespace {

class Runner : public TempFolderTest {
protected:
    int64_t now = 1000;
    ShowRunner runner{[this] { return now; }, [] { return 0.25; }};

    std::string write(const std::string& name, const std::string& text) {
        const auto p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<int> order(int steps) {
        std::vector<int> out;
        for (int i = 0; i < steps; ++i) {
            auto step = runner.next();
            if (!step) break;
            out.push_back(step->p);
        }
        return out;
    }
};

TEST_F(Runner, ScriptAlternatesWithCaptions) {
    file("beach.JPG");
    file("a,b.jpg");
    const std::string avl = write("show.avl", "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=beach,0\r\nW=0\r\n"
                                              "[2]\r\nF=a?b.jpg,0\r\nW=1.5\r\nE=15\r\n");
    ASSERT_EQ(runner.startAvl(avl), "");
    auto s1 = runner.next();
    ASSERT_TRUE(s1);
    EXPECT_EQ(s1->p, 1);
    EXPECT_EQ(s1->windowCaption, "Slide 1 of 3 \n beach.JPG");
    EXPECT_EQ(s1->path, path("beach.JPG"));
    EXPECT_EQ(s1->kind, SlideKind::Picture);
    EXPECT_EQ(s1->waitMs, 50);
    EXPECT_EQ(s1->effect.code, 0);  // no E, no X
    auto s2 = runner.next();
    ASSERT_TRUE(s2);
    EXPECT_EQ(s2->windowCaption, "Slide 2 of 3 \n a,b.jpg");
    EXPECT_EQ(s2->path, path("a,b.jpg"));
    EXPECT_EQ(s2->waitMs, 1500);
    EXPECT_EQ(s2->effect.code, 2);  // 0x15 = 21: "Wipe, Reveal, Over background, from Left"
    EXPECT_EQ(s2->effect.variant, 3);
    EXPECT_EQ(order(3), (std::vector<int>{1, 2, 1}));
}

TEST_F(Runner, RunStartsAtItsSlide) {
    file("a.jpg");
    const std::string avl = write("show.avl", "[Header]\nN=3\nRUN=2\n[Directory]\n0=\n[1]\nF=a.jpg,0\n[2]\nF=a.jpg,0\n");
    ASSERT_EQ(runner.startAvl(avl), "");
    EXPECT_EQ(order(4), (std::vector<int>{2, 1, 2, 1}));
}

TEST_F(Runner, WaitHasAMinimumAndEndsOnRequests) {
    file("a.jpg");
    ASSERT_EQ(runner.startAvl(write("s.avl", "[Header]\nN=3\n[Directory]\n0=\n[1]\nF=a.jpg,0\n[2]\nF=a.jpg,0\nW=2\n")), "");
    auto step = runner.next();
    runner.beginWait(step->waitMs);
    now += 49;
    EXPECT_FALSE(runner.waitOver());
    EXPECT_EQ(runner.remainingMs(), 1);
    now += 1;
    EXPECT_TRUE(runner.waitOver());
    step = runner.next();
    runner.beginWait(step->waitMs);
    now += 1000;
    EXPECT_FALSE(runner.waitOver());
    runner.requestAdvance();  // right mouse button
    EXPECT_TRUE(runner.waitOver());
    ASSERT_TRUE(runner.next());  // the request is used up by the step
    runner.beginWait(0);
    EXPECT_FALSE(runner.waitOver());
    runner.requestStop();  // Esc
    EXPECT_TRUE(runner.waitOver());
    EXPECT_FALSE(runner.next());
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(runner.endMessage(), "");
}

TEST_F(Runner, MissingFileEndsTheShowWithItsSlide) {
    file("a.jpg");
    ASSERT_EQ(runner.startAvl(write("s.avl", "[Header]\nN=3\n[Directory]\n0=\n1=D:\\x\\\n[1]\nF=a.jpg,0\n[2]\nF=gone,1\n")), "");
    ASSERT_TRUE(runner.next());
    EXPECT_FALSE(runner.next());
    EXPECT_EQ(runner.endMessage(),
              "Missing or unsupported file in slideshow.\nPlease see FAQ to resolve this problem.\n"
              "\nSlide 2 of 3\nFolder: D:\\x\\\nFilename: gone.JPG");
}

TEST_F(Runner, ChainedScriptsStartOver) {
    file("a.jpg");
    file("b.jpg");
    write("second.avl", "[Header]\nN=3\nRUN=2\n[Directory]\n0=\n[1]\nF=a.jpg,0\n[2]\nF=b.jpg,0\n");
    const std::string first = write("first.avl", "[Header]\nN=3\n[Directory]\n0=\n[1]\nF=a.jpg,0\n[2]\nF=second.avl,0\n");
    ASSERT_EQ(runner.startAvl(first), "");
    auto s = runner.next();
    EXPECT_EQ(s->name, "a.jpg");
    s = runner.next();  // the chained script, at its RUN
    ASSERT_TRUE(s);
    EXPECT_EQ(s->name, "b.jpg");
    EXPECT_EQ(runner.scriptPath(), path("second.avl"));
    // Scripts that only chain to each other end instead of spinning.
    write("ping.avl", "[Header]\nN=3\n[Directory]\n0=\n[1]\nF=pong.avl,0\n[2]\nF=pong.avl,0\n");
    write("pong.avl", "[Header]\nN=3\n[Directory]\n0=\n[1]\nF=ping.avl,0\n[2]\nF=ping.avl,0\n");
    ASSERT_EQ(runner.startAvl(path("ping.avl")), "");
    EXPECT_FALSE(runner.next());
    EXPECT_EQ(runner.endMessage(), kBadAvlFile);
}

TEST_F(Runner, CdSlidesNeedNoFile) {
    file("a.jpg");
    ASSERT_EQ(runner.startAvl(write("s.avl", "[Header]\nN=3\n[Directory]\n0=\n[1]\nF=Track\nX=3\n[2]\nF=a.jpg,0\n")), "");
    auto s = runner.next();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, SlideKind::Cd);
    EXPECT_EQ(s->path, "");
    EXPECT_EQ(s->slide.family, 3);
}

TEST_F(Runner, BadScriptsAreRefused) {
    EXPECT_EQ(runner.startAvl(path("none.avl")), kBadAvlFile);
    EXPECT_EQ(runner.startAvl(write("one.avl", "[Header]\nN=2\n[Directory]\n0=\n[1]\n")), kTwoSlidesRequired);
    EXPECT_FALSE(runner.running());
}

TEST_F(Runner, BookmarkShowOrder) {
    const std::vector<std::string> entries = {file("a.png"), file("b.png"), file("c.png")};
    EXPECT_EQ(runner.startBookmarks({entries[0]}, 0, 500, {}), kTwoSlidesRequired);
    ASSERT_EQ(runner.startBookmarks(entries, 0, 500, {}), "");
    auto s = runner.next();
    EXPECT_EQ(s->path, entries[0]);
    EXPECT_EQ(s->windowCaption, "Slide 1 of 3 \n " + entries[0]);
    EXPECT_EQ(s->waitMs, 500);
    EXPECT_EQ(order(4), (std::vector<int>{2, 3, 1, 2}));
    // From the second entry the show begins with the third.
    ASSERT_EQ(runner.startBookmarks(entries, 1, 0, {20}), "");
    s = runner.next();
    EXPECT_EQ(s->p, 3);
    EXPECT_EQ(s->waitMs, 50);
    EXPECT_EQ(s->effect.code, 1);  // the one selected effect, "Wipe, Reveal, Over background, from Right"
    EXPECT_EQ(runner.bookmarkIndex(), 2u);
    std::filesystem::remove(entries[0]);
    EXPECT_FALSE(runner.next());
    EXPECT_EQ(runner.endMessage(), MissingSlideMessage(1, 3, dir_.string(), "a.png"));
}

}  // namespace
}  // namespace vimbra

#include "slideshow/show_render.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "batch/temp_folder_test_util.h"
#include "core/workspace.h"
#include "imagefiles/save_dispatch.h"

namespace vimbra {
namespace {

class Render : public TempFolderTest {
protected:
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }
    // A 24-bit picture in one colour, as a BMP.
    void picture(const std::string& name, int w, int h, uint8_t b, uint8_t g, uint8_t r) {
        Bitmap bits(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = bits.scanLine(y) + 3 * x;
                p[0] = b, p[1] = g, p[2] = r;
            }
        Workspace ws;
        ws.setImage(std::move(bits));
        SaveImageFile(ws, (dir_ / name).string(), SaveFormat::Bmp);
    }
    static std::vector<uint8_t> At(const Bitmap& f, int x, int y) {
        const uint8_t* p = f.scanLine(y) + 3 * x;
        return {p[0], p[1], p[2]};
    }
};

TEST_F(Render, TextPagesAreDrawnOverThePictureInTheirBox) {
    picture("red.bmp", 160, 120, 0, 0, 255);
    write("note.txt", "Hi");
    write("tone.wav", "RIFF");
    // 0.2 s of picture, a 0.1 s page in a blue 80 x 40 box at (10, 20), a sound slide.
    const std::string avl = write("s.avl",
                                  "[Header]\r\nN=4\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nW=0.2\r\n"
                                  "[2]\r\nF=note.txt,0\r\nW=0.1\r\nU=80,40\r\nP=10,20\r\nB=FF0000\r\n"
                                  "[3]\r\nF=tone.wav,0\r\nW=1\r\n");
    RenderOptions options;
    options.width = 160, options.height = 120, options.fps = 10;
    std::vector<Bitmap> frames;
    std::vector<std::string> reports;
    const std::string end = RenderShowCycle(
        ListShowCycle(avl), options, [&](const Bitmap& f) { frames.push_back(f); return true; },
        [&](const std::string& m) { reports.push_back(m); });
    EXPECT_EQ(end, "");
    ASSERT_EQ(frames.size(), 3u);  // two frames of picture, one of page; the sound slide has none
    EXPECT_EQ(At(frames[1], 80, 60), (std::vector<uint8_t>{0, 0, 255}));
    const Bitmap& page = frames[2];
    EXPECT_EQ(At(page, 85, 55), (std::vector<uint8_t>{255, 0, 0}));  // the page's background, clear of text
    EXPECT_EQ(At(page, 5, 5), (std::vector<uint8_t>{0, 0, 255}));    // the picture around it
    EXPECT_EQ(At(page, 95, 70), (std::vector<uint8_t>{0, 0, 255}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "Slide 3: audio slides have no pictures for a video; skipped.");
}

}  // namespace
}  // namespace vimbra

#include "slideshow/show_listing.h"

#include <gtest/gtest.h>

#include <fstream>

#include "batch/temp_folder_test_util.h"
#include "slideshow/avl_paths.h"

namespace vimbra {
namespace {

class Listing : public TempFolderTest {
protected:
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }
};

TEST_F(Listing, OneCycleFromRunAsJson) {
    const std::string beach = file("beach.JPG");
    const std::string next = file("next.avl");
    const std::string avl = write("s.avl",
                                  "[Header]\nN=4\nRUN=2\n[Directory]\n0=\n[1]\nF=beach,0\nW=0\nG=96\nB=FF\nS=He said \"hi\"\n"
                                  "[2]\nF=Track\nX=5\n[3]\nF=next.avl,0\nP=1,2\nU=30,40\nZ=50\nY=-10\nE=AE\n");
    const ShowListing l = ListShowCycle(avl);
    ASSERT_TRUE(l.ok()) << l.error;
    ASSERT_EQ(l.slides.size(), 3u);
    EXPECT_EQ(SlideJson(l.slides[0]),
              "{\"slide\": 2, \"kind\": \"cd\", \"file\": null, \"time_ms\": 50, \"effect\": 0, \"family\": 5, "
              "\"background\": null, \"gamma\": 100, \"position\": null, \"box\": null, \"zoom\": 100, \"rotate\": 0, "
              "\"caption\": null}");
    EXPECT_EQ(SlideJson(l.slides[1]),
              "{\"slide\": 3, \"kind\": \"avl\", \"file\": \"" + next +
                  "\", \"time_ms\": 50, \"effect\": 0, \"family\": 0, \"background\": null, \"gamma\": 100, "
                  "\"position\": [1, 2], \"box\": [30, 40], \"zoom\": 50, \"rotate\": -10, \"caption\": null}");
    EXPECT_EQ(SlideJson(l.slides[2]),
              "{\"slide\": 1, \"kind\": \"picture\", \"file\": \"" + beach +
                  "\", \"time_ms\": 50, \"effect\": 0, \"family\": 0, \"background\": 255, \"gamma\": 150, "
                  "\"position\": null, \"box\": null, \"zoom\": 100, \"rotate\": 0, \"caption\": \"He said \\\"hi\\\"\"}");
}

TEST_F(Listing, MissingFileCountsNLikeTheShow) {
    file("a.jpg");
    const ShowListing l = ListShowCycle(write("s.avl", "[Header]\nN=3\n[Directory]\n0=\n[1]\nF=a.jpg,0\n[2]\nF=b,0\n"));
    // Slide 1 was found under the script's folder, which folder 0 now names.
    EXPECT_EQ(l.error, MissingSlideMessage(2, 3, dir_.string() + "/", "b.JPG"));
    EXPECT_TRUE(l.slides.empty());
}

}  // namespace
}  // namespace vimbra

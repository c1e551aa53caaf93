#include "shell/show_states.h"

#include <gtest/gtest.h>

#include "shell/menu_layout.h"

namespace vimbra {
namespace {

TEST(ShowStates, FullScreenOnlyWhenAskedAndNotAlready) {
    EXPECT_TRUE(ShowGoesFullScreen(true, false, false));
    EXPECT_TRUE(ShowGoesFullScreen(false, true, false));  // started to play a script
    EXPECT_FALSE(ShowGoesFullScreen(false, false, false));
    // Already full screen: the show neither enters it nor, at its end, leaves it.
    EXPECT_FALSE(ShowGoesFullScreen(true, true, true));
}

TEST(ShowStates, ProgramStartedForAScriptClosesWithIt) {
    EXPECT_TRUE(StartedForShow("/pics/trip.avl"));
    EXPECT_TRUE(StartedForShow("/pics/TRIP.AVL"));
    EXPECT_FALSE(StartedForShow("/pics/trip.jpg"));
    EXPECT_FALSE(StartedForShow("/pics/trip.avl.jpg"));
    EXPECT_FALSE(StartedForShow(""));
    EXPECT_TRUE(ClosesAfterShow("/pics/trip.avl", "/pics/trip.avl"));
    // Started with a picture: neither a bookmark show nor a script opened later ends the program.
    EXPECT_FALSE(ClosesAfterShow("/pics/a.jpg", ""));
    EXPECT_FALSE(ClosesAfterShow("/pics/a.jpg", "/pics/trip.avl"));
    EXPECT_FALSE(ClosesAfterShow("", ""));
    EXPECT_FALSE(ClosesAfterShow("/pics/trip.avl", "/pics/other.avl"));
}

TEST(ShowStates, AspectModes) {
    EXPECT_EQ(SlideAspect(kAspectTv), std::make_pair(4, 3));
    EXPECT_EQ(SlideAspect(kAspectCinema), std::make_pair(7, 3));
    EXPECT_EQ(SlideAspect(kAspectWide), std::make_pair(16, 9));
    EXPECT_EQ(SlideAspect(kAspectMonitor), std::make_pair(0, 0));
    EXPECT_EQ(SlideAspect(kAspectBestFit), std::make_pair(0, 0));  // keeps the proportions
    EXPECT_EQ(SlideAspect(-1), std::make_pair(0, 0));
}

}  // namespace
}  // namespace vimbra

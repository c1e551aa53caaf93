#include "shell/show_states.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vimbra

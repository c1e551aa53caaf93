#include "media/cd_player.h"

#include <gtest/gtest.h>

#include "media/fake_cd_device_test_util.h"

namespace vimbra {
namespace {

TEST(CdCaption, NoLeadingZeros) {
    EXPECT_EQ(CdCaption({3, 2, 7}), "CD Audio [Trk:3] 2:7");
    EXPECT_EQ(CdCaption({12, 10, 45}), "CD Audio [Trk:12] 10:45");
}

TEST(CdPlayer, NoDriveGivesTheMessageAndStaysInactive) {
    CdPlayer none([] { return std::unique_ptr<CdDevice>(); });
    EXPECT_FALSE(none.PlayCdTrack(1, false));
    EXPECT_EQ(none.error(), "CD Audio device unavailable.");
    EXPECT_FALSE(none.CdActive());
    FakeCdState s;
    s.openable = false;
    CdPlayer closed(FakeCdFactory(s));
    EXPECT_FALSE(closed.PlayCdTrack(1, true));
    EXPECT_EQ(closed.error(), "CD Audio device unavailable.");
    // A path that names no drive: the system device refuses to open.
    CdPlayer system([] { return MakeSystemCdDevice("/nonexistent/cdrom"); });
    EXPECT_FALSE(system.PlayCdTrack(1, false));
    EXPECT_EQ(system.error(), "CD Audio device unavailable.");
}

TEST(CdPlayer, SlideModePlaysOneTrackAndClosesWhenStopped) {
    FakeCdState s;
    s.tracks = 10;
    CdPlayer p(FakeCdFactory(s));
    ASSERT_TRUE(p.PlayCdTrack(2, true));
    EXPECT_TRUE(p.CdActive());
    EXPECT_EQ(s.lastFrom, 2);
    EXPECT_EQ(s.lastTo, 3);  // stops at the start of track 3
    EXPECT_FALSE(p.PlayCdTrack(4, true));  // one player at a time
    s.at = {2, 1, 5};
    EXPECT_EQ(p.Timer9Timer().caption, "CD Audio [Trk:2] 1:5");
    s.mode = CdMode::Stopped;
    const CdPlayer::Tick t = p.Timer9Timer();
    EXPECT_TRUE(t.close);
    EXPECT_TRUE(t.error.empty());
    p.shutDown();
    EXPECT_FALSE(p.CdActive());
    EXPECT_FALSE(s.open);
}

TEST(CdPlayer, LastTrackPlaysToTheEndAndTracksAreClamped) {
    FakeCdState s;
    s.tracks = 10;
    CdPlayer last(FakeCdFactory(s));
    ASSERT_TRUE(last.PlayCdTrack(10, true));
    EXPECT_EQ(s.lastFrom, 10);
    EXPECT_EQ(s.lastTo, 0);
    last.shutDown();
    CdPlayer past(FakeCdFactory(s));
    ASSERT_TRUE(past.PlayCdTrack(25, true));
    EXPECT_EQ(s.lastFrom, 10);
    EXPECT_EQ(s.lastTo, 0);
    past.shutDown();
    CdPlayer below(FakeCdFactory(s));
    ASSERT_TRUE(below.PlayCdTrack(-3, true));
    EXPECT_EQ(s.lastFrom, 1);
    EXPECT_EQ(s.lastTo, 2);
}

TEST(CdPlayer, InteractiveWaitsForPlayAndClosesOnTheSecondRequest) {
    FakeCdState s;
    s.tracks = 5;
    CdPlayer p(FakeCdFactory(s));
    ASSERT_TRUE(p.PlayCdTrack(1, false));
    EXPECT_EQ(s.plays, 0);
    // Stopped: the first tick turns the timer off, nothing closes.
    EXPECT_FALSE(p.Timer9Timer().close);
    EXPECT_FALSE(p.timerEnabled());
    p.play();
    EXPECT_EQ(s.plays, 1);
    EXPECT_EQ(s.lastFrom, 1);
    EXPECT_TRUE(p.timerEnabled());
    s.at = {3, 2, 7};
    EXPECT_EQ(p.Timer9Timer().caption, "CD Audio [Trk:3] 2:7");
    p.next();
    EXPECT_EQ(s.lastFrom, 4);
    p.next();
    p.next();
    EXPECT_EQ(s.lastFrom, 5);  // never past the disc
    p.pause();
    EXPECT_EQ(s.mode, CdMode::Paused);
    EXPECT_FALSE(p.timerEnabled());
    p.play();
    EXPECT_EQ(s.mode, CdMode::Playing);
    EXPECT_EQ(s.resumes, 1);
    EXPECT_FALSE(p.CdCloseRequest());
    EXPECT_TRUE(p.CdActive());
    EXPECT_TRUE(p.CdCloseRequest());
    EXPECT_FALSE(p.CdActive());
    EXPECT_EQ(s.mode, CdMode::Stopped);
}

TEST(CdPlayer, DeviceErrorWhilePollingClosesWithItsText) {
    FakeCdState s;
    s.tracks = 3;
    CdPlayer p(FakeCdFactory(s));
    ASSERT_TRUE(p.PlayCdTrack(1, true));
    s.positionFails = true;
    const CdPlayer::Tick t = p.Timer9Timer();
    EXPECT_TRUE(t.close);
    EXPECT_EQ(t.error, "drive not ready");
}

}  // namespace
}  // namespace vimbra

#include "shell/error_report.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace vimbra {
namespace {

TEST(ErrorReport, DecoderFailuresOfTheCurrentFile) {
    UncaughtDecision d = ClassifyUncaughtError("Bogus JPEG marker", "/pics/a/cat.jpg", false, false);
    EXPECT_EQ(d.kind, UncaughtKind::Decoder);
    EXPECT_EQ(d.text, "Bogus JPEG marker\nFilename:cat.jpg\nLocation:/pics/a");
    // Metafiles by extension, whatever the message.
    d = ClassifyUncaughtError("bad record", "/m/drawing.Emf", false, false);
    EXPECT_EQ(d.kind, UncaughtKind::Decoder);
    EXPECT_EQ(d.text, "bad record\nFilename:drawing.Emf\nLocation:/m");
}

TEST(ErrorReport, EditsAndSavesKeepThePicture) {
    // A JPEG writer's failure during a save must not blank the edited picture.
    UncaughtDecision d = ClassifyUncaughtError("JPEG encoder: write error", "/p/x.jpg", false, true);
    EXPECT_EQ(d.kind, UncaughtKind::KeepPicture);
    EXPECT_EQ(d.text, "JPEG encoder: write error");
    d = ClassifyUncaughtError("jpeg trouble", "/p/x.wmf", true, false);
    EXPECT_EQ(d.kind, UncaughtKind::KeepPicture);
}

TEST(ErrorReport, UnplayableMediaInAnyCase) {
    UncaughtDecision d = ClassifyUncaughtError("Unspecified Error", "/v/clip.MPG", false, false);
    EXPECT_EQ(d.kind, UncaughtKind::Unplayable);
    EXPECT_TRUE(d.warn);
    EXPECT_EQ(d.text,
              "clip.MPG could not be played.\nAn updated CODEC may be required or file is "
              "corrupted; see FAQ.");
    // Every medium the player opens is named, the newer formats too.
    EXPECT_TRUE(ClassifyUncaughtError("unspecified error", "/v/song.flac", false, false).warn);
    // Not a known medium: no warning, the bookmark still goes.
    d = ClassifyUncaughtError("unspecified error", "/v/clip.xyz", false, false);
    EXPECT_EQ(d.kind, UncaughtKind::Unplayable);
    EXPECT_FALSE(d.warn);
    // Only the exact message counts.
    EXPECT_EQ(ClassifyUncaughtError("unspecified error 2", "/v/clip.mpg", false, false).kind,
              UncaughtKind::Fatal);
}

TEST(ErrorReport, FatalText) {
    EXPECT_EQ(FatalErrorText("boom", "Last operation: onGaussian", false, ""),
              "Unexpected exception.  Please report following error.\nLast operation: onGaussian\nboom");
    EXPECT_EQ(FatalErrorText("boom", "op", true, "The modified picture was saved as /tmp/r.bmp."),
              "Unexpected exception.  Please report following error.\n\nClick [Ignore] button to "
              "exit this dialog and save\nchanges to your Slide Album or (BIP) batch script.\nAfter "
              "saving, close then reactivate application.\n\nop\nboom\n\nThe modified picture was "
              "saved as /tmp/r.bmp.");
}

TEST(ErrorReport, CurrentExceptionMessage) {
    try {
        throw std::runtime_error("out of range");
    } catch (...) {
        EXPECT_EQ(CurrentExceptionMessage(), "out of range");
    }
    try {
        throw 42;
    } catch (...) {
        EXPECT_EQ(CurrentExceptionMessage(), "Unknown error");
    }
    EXPECT_EQ(CurrentExceptionMessage(), "Unknown error");
}

}  // namespace
}  // namespace vimbra

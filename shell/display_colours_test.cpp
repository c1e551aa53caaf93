#include "shell/display_colours.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/colour_profile.h"
#include "imagefiles/metadata_test_util.h"
#include "ui/test_app.h"

#ifdef VIMBRA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace vimbra {
namespace {

using testutil::ReadBytes;

constexpr const char* kDisplayProfile = "/usr/share/color/icc/LStar-RGB.icc";

TEST(DisplayColours, ToTheDisplayProfileAsTificcConverts) {
    if (!std::filesystem::exists("/usr/bin/tificc") || !std::filesystem::exists(testutil::kAdobeRgbProfile) ||
        !std::filesystem::exists(kDisplayProfile))
        GTEST_SKIP() << "tificc or the profiles are missing";
    testutil::TempDir dir;
    const Bitmap picture = testutil::MakePicture(53, 11, 24, 6);
    testutil::WriteBytes(dir.file("in.tif"), EncodeTiff(picture, TiffCompression::None));
    ASSERT_TRUE(testutil::RunTool("/usr/bin/tificc", std::string("-i") + testutil::kAdobeRgbProfile + " -o" +
                                                        kDisplayProfile + " -t1 '" + dir.file("in.tif") +
                                                        "' '" + dir.file("out.tif") + "'"));
    const Bitmap reference = DecodeTiff(ReadBytes(dir.file("out.tif")));
    const std::vector<uint8_t> adobe = ReadBytes(testutil::kAdobeRgbProfile);
    Bitmap shown = picture;
    ASSERT_TRUE(ToDisplayColours(shown, adobe, ReadBytes(kDisplayProfile)));
    EXPECT_TRUE(testutil::SameLook(shown, reference));

    // No display profile, or one lcms2 refuses (junk, grey): sRGB.
    Bitmap srgb = picture;
    ConvertToSrgb(srgb, adobe);
    EXPECT_FALSE(testutil::SameLook(srgb, reference));
    for (const std::vector<uint8_t>& display :
         {std::vector<uint8_t>(), std::vector<uint8_t>(500, 0x33), ReadBytes("/usr/share/color/icc/Gray.icc")}) {
        Bitmap b = picture;
        EXPECT_TRUE(ToDisplayColours(b, adobe, display));
        EXPECT_TRUE(testutil::SameLook(b, srgb));
    }
    // Without a usable profile of its own the picture is left as it is.
    for (const std::vector<uint8_t>& icc : {std::vector<uint8_t>(), std::vector<uint8_t>(300, 9)}) {
        Bitmap b = picture;
        EXPECT_FALSE(ToDisplayColours(b, icc, ReadBytes(kDisplayProfile)));
        EXPECT_TRUE(testutil::SameLook(b, picture));
    }
}

TEST(DisplayColours, OffscreenHasNoDisplayProfile) {
    EnsureApp();
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_TRUE(DisplayProfile().empty());
    EXPECT_TRUE(ReadRootIccProfile(nullptr, 0).empty());
}

#ifdef VIMBRA_HAVE_XCB
// A private X server: the property set on its root window is what we read.
TEST(DisplayColours, RootWindowProfileFromAnXServer) {
    if (!std::filesystem::exists("/usr/bin/Xvfb")) GTEST_SKIP() << "Xvfb not installed";
    QProcess xvfb;
    xvfb.start(QStringLiteral("/usr/bin/Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                  QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(xvfb.waitForStarted(5000));
    QByteArray number;
    while (!number.contains('\n') && xvfb.waitForReadyRead(10000)) number += xvfb.readAllStandardOutput();
    ASSERT_TRUE(number.contains('\n')) << "Xvfb gave no display";
    const std::string name = ":" + number.trimmed().toStdString();
    xcb_connection_t* c = xcb_connect(name.c_str(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    EXPECT_TRUE(ReadRootIccProfile(c, 0).empty());  // nothing published
    const auto set = [&](const char* atomName, uint8_t format, const std::vector<uint8_t>& data) {
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(atomName)), atomName), nullptr);
        ASSERT_TRUE(atom);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_CARDINAL, format,
                            uint32_t(data.size() * 8 / format), data.data());
        std::free(atom);
        xcb_flush(c);
    };
    std::vector<uint8_t> icc = std::filesystem::exists(kDisplayProfile) ? ReadBytes(kDisplayProfile)
                                                                        : std::vector<uint8_t>(1000, 5);
    set("_ICC_PROFILE", 8, icc);
    EXPECT_EQ(ReadRootIccProfile(c, 0), icc);
    EXPECT_TRUE(ReadRootIccProfile(c, 1).empty());  // a screen the server does not have
    set("_ICC_PROFILE", 32, std::vector<uint8_t>(64, 1));
    EXPECT_TRUE(ReadRootIccProfile(c, 0).empty());  // not bytes
    xcb_disconnect(c);
    xvfb.kill();
    xvfb.waitForFinished(5000);
}
#endif

}  // namespace
}  // namespace vimbra

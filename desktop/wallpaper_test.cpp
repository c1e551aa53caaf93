#include "desktop/wallpaper.h"

#include <set>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "core/bitmap.h"

namespace vimbra {
namespace {

using Argv = std::vector<std::string>;

WallpaperEnvironment Env(std::map<std::string, std::string> vars,
                         std::set<std::string> programs = {}) {
    WallpaperEnvironment env;
    env.vars = std::move(vars);
    env.hasProgram = [programs](const std::string& p) { return programs.count(p) != 0; };
    return env;
}

struct FakeRunner {
    std::vector<Argv> calls;
    std::map<std::string, CommandResult> answers;  // by argv[0] + " " + last argument
    CommandRunner runner() {
        return [this](const Argv& argv) {
            calls.push_back(argv);
            const auto it = answers.find(argv.front() + " " + argv.back());
            return it == answers.end() ? CommandResult{0, "", ""} : it->second;
        };
    }
};

TEST(WallpaperDesktop, Detection) {
    using D = WallpaperDesktop;
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}})), D::Gnome);
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}})), D::Cinnamon);
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "KDE"}})), D::Kde);
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "XFCE"}})), D::Xfce);
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "mate"}})), D::Mate);
    // An unknown first name does not hide a known second one.
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}})), D::Gnome);
    EXPECT_EQ(DetectWallpaperDesktop(
                  Env({{"XDG_CURRENT_DESKTOP", "sway"}, {"DESKTOP_SESSION", "plasmawayland"}})),
              D::Kde);
    // feh only with an X display and feh present.
    EXPECT_EQ(
        DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", ":0"}}, {"feh"})),
        D::Feh);
    EXPECT_EQ(DetectWallpaperDesktop(Env({{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", ":0"}})),
              D::None);
    EXPECT_EQ(DetectWallpaperDesktop(Env({}, {"feh"})), D::None);
}

TEST(WallpaperCommands, GnomeAndMate) {
    FakeRunner f;
    const auto gnome = Env({{"XDG_CURRENT_DESKTOP", "GNOME"}});
    ASSERT_TRUE(SetDesktopWallpaper(gnome, f.runner(), "/home/a b/it's.Bmp").ok);
    const std::string uri = "'file:///home/a%20b/it\\'s.Bmp'";
    EXPECT_EQ(
        f.calls,
        (std::vector<Argv>{
            {"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
            {"gsettings", "set", "org.gnome.desktop.background", "picture-options", "'scaled'"},
            {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}}));
    f.calls.clear();
    ASSERT_TRUE(ClearDesktopWallpaper(gnome, f.runner()).ok);
    EXPECT_EQ(f.calls, (std::vector<Argv>{{"gsettings", "set", "org.gnome.desktop.background",
                                           "picture-options", "'none'"}}));

    FakeRunner m;
    ASSERT_TRUE(
        SetDesktopWallpaper(Env({{"XDG_CURRENT_DESKTOP", "MATE"}}), m.runner(), "/w.Bmp").ok);
    EXPECT_EQ(m.calls,
              (std::vector<Argv>{
                  {"gsettings", "set", "org.mate.background", "picture-filename", "'/w.Bmp'"},
                  {"gsettings", "set", "org.mate.background", "picture-options", "'scaled'"}}));
}

TEST(WallpaperCommands, GnomeWithoutDarkKeyStillSucceeds) {
    // Only the dark key fails: old GNOME.
    int n = 0;
    const CommandRunner run = [&](const Argv& argv) {
        ++n;
        return argv[3] == "picture-uri-dark" ? CommandResult{1, "", "No such key"}
                                             : CommandResult{0, "", ""};
    };
    EXPECT_TRUE(SetDesktopWallpaper(Env({{"XDG_CURRENT_DESKTOP", "GNOME"}}), run, "/w.Bmp").ok);
    EXPECT_EQ(n, 3);
}

TEST(WallpaperCommands, KdeScriptOverQdbus) {
    FakeRunner f;
    const auto kde = Env({{"XDG_CURRENT_DESKTOP", "KDE"}}, {"qdbus-qt6", "qdbus"});
    ASSERT_TRUE(SetDesktopWallpaper(kde, f.runner(), "/p/w.Bmp").ok);
    ASSERT_EQ(f.calls.size(), 1u);
    EXPECT_EQ(f.calls[0][0], "qdbus-qt6");
    EXPECT_EQ(f.calls[0][3], "org.kde.PlasmaShell.evaluateScript");
    EXPECT_EQ(f.calls[0][4],
              "var all = desktops();\n"
              "for (var i = 0; i < all.length; i++) {\n"
              "    var d = all[i];\n"
              "    d.wallpaperPlugin = \"org.kde.image\";\n"
              "    d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
              "    d.writeConfig(\"Image\", \"file:///p/w.Bmp\");\n"
              "    d.writeConfig(\"FillMode\", 1);\n"
              "}\n");
    // Quotes in the path cannot end the script's string.
    EXPECT_NE(PlasmaWallpaperScript("/p/a\"b.Bmp").find("\"file:///p/a%22b.Bmp\""),
              std::string::npos);
    const WallpaperOutcome none =
        SetDesktopWallpaper(Env({{"XDG_CURRENT_DESKTOP", "KDE"}}), f.runner(), "/p/w.Bmp");
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.message.find("qdbus"), std::string::npos);
}

TEST(WallpaperCommands, XfceEveryMonitor) {
    FakeRunner f;
    f.answers["xfconf-query -l"] = {0,
                                    "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
                                    "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                                    "/backdrop/screen0/monitoreDP-1/workspace0/last-image\n"
                                    "/desktop-icons/style\n",
                                    ""};
    const auto xfce = Env({{"XDG_CURRENT_DESKTOP", "XFCE"}});
    ASSERT_TRUE(ClearDesktopWallpaper(xfce, f.runner()).ok);
    const std::string a = "/backdrop/screen0/monitorHDMI-1/workspace0";
    const std::string b = "/backdrop/screen0/monitoreDP-1/workspace0";
    EXPECT_EQ(f.calls, (std::vector<Argv>{{"xfconf-query", "-c", "xfce4-desktop", "-l"},
                                          {"xfconf-query", "-c", "xfce4-desktop", "-p",
                                           a + "/image-style", "-n", "-t", "int", "-s", "0"},
                                          {"xfconf-query", "-c", "xfce4-desktop", "-p",
                                           b + "/image-style", "-n", "-t", "int", "-s", "0"}}));
    f.calls.clear();
    ASSERT_TRUE(SetDesktopWallpaper(xfce, f.runner(), "/w.Bmp").ok);
    ASSERT_EQ(f.calls.size(), 5u);
    EXPECT_EQ(f.calls[1], (Argv{"xfconf-query", "-c", "xfce4-desktop", "-p", a + "/last-image",
                                "-n", "-t", "string", "-s", "/w.Bmp"}));
    EXPECT_EQ(f.calls[2], (Argv{"xfconf-query", "-c", "xfce4-desktop", "-p", a + "/image-style",
                                "-n", "-t", "int", "-s", "4"}));
}

TEST(WallpaperCommands, FehFailuresAndNoDesktop) {
    FakeRunner f;
    const auto x11 = Env({{"DISPLAY", ":0"}}, {"feh"});
    ASSERT_TRUE(SetDesktopWallpaper(x11, f.runner(), "/w.Bmp").ok);
    EXPECT_EQ(f.calls, (std::vector<Argv>{{"feh", "--bg-max", "/w.Bmp"}}));
    EXPECT_FALSE(ClearDesktopWallpaper(x11, f.runner()).ok);

    // A failing command is named with its error output.
    f.answers["feh /w.Bmp"] = {2, "", "feh: can't open X display\n"};
    const WallpaperOutcome failed = SetDesktopWallpaper(x11, f.runner(), "/w.Bmp");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(
        failed.message,
        "The wallpaper could not be changed:\nfeh --bg-max /w.Bmp\nfeh: can't open X display");

    f.calls.clear();
    const WallpaperOutcome none = SetDesktopWallpaper(Env({}), f.runner(), "/w.Bmp");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message.rfind("No supported desktop was found to set the wallpaper.", 0), 0u);
    EXPECT_TRUE(f.calls.empty());
}

TEST(WallpaperFile, WrittenAsBmpAndReplaced) {
    QTemporaryDir dir;
    const std::string folder = (dir.path() + "/data").toStdString();
    Bitmap picture(3, 2, 24);
    picture.scanLine(0)[0] = 7;
    std::string error;
    const std::string path = WriteWallpaperFile(picture, folder, error);
    ASSERT_EQ(path, folder + "/VX_Wallpaper.Bmp") << error;
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // 54-byte headers + 2 rows of 9 bytes padded to 12.
    EXPECT_EQ(bytes.size(), 78);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    f.close();
    // A folder that cannot be made leaves an error and no path.
    EXPECT_EQ(WriteWallpaperFile(picture, path + "/sub", error), "");
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vimbra

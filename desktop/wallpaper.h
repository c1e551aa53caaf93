#pragma once
// Setting and clearing the desktop background through the desktop's own
// setting: gsettings on GNOME, Cinnamon and MATE, plasma scripting over D-Bus
// on KDE, xfconf-query on Xfce, and feh on other X11 sessions.
#include <functional>
#include <map>
#include <string>

#include "desktop/desktop_runner.h"

namespace vimbra {

class Bitmap;

enum class WallpaperDesktop { None, Gnome, Cinnamon, Mate, Kde, Xfce, Feh };

// What the choice depends on: environment variables and the programs present.
struct WallpaperEnvironment {
    std::map<std::string, std::string> vars;
    std::function<bool(const std::string& program)> hasProgram;
    std::string var(const std::string& name) const;
};
WallpaperEnvironment CurrentWallpaperEnvironment();

// XDG_CURRENT_DESKTOP first (its first known name), then DESKTOP_SESSION,
// then feh on an X display.
WallpaperDesktop DetectWallpaperDesktop(const WallpaperEnvironment& env);

inline constexpr const char* kWallpaperFileName = "VX_Wallpaper.Bmp";

// Writes the picture as BMP into `folder` (temp + rename). The path written,
// or an empty path and `error` set.
std::string WriteWallpaperFile(const Bitmap& picture, const std::string& folder,
                               std::string& error);

// GVariant text of a string: single quotes, with ' and \ escaped.
std::string GVariantString(const std::string& s);
// The plasma script that gives every desktop the image (scaled, aspect kept)
// or, for an empty path, a plain colour.
std::string PlasmaWallpaperScript(const std::string& path);

struct WallpaperOutcome {
    bool ok = false;
    std::string message;  // empty on success
};

// The picture, already fitted to the screen, is shown scaled with its aspect
// kept and centred, so it touches two opposite edges on any screen size.
WallpaperOutcome SetDesktopWallpaper(const WallpaperEnvironment& env, const CommandRunner& run,
                                     const std::string& path);
WallpaperOutcome ClearDesktopWallpaper(const WallpaperEnvironment& env, const CommandRunner& run);

}  // namespace vimbra

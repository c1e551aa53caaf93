#include "desktop/wallpaper.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include <QDir>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QUrl>

#include "imagefiles/save_dispatch.h"

namespace vimbra {
namespace {

using Argv = std::vector<std::string>;

constexpr const char* kNoDesktop =
    "No supported desktop was found to set the wallpaper.\n"
    "Vimbra sets it on GNOME, Cinnamon, MATE, KDE Plasma and Xfce, and elsewhere through "
    "feh when it is installed.";

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::istringstream in(s);
    for (std::string p; std::getline(in, p, sep);)
        if (!p.empty()) parts.push_back(p);
    return parts;
}

WallpaperDesktop FromName(const std::string& upper) {
    if (upper == "KDE") return WallpaperDesktop::Kde;
    if (upper == "X-CINNAMON" || upper == "CINNAMON") return WallpaperDesktop::Cinnamon;
    if (upper == "MATE") return WallpaperDesktop::Mate;
    if (upper == "XFCE") return WallpaperDesktop::Xfce;
    // These keep the background in GNOME's own schema.
    if (upper == "GNOME" || upper == "UNITY" || upper == "BUDGIE" || upper == "PANTHEON" ||
        upper == "GNOME-CLASSIC" || upper == "GNOME-FLASHBACK")
        return WallpaperDesktop::Gnome;
    return WallpaperDesktop::None;
}

std::string FileUri(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path))
        .toString(QUrl::FullyEncoded)
        .toStdString();
}

std::string JsString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

WallpaperOutcome Run(const CommandRunner& run, const std::vector<Argv>& commands) {
    for (const Argv& argv : commands) {
        const CommandResult r = run(argv);
        if (r.ok()) continue;
        std::string why = r.err;
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        if (why.empty()) why = "exit code " + std::to_string(r.exitCode);
        return {false,
                "The wallpaper could not be changed:\n" + CommandLineText(argv) + "\n" + why};
    }
    return {true, ""};
}

Argv Gsettings(const std::string& schema, const std::string& key, const std::string& value) {
    return {"gsettings", "set", schema, key, value};
}

std::string QdbusProgram(const WallpaperEnvironment& env) {
    for (const char* name : {"qdbus6", "qdbus-qt6", "qdbus", "qdbus-qt5"})
        if (env.hasProgram && env.hasProgram(name)) return name;
    return {};
}

// Xfce keeps one image per monitor and workspace: every "last-image" property
// gets the picture and its sibling "image-style" the mode.
WallpaperOutcome Xfce(const CommandRunner& run, const std::string& path) {
    const CommandResult list = run({"xfconf-query", "-c", "xfce4-desktop", "-l"});
    if (!list.ok()) return Run(run, {{"xfconf-query", "-c", "xfce4-desktop", "-l"}});
    std::vector<std::string> images;
    for (const std::string& line : Split(list.out, '\n')) {
        const std::string suffix = "/last-image";
        if (line.size() > suffix.size() && line.rfind("/backdrop/", 0) == 0 &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            images.push_back(line.substr(0, line.size() - suffix.size()));
    }
    if (images.empty()) images.push_back("/backdrop/screen0/monitor0/workspace0");
    std::vector<Argv> commands;
    for (const std::string& base : images) {
        if (!path.empty())
            commands.push_back({"xfconf-query", "-c", "xfce4-desktop", "-p", base + "/last-image",
                                "-n", "-t", "string", "-s", path});
        // 4: scaled, 0: none.
        commands.push_back({"xfconf-query", "-c", "xfce4-desktop", "-p", base + "/image-style",
                            "-n", "-t", "int", "-s", path.empty() ? "0" : "4"});
    }
    return Run(run, commands);
}

WallpaperOutcome Apply(const WallpaperEnvironment& env, const CommandRunner& run,
                       const std::string& path) {
    const bool clear = path.empty();
    switch (DetectWallpaperDesktop(env)) {
        case WallpaperDesktop::Gnome:
        case WallpaperDesktop::Cinnamon: {
            const std::string schema = DetectWallpaperDesktop(env) == WallpaperDesktop::Gnome
                                           ? "org.gnome.desktop.background"
                                           : "org.cinnamon.desktop.background";
            if (clear) return Run(run, {Gsettings(schema, "picture-options", "'none'")});
            const std::string uri = GVariantString(FileUri(path));
            WallpaperOutcome r = Run(run, {Gsettings(schema, "picture-uri", uri),
                                           Gsettings(schema, "picture-options", "'scaled'")});
            // Newer GNOME has a second picture for the dark style; older ones lack the key.
            if (r.ok && schema == "org.gnome.desktop.background")
                run(Gsettings(schema, "picture-uri-dark", uri));
            return r;
        }
        case WallpaperDesktop::Mate: {
            const std::string schema = "org.mate.background";
            if (clear) return Run(run, {Gsettings(schema, "picture-options", "'none'")});
            return Run(run, {Gsettings(schema, "picture-filename", GVariantString(path)),
                             Gsettings(schema, "picture-options", "'scaled'")});
        }
        case WallpaperDesktop::Kde: {
            const std::string qdbus = QdbusProgram(env);
            if (qdbus.empty())
                return {false,
                        "The KDE Plasma wallpaper is set through qdbus, which is not "
                        "installed (package qdbus-qt6 or qttools5-dev-tools)."};
            return Run(run, {{qdbus, "org.kde.plasmashell", "/PlasmaShell",
                              "org.kde.PlasmaShell.evaluateScript", PlasmaWallpaperScript(path)}});
        }
        case WallpaperDesktop::Xfce:
            return Xfce(run, path);
        case WallpaperDesktop::Feh:
            if (!clear) return Run(run, {{"feh", "--bg-max", path}});
            if (env.hasProgram && env.hasProgram("xsetroot"))
                return Run(run, {{"xsetroot", "-solid", "black"}});
            return {false, "The wallpaper set through feh cannot be cleared without xsetroot."};
        case WallpaperDesktop::None:
            break;
    }
    return {false, kNoDesktop};
}

}  // namespace

std::string WallpaperEnvironment::var(const std::string& name) const {
    const auto it = vars.find(name);
    return it == vars.end() ? std::string() : it->second;
}

WallpaperEnvironment CurrentWallpaperEnvironment() {
    WallpaperEnvironment env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "DISPLAY"})
        env.vars[name] = system.value(QString::fromLatin1(name)).toStdString();
    env.hasProgram = ProgramOnPath;
    return env;
}

WallpaperDesktop DetectWallpaperDesktop(const WallpaperEnvironment& env) {
    for (const std::string& name : Split(env.var("XDG_CURRENT_DESKTOP"), ':'))
        if (const WallpaperDesktop d = FromName(Upper(name)); d != WallpaperDesktop::None) return d;
    const std::string session = Upper(env.var("DESKTOP_SESSION"));
    const auto has = [&](const char* s) { return session.find(s) != std::string::npos; };
    if (has("PLASMA") || has("KDE")) return WallpaperDesktop::Kde;
    if (has("CINNAMON")) return WallpaperDesktop::Cinnamon;
    if (has("MATE")) return WallpaperDesktop::Mate;
    if (has("XFCE")) return WallpaperDesktop::Xfce;
    if (has("GNOME") || has("UBUNTU")) return WallpaperDesktop::Gnome;
    if (!env.var("DISPLAY").empty() && env.hasProgram && env.hasProgram("feh"))
        return WallpaperDesktop::Feh;
    return WallpaperDesktop::None;
}

std::string WriteWallpaperFile(const Bitmap& picture, const std::string& folder,
                               std::string& error) {
    const QString dir = QString::fromStdString(folder);
    const QString path = QDir(dir).filePath(QString::fromLatin1(kWallpaperFileName));
    std::vector<uint8_t> bytes;
    try {
        bytes = EncodeForSave(picture, SaveFormat::Bmp);
    } catch (const std::exception& e) {
        error = e.what();
        return {};
    }
    QSaveFile file(path);
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !file.commit()) {
        error = "Could not write " + path.toStdString() + ".";
        return {};
    }
    return path.toStdString();
}

std::string GVariantString(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

std::string PlasmaWallpaperScript(const std::string& path) {
    std::string script =
        "var all = desktops();\n"
        "for (var i = 0; i < all.length; i++) {\n"
        "    var d = all[i];\n";
    if (path.empty()) return script + "    d.wallpaperPlugin = \"org.kde.color\";\n}\n";
    // FillMode 1: scaled with the aspect ratio kept.
    return script +
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
           "    d.writeConfig(\"Image\", " +
           JsString(FileUri(path)) +
           ");\n"
           "    d.writeConfig(\"FillMode\", 1);\n"
           "}\n";
}

WallpaperOutcome SetDesktopWallpaper(const WallpaperEnvironment& env, const CommandRunner& run,
                                     const std::string& path) {
    if (path.empty()) return {false, "No wallpaper file."};
    return Apply(env, run, path);
}

WallpaperOutcome ClearDesktopWallpaper(const WallpaperEnvironment& env, const CommandRunner& run) {
    return Apply(env, run, {});
}

}  // namespace vimbra

#include "desktop/associations.h"

#include <algorithm>
#include <set>
#include <sstream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vimbra {
namespace {

constexpr const char* kDefaultSection = "[Default Applications]";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::optional<std::string> ReadText(const std::string& path) {
    QFile f(Q(path));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll().toStdString();
}

bool WriteText(const std::string& path, const std::string& text) {
    if (!QDir().mkpath(QFileInfo(Q(path)).absolutePath())) return false;
    QSaveFile f(Q(path));
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

std::string Join(const std::string& folder, const std::string& name) {
    return QDir(Q(folder)).filePath(Q(name)).toStdString();
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool IsSectionHeader(const std::string& line) {
    const std::string t = Trim(line);
    return !t.empty() && t.front() == '[';
}

// The first application of a mimeapps.list value ("a.desktop;b.desktop;").
std::string FirstApplication(const std::string& value) {
    return Trim(value.substr(0, value.find(';')));
}

bool IsOurs(const std::string& value) {
    const std::string app = FirstApplication(value);
    return app == kDesktopId || app.rfind(kUserAppPrefix, 0) == 0;
}

std::vector<std::string> AllMimeTypes() {
    std::vector<int> all(AssociationTypes().size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = int(i);
    return MimeTypesOf(all);
}

std::string MimeappsPath(const DesktopFolders& f) {
    return Join(f.configHome, "mimeapps.list");
}
std::string BackupPath(const DesktopFolders& f) {
    return Join(f.appData, kAssociationBackupName);
}
std::string ApplicationsFolder(const DesktopFolders& f) {
    return Join(f.dataHome, "applications");
}
std::string MimeFolder(const DesktopFolders& f) {
    return Join(f.dataHome, "mime");
}

// The backup: one "type=previous value" line a type, the value empty when the
// user had no default of their own.
std::map<std::string, std::string> ReadBackup(const std::string& text) {
    std::map<std::string, std::string> out;
    for (const std::string& line : Lines(text)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        out.emplace(line.substr(0, eq), Trim(line.substr(eq + 1)));
    }
    return out;
}

std::string BackupText(const std::map<std::string, std::string>& backup) {
    std::string text =
        "# Default applications before Vimbra was associated; restored on removal.\n";
    for (const auto& [type, value] : backup) text += type + "=" + value + "\n";
    return text;
}

// Records the user's current defaults of `types` unless the backup holds them
// already; fails (and nothing else may happen) when it cannot be written.
bool BackUpDefaults(const DesktopFolders& folders, const std::vector<std::string>& types,
                    std::string& error) {
    std::map<std::string, std::string> backup;
    if (const auto old = ReadText(BackupPath(folders))) backup = ReadBackup(*old);
    const auto current = ReadDefaultApplications(ReadText(MimeappsPath(folders)).value_or(""));
    bool added = false;
    for (const std::string& type : types) {
        if (backup.count(type)) continue;
        const auto it = current.find(type);
        // Our own value is never a previous default worth restoring.
        const std::string value = it == current.end() || IsOurs(it->second) ? "" : it->second;
        backup.emplace(type, value);
        added = true;
    }
    if (!added) return true;
    if (WriteText(BackupPath(folders), BackupText(backup))) return true;
    error = "The previous default applications could not be saved to " + BackupPath(folders) +
            ".\nNothing was changed.";
    return false;
}

// Rebuilds the user's MIME database; failures only cost the program's own types.
void RefreshDatabases(const DesktopFolders& folders, const CommandRunner& run) {
    run({"update-mime-database", MimeFolder(folders)});
    run({"update-desktop-database", ApplicationsFolder(folders)});
}

AssociationOutcome MakeDefault(const std::string& desktopId, const std::vector<std::string>& types,
                               const CommandRunner& run) {
    std::vector<std::string> argv{"xdg-mime", "default", desktopId};
    argv.insert(argv.end(), types.begin(), types.end());
    const CommandResult r = run(argv);
    if (!r.ok()) {
        std::string why = Trim(r.err);
        if (why.empty()) why = "exit code " + std::to_string(r.exitCode);
        return {false, "Could not make " + desktopId + " the default application:\n" + why};
    }
    return {true, ""};
}

std::string SafeIdPart(const std::string& name) {
    std::string out;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '.';
        out += plain ? c : '-';
    }
    return out.empty() ? "program" : out;
}

// A desktop entry value: newlines and backslashes escaped.
std::string KeyFileValue(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string MimeTypeList(const std::vector<std::string>& types) {
    std::string out;
    for (const std::string& t : types) out += t + ";";
    return out;
}

}  // namespace

const std::vector<AssociationType>& AssociationTypes() {
    static const std::vector<AssociationType> kTypes = {
        {".AVL (Vimbra Slideshow)",
         {{"application/x-vimbra-slideshow", {"avl"}, "Vimbra slideshow"}}},
        {".BMP and .DIB (Windows Bitmaps)", {{"image/bmp", {"bmp", "dib"}, ""}}},
        {".DCX (Intel DCX Fax)", {{"image/x-dcx", {"dcx"}, "DCX fax document"}}},
        {".JPG (JPEG images)", {{"image/jpeg", {"jpg", "jpe", "jpeg"}, ""}}},
        {".PCD (Kodak Photo-CD)", {{"image/x-photo-cd", {"pcd"}, ""}}},
        {".PCX (ZSoft Paintbrush)", {{"image/vnd.zbrush.pcx", {"pcx"}, ""}}},
        {".PNG (Portable Network Graphics)", {{"image/png", {"png"}, ""}}},
        {".PSD (Adobe Photoshop)", {{"image/vnd.adobe.photoshop", {"psd"}, ""}}},
        {".TGA (Targa Truevision)", {{"image/x-tga", {"tga"}, ""}}},
        {".TIF (Tagged Image File Format)", {{"image/tiff", {"tif", "tiff"}, ""}}},
        {".WMF and .EMF (Windows MetaFile)",
         {{"image/wmf", {"wmf"}, ""}, {"image/emf", {"emf"}, ""}}},
        // After the classic list, so stored choices keep their numbers.
        {".WEBP (WebP images)", {{"image/webp", {"webp"}, ""}}},
        {".AVIF (AV1 images)", {{"image/avif", {"avif"}, ""}}},
        {".HEIC and .HEIF (HEIF images)", {{"image/heic", {"heic"}, ""}, {"image/heif", {"heif"}, ""}}},
        {".JXL (JPEG XL)", {{"image/jxl", {"jxl"}, ""}}},
    };
    return kTypes;
}

std::vector<std::string> AssociationCaptions() {
    std::vector<std::string> out;
    for (const AssociationType& t : AssociationTypes()) out.push_back(t.caption);
    return out;
}

std::vector<std::string> MimeTypesOf(const std::vector<int>& chosen) {
    std::vector<std::string> out;
    const auto& all = AssociationTypes();
    for (int i : chosen) {
        if (i < 0 || size_t(i) >= all.size()) continue;
        for (const AssociatedMime& m : all[size_t(i)].mimes)
            if (std::find(out.begin(), out.end(), m.type) == out.end()) out.push_back(m.type);
    }
    return out;
}

std::string DesktopExecArgument(const std::string& program) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string arg;
    for (char c : program) arg += c == '%' ? std::string("%%") : std::string(1, c);
    if (arg.find_first_of(kReserved) != std::string::npos) {
        std::string quoted = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        arg = quoted + "\"";
    }
    return KeyFileValue(arg);
}

std::string DesktopEntryText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vimbra\n"
           "GenericName=Picture Viewer\n"
           "Comment=View, edit and convert pictures\n"
           "Exec=" +
           DesktopExecArgument(program) +
           " %F\n"
           "Icon=applications-graphics\n"
           "Terminal=false\n"
           "Categories=Graphics;Viewer;RasterGraphics;2DGraphics;\n"
           "MimeType=" +
           MimeTypeList(AllMimeTypes()) + "\n";
}

std::string MimePackageText() {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const AssociationType& line : AssociationTypes()) {
        for (const AssociatedMime& m : line.mimes) {
            xml += "  <mime-type type=\"" + m.type + "\">\n";
            if (!m.comment.empty()) xml += "    <comment>" + m.comment + "</comment>\n";
            for (const std::string& ext : m.extensions)
                xml += "    <glob pattern=\"*." + ext + "\"/>\n";
            xml += "  </mime-type>\n";
        }
    }
    return xml + "</mime-info>\n";
}

std::map<std::string, std::string> ReadDefaultApplications(const std::string& text) {
    std::map<std::string, std::string> out;
    bool inside = false;
    for (const std::string& line : Lines(text)) {
        if (IsSectionHeader(line)) {
            inside = Trim(line) == kDefaultSection;
            continue;
        }
        if (!inside || line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        out[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
    }
    return out;
}

std::string WithDefaultApplications(
    const std::string& text, const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> lines = Lines(text);
    std::set<std::string> done;
    std::vector<std::string> out;
    bool inside = false, sawSection = false;
    const auto flush = [&] {
        // Keys not met in the section go at its end.
        for (const auto& [type, value] : changes)
            if (value && !done.count(type)) out.push_back(type + "=" + *value);
        for (const auto& [type, value] : changes) done.insert(type);
    };
    for (const std::string& line : lines) {
        if (IsSectionHeader(line)) {
            if (inside) {
                // Keep the blank lines that separate sections after the new keys.
                std::vector<std::string> blanks;
                while (!out.empty() && Trim(out.back()).empty()) {
                    blanks.push_back(out.back());
                    out.pop_back();
                }
                flush();
                out.insert(out.end(), blanks.rbegin(), blanks.rend());
            }
            inside = Trim(line) == kDefaultSection;
            sawSection = sawSection || inside;
            out.push_back(line);
            continue;
        }
        const size_t eq = line.find('=');
        if (inside && eq != std::string::npos && line[0] != '#') {
            const std::string key = Trim(line.substr(0, eq));
            const auto it = changes.find(key);
            if (it != changes.end()) {
                if (it->second && !done.count(key)) out.push_back(key + "=" + *it->second);
                done.insert(key);
                continue;
            }
        }
        out.push_back(line);
    }
    if (inside) flush();
    if (!sawSection) {
        bool any = false;
        for (const auto& [type, value] : changes) any = any || value.has_value();
        if (any) {
            if (!out.empty() && !Trim(out.back()).empty()) out.push_back("");
            out.push_back(kDefaultSection);
            flush();
        }
    }
    std::string result;
    for (const std::string& line : out) result += line + "\n";
    return result;
}

AssociationOutcome SetAssociations(const DesktopFolders& folders, const std::string& program,
                                   const std::vector<int>& chosen, const CommandRunner& run) {
    const std::vector<std::string> types = MimeTypesOf(chosen);
    if (types.empty() || program.empty()) return {false, "No file types were chosen."};
    AssociationOutcome result;
    if (!BackUpDefaults(folders, types, result.message)) return result;
    const std::string entry = Join(ApplicationsFolder(folders), kDesktopId);
    const std::string package = Join(Join(MimeFolder(folders), "packages"), kMimePackageName);
    if (!WriteText(entry, DesktopEntryText(program)))
        return {false, "Could not write " + entry + "."};
    if (!WriteText(package, MimePackageText())) return {false, "Could not write " + package + "."};
    RefreshDatabases(folders, run);
    result = MakeDefault(kDesktopId, types, run);
    if (result.ok)
        result.message = "Vimbra opens " + std::to_string(types.size()) + " file type(s) now.";
    return result;
}

AssociationOutcome ChangeAssociations(const DesktopFolders& folders, const std::vector<int>& chosen,
                                      const std::string& application, const CommandRunner& run) {
    const std::vector<std::string> types = MimeTypesOf(chosen);
    if (types.empty() || application.empty()) return {false, "No file types were chosen."};
    const QFileInfo app(Q(application));
    if (!app.isFile()) return {false, application + " was not found."};
    AssociationOutcome result;
    if (!BackUpDefaults(folders, types, result.message)) return result;
    std::string id;
    if (app.suffix() == QLatin1String("desktop")) {
        id = app.fileName().toStdString();
        // An entry outside an applications folder is found only once copied there.
        if (app.absoluteDir().dirName() != QLatin1String("applications")) {
            const std::string copy = Join(ApplicationsFolder(folders), id);
            const auto text = ReadText(application);
            if (!text || (!QFileInfo::exists(Q(copy)) && !WriteText(copy, *text)))
                return {false, "Could not copy " + application + "."};
        }
    } else {
        const std::string name = app.fileName().toStdString();
        id = kUserAppPrefix + SafeIdPart(name) + ".desktop";
        const std::string text =
            "[Desktop Entry]\nType=Application\nName=" + KeyFileValue(name) +
            "\nExec=" + DesktopExecArgument(app.absoluteFilePath().toStdString()) +
            " %f\nNoDisplay=true\nMimeType=" + MimeTypeList(types) + "\n";
        const std::string path = Join(ApplicationsFolder(folders), id);
        if (!WriteText(path, text)) return {false, "Could not write " + path + "."};
        run({"update-desktop-database", ApplicationsFolder(folders)});
    }
    result = MakeDefault(id, types, run);
    if (result.ok)
        result.message = id + " opens " + std::to_string(types.size()) + " file type(s) now.";
    return result;
}

AssociationOutcome RemoveAssociations(const DesktopFolders& folders, const CommandRunner& run) {
    const std::string mimeapps = MimeappsPath(folders);
    const std::optional<std::string> listText = ReadText(mimeapps);
    const auto backup = ReadBackup(ReadText(BackupPath(folders)).value_or(""));
    if (listText) {
        std::map<std::string, std::optional<std::string>> changes;
        // Only types still pointing here go back: a later choice of the user stays.
        for (const auto& [type, value] : ReadDefaultApplications(*listText)) {
            if (!IsOurs(value)) continue;
            const auto it = backup.find(type);
            changes[type] = it == backup.end() || it->second.empty()
                                ? std::nullopt
                                : std::optional<std::string>(it->second);
        }
        if (!changes.empty() && !WriteText(mimeapps, WithDefaultApplications(*listText, changes)))
            return {false, "Could not write " + mimeapps + ".\nThe associations were kept."};
    }
    QDir apps(Q(ApplicationsFolder(folders)));
    apps.remove(Q(kDesktopId));
    for (const QString& name :
         apps.entryList({Q(std::string(kUserAppPrefix) + "*.desktop")}, QDir::Files))
        apps.remove(name);
    QFile::remove(Q(Join(Join(MimeFolder(folders), "packages"), kMimePackageName)));
    RefreshDatabases(folders, run);
    QFile::remove(Q(BackupPath(folders)));
    return {true, "The previous default applications were restored."};
}

}  // namespace vimbra

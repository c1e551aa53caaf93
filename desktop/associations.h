#pragma once
// Making the program the desktop's default viewer: a .desktop entry and a
// MIME package in the user's data folder, the defaults set through xdg-mime,
// and the user's previous defaults kept in a backup that removal restores.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desktop_runner.h"

namespace vimbra {

// A MIME type and its extensions (lower case, no dot). A comment marks a
// type of the program's own that the shared database does not know.
struct AssociatedMime {
    std::string type;
    std::vector<std::string> extensions;
    std::string comment;
};

// One line of the association list: the caption shown and its types.
struct AssociationType {
    std::string caption;
    std::vector<AssociatedMime> mimes;
};

// Every format the program opens, in list order.
const std::vector<AssociationType>& AssociationTypes();
std::vector<std::string> AssociationCaptions();
// The MIME types of the chosen lines (indices into AssociationTypes), in order.
std::vector<std::string> MimeTypesOf(const std::vector<int>& chosen);

inline constexpr const char* kDesktopId = "vimbra.desktop";
inline constexpr const char* kMimePackageName = "vimbra.xml";
inline constexpr const char* kAssociationBackupName = "associations.backup";
// Entries made for another program in change mode start with this.
inline constexpr const char* kUserAppPrefix = "vimbra-userapp-";

// A program path as one argument of a desktop entry's Exec key: quoted when
// needed, with both the Exec and the key-file escapes applied.
std::string DesktopExecArgument(const std::string& program);
// The .desktop entry for the program, listing every type it opens.
std::string DesktopEntryText(const std::string& program);
// The shared-mime-info package: the program's own types with comments and
// every extension's glob.
std::string MimePackageText();

// The [Default Applications] section of a mimeapps.list: type -> raw value.
std::map<std::string, std::string> ReadDefaultApplications(const std::string& text);
// The same text with keys of [Default Applications] set (a value) or removed
// (nullopt); everything else stays as it was. The section is added when missing.
std::string WithDefaultApplications(
    const std::string& text, const std::map<std::string, std::optional<std::string>>& changes);

struct AssociationOutcome {
    bool ok = false;
    std::string message;  // what went wrong, or what was done
};

// Set mode: backup, entry, MIME package, then xdg-mime default for the chosen
// lines. A backup that already exists keeps its earlier values.
AssociationOutcome SetAssociations(const DesktopFolders& folders, const std::string& program,
                                   const std::vector<int>& chosen, const CommandRunner& run);

// Change mode: the chosen lines open with another application, either a
// .desktop file or a program (which gets a small entry of its own).
AssociationOutcome ChangeAssociations(const DesktopFolders& folders, const std::vector<int>& chosen,
                                      const std::string& application, const CommandRunner& run);

// Removes the entry, the package and the change-mode entries, and gives back
// the defaults the backup holds where they still point at this program.
AssociationOutcome RemoveAssociations(const DesktopFolders& folders, const CommandRunner& run);

}  // namespace vimbra

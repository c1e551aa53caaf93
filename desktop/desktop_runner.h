#pragma once
// Running the desktop's own tools (xdg-mime, gsettings, qdbus, ...) behind a
// function that tests replace, and the per-user folders those tools use.
#include <functional>
#include <string>
#include <vector>

namespace vimbra {

struct CommandResult {
    int exitCode = -1;  // -1: the program could not be started or timed out
    std::string out;
    std::string err;
    bool ok() const { return exitCode == 0; }
};

// argv[0] is the program, looked up on PATH.
using CommandRunner = std::function<CommandResult(const std::vector<std::string>& argv)>;

// Runs the program, waiting at most `timeoutMs`; its output is kept.
CommandResult RunProgram(const std::vector<std::string>& argv, int timeoutMs = 30000);
CommandRunner ProcessRunner();

// Whether a program of that name is on PATH.
bool ProgramOnPath(const std::string& name);

// "xdg-mime default a b" for messages; arguments with blanks are quoted.
std::string CommandLineText(const std::vector<std::string>& argv);

// The freedesktop per-user folders and the program's own data folder.
struct DesktopFolders {
    std::string dataHome;    // $XDG_DATA_HOME, else ~/.local/share
    std::string configHome;  // $XDG_CONFIG_HOME, else ~/.config
    std::string appData;     // where the program keeps its own files
};

// From the environment; `appData` as the caller found it (the application's
// data location).
DesktopFolders CurrentDesktopFolders(const std::string& appData);

}  // namespace vimbra

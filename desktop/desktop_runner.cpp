#include "desktop/desktop_runner.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace vimbra {

CommandResult RunProgram(const std::vector<std::string>& argv, int timeoutMs) {
    CommandResult result;
    if (argv.empty()) return result;
    const QString program = QStandardPaths::findExecutable(QString::fromStdString(argv[0]));
    if (program.isEmpty()) {
        result.err = argv[0] + ": not found";
        return result;
    }
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs)) {
        result.err = argv[0] + ": could not be started";
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.err = argv[0] + ": no answer";
        return result;
    }
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

CommandRunner ProcessRunner() {
    return [](const std::vector<std::string>& argv) { return RunProgram(argv); };
}

bool ProgramOnPath(const std::string& name) {
    return !QStandardPaths::findExecutable(QString::fromStdString(name)).isEmpty();
}

std::string CommandLineText(const std::vector<std::string>& argv) {
    std::string text;
    for (const std::string& a : argv) {
        if (!text.empty()) text += ' ';
        const bool quote = a.empty() || a.find_first_of(" \t'\"") != std::string::npos;
        text += quote ? "\"" + a + "\"" : a;
    }
    return text;
}

DesktopFolders CurrentDesktopFolders(const std::string& appData) {
    const auto fromEnv = [](const char* name, const char* fallback) {
        const QString value = qEnvironmentVariable(name);
        // The freedesktop rules ignore relative paths.
        if (!value.isEmpty() && QDir::isAbsolutePath(value)) return value.toStdString();
        return QDir::home().filePath(QString::fromLatin1(fallback)).toStdString();
    };
    return {fromEnv("XDG_DATA_HOME", ".local/share"), fromEnv("XDG_CONFIG_HOME", ".config"),
            appData};
}

}  // namespace vimbra

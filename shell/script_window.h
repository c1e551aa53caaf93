#pragma once
// The "Batch Editor": the BIP script being recorded or typed, with New, Open,
// Save, Perform, Close and Help. Once shown it records every editing command's
// line, also while hidden by Close, until the program ends.
#include <functional>
#include <string>
#include <vector>

#include <QWidget>

class QAction;
class QPlainTextEdit;

namespace vimbra {

class Workspace;

class ScriptWindow : public QWidget {
    Q_OBJECT
public:
    ScriptWindow(Workspace& ws, QWidget* parent = nullptr);

    void appendLine(const QString& line);
    void setScript(const QString& text);
    QString script() const;
    // Lines without their line ends; blank lines kept (the interpreter skips them).
    std::vector<std::string> lines() const;
    int lineCount() const;
    // Changed since it was opened or last set.
    bool isModifiedScript() const;
    QPlainTextEdit* editor() const { return edit_; }

    const QString& scriptName() const { return scriptName_; }
    const QString& bipFolder() const { return bipFolder_; }

    void onNew();
    void onOpen();
    void onSave();
    // Open with its dialog set to `path`'s folder and name.
    void openNamed(const QString& path);
    // Loads a script file; false (text kept, error shown) when it cannot be read.
    bool openFile(const QString& path);
    bool saveFile(const QString& path);
    // The program ends: recording stops for good.
    void closeForGood();

    QAction* saveAction() const { return save_; }
    QAction* performAction() const { return perform_; }

    // Stand-ins for the file dialogs and message boxes (tests).
    std::function<QString(const QString& folder, const QString& name)> openDialogHook, saveDialogHook;
    std::function<bool(const QString& question)> confirmHook;
    std::function<void(const QString& message)> warnHook;
    std::function<void(int context)> onHelp;

signals:
    void performRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool confirm(const QString& question);
    void warn(const QString& message);
    void checkFolder();
    void setName(const QString& path);

    Workspace& ws_;
    QPlainTextEdit* edit_;
    QAction *save_ = nullptr, *perform_ = nullptr;
    QString scriptName_, bipFolder_;
    bool closingForGood_ = false;
};

}  // namespace vimbra

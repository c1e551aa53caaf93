#pragma once
// The zip tool: a sorted list of archives, the content grid of the selected
// one, extraction of all, the selected or one named entry with a progress
// window, the log of problems, and the offer to send cleanly extracted
// archives to the trash.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QUrl>

#include "core/frame_host.h"

class QAction;
class QListWidget;
class QTableWidget;

namespace vimbra {

class ProgressWindow;
class Workspace;

class UnzipWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit UnzipWindow(QWidget* parent = nullptr);
    ~UnzipWindow() override;

    // Adds an archive unless listed; paths keep their case.
    void Populate(const QString& path);
    void onClear();
    // Extracts the selected archives (all of them with `all`) into `folder`;
    // asks for the folder when empty. Quick mode extracts next to the first
    // listed archive and recycles without asking. Returns the files written.
    // The window closes afterwards.
    int extractSelected(bool all, const QString& folder = {}, bool quick = false);
    int extractSingle(const QString& folder = {});

    QListWidget* archiveList() const { return list_; }
    QTableWidget* grid() const { return grid_; }
    QString selectedEntry() const { return selectedEntry_; }
    QString statusText() const;
    const std::vector<std::string>& log() const { return log_; }
    // Where the problems of the last run are written ("ZipErrs_Log.txt").
    static QString LogPath();
    // The progress window of a run; null between runs.
    ProgressWindow* progressWindow() const { return progress_; }

    // Stand-ins for the dialogs (tests): the folder browser, the questions
    // (true: Yes), the messages, and the shell's open action (the log, the
    // destination after a batch).
    std::function<QString(const QString& caption, const QString& start)> folderHook;
    std::function<bool(const QString& question)> askHook;
    std::function<void(MessageKind kind, const QString& text)> tellHook;
    std::function<bool(const QUrl& url)> openHook;
    // Set by the main window: shows a help context.
    std::function<void(int context)> onHelp;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onOpen();
    void view();
    void SetStatus();
    void chooseEntry(int row);
    // Archives that went away leave the list, each with a warning.
    void dropMissing();
    int run(const QStringList& archives, const std::vector<std::string>& only, QString folder,
            bool batch, bool quick);
    QString chooseFolder(const QString& start);
    bool ask(const QString& question);
    void tell(MessageKind kind, const QString& text);
    bool open(const QUrl& url);

    QListWidget* list_;
    QTableWidget* grid_;
    QAction *extractAll_, *extractSelected_, *extractSingle_;
    QString selectedEntry_;
    std::vector<std::string> log_;
    std::unique_ptr<Workspace> state_;  // the progress window's Cancel flag
    ProgressWindow* progress_ = nullptr;
};

}  // namespace vimbra

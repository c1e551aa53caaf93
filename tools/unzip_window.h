#pragma once
// The zip tool: a sorted list of archives, the content grid of the selected
// one, extraction of all, the selected or one named entry, the log question
// and the offer to send cleanly extracted archives to the trash.
#include <functional>
#include <string>
#include <vector>

#include <QMainWindow>

class QAction;
class QListWidget;
class QTableWidget;

namespace vimbra {

class UnzipWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit UnzipWindow(QWidget* parent = nullptr);

    // Adds an archive unless listed; paths keep their case.
    void Populate(const QString& path);
    void onClear();
    // Extracts the selected archives (all of them with `all`) into `folder`;
    // asks for the folder when empty. Returns the number of files written.
    int extractSelected(bool all, const QString& folder = {});
    int extractSingle(const QString& folder = {});

    QListWidget* archiveList() const { return list_; }
    QTableWidget* grid() const { return grid_; }
    QString selectedEntry() const { return selectedEntry_; }
    QString statusText() const;
    const std::vector<std::string>& log() const { return log_; }

    // Stand-ins for the dialogs (tests): the folder browser, the questions
    // (true: Yes) and the information boxes.
    std::function<QString(const QString& start)> folderHook;
    std::function<bool(const QString& question)> askHook;
    std::function<void(const QString& text)> tellHook;

private:
    void onOpen();
    void view();
    void SetStatus();
    int run(const QStringList& archives, const std::vector<std::string>& only, QString folder,
            bool offerTrash);
    QString chooseFolder(const QString& start);
    bool ask(const QString& question);
    void tell(const QString& text);

    QListWidget* list_;
    QTableWidget* grid_;
    QAction *extractAll_, *extractSelected_, *extractSingle_;
    QString selectedEntry_;
    std::vector<std::string> log_;
};

}  // namespace vimbra

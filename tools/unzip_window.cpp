#include "tools/unzip_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableWidget>

#include "core/workspace.h"
#include "desktop/zip_archive.h"
#include "shell/progress_window.h"

namespace vimbra {
namespace {

constexpr int kHelpUnzip = 150;

bool ShiftHeld() { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }

}  // namespace

UnzipWindow::UnzipWindow(QWidget* parent)
    : QMainWindow(parent), state_(std::make_unique<Workspace>()) {
    setWindowTitle(QStringLiteral("Vimbra 6.71 UnZipper"));
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSortingEnabled(true);
    list_->setAccessibleName(QStringLiteral("Archives"));
    grid_ = new QTableWidget(0, 5, this);
    grid_->setAccessibleName(QStringLiteral("Archive contents"));
    grid_->setHorizontalHeaderLabels(
        {QStringLiteral(" Name"), QStringLiteral(" Date Stamp"), QStringLiteral(" Size"),
         QStringLiteral(" %"), QStringLiteral(" PackSize")});
    const int widths[] = {160, 120, 80, 32, 80};
    for (int c = 0; c < 5; ++c) grid_->setColumnWidth(c, widths[c]);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    auto* split = new QSplitter(this);
    split->addWidget(list_);
    split->addWidget(grid_);
    setCentralWidget(split);

    QMenuBar* bar = menuBar();
    bar->addAction(QStringLiteral("&Open"), this, &UnzipWindow::onOpen);
    bar->addAction(QStringLiteral("&Clear"), this, &UnzipWindow::onClear);
    // Shift held when the command is chosen: quick mode.
    extractAll_ = bar->addAction(QStringLiteral("Extract &All"), this,
                                 [this] { extractSelected(true, {}, ShiftHeld()); });
    QMenu* extract = bar->addMenu(QStringLiteral("&Extract"));
    extractSelected_ = extract->addAction(QStringLiteral("&Selected Zips"), this,
                                          [this] { extractSelected(false, {}, ShiftHeld()); });
    extract->addSeparator();
    extractSingle_ = extract->addAction(QStringLiteral("Single &File"), this, [this] { extractSingle(); });
    bar->addAction(QStringLiteral("&Help"), this, [this] {
        if (onHelp) onHelp(kHelpUnzip);
    });

    connect(list_, &QListWidget::itemSelectionChanged, this, &UnzipWindow::view);
    // Clicks and the arrow keys alike choose the entry.
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int) { chooseEntry(row); });
    connect(grid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { chooseEntry(row); });
    SetStatus();
}

UnzipWindow::~UnzipWindow() = default;

void UnzipWindow::chooseEntry(int row) {
    if (QTableWidgetItem* item = row >= 0 ? grid_->item(row, 0) : nullptr)
        selectedEntry_ = item->text();
    SetStatus();
}

void UnzipWindow::closeEvent(QCloseEvent* event) {
    // Kept for the program run, but it starts empty next time.
    onClear();
    hide();
    event->accept();
}

QString UnzipWindow::LogPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("ZipErrs_Log.txt"));
}

void UnzipWindow::Populate(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    if (list_->findItems(full, Qt::MatchExactly).isEmpty()) list_->addItem(full);
    SetStatus();
}

void UnzipWindow::onClear() {
    list_->clear();
    grid_->setRowCount(0);
    selectedEntry_.clear();
    SetStatus();
}

void UnzipWindow::onOpen() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Select source *.zip file(s)"), {},
        QStringLiteral("ZIP (compressed archive) (*.zip)"));
    for (const QString& f : files) Populate(f);
}

void UnzipWindow::view() {
    grid_->setRowCount(0);
    const auto selected = list_->selectedItems();
    if (selected.size() != 1) {
        selectedEntry_.clear();
        SetStatus();
        return;
    }
    const ZipListing listing = ListZip(selected.front()->text().toStdString());
    if (!listing.ok()) {
        selectedEntry_.clear();
        tell(MessageKind::Error, QString::fromStdString(listing.error));
        SetStatus();
        return;
    }
    grid_->setRowCount(int(listing.entries.size()));
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const ZipEntryInfo& e = listing.entries[i];
        const int row = int(i);
        grid_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(e.name)));
        if (e.size > 0 && e.packedSize > 0) {
            const QString when = QDateTime::fromSecsSinceEpoch(e.modified)
                                     .toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                                     .toLower();
            grid_->setItem(row, 1, new QTableWidgetItem(when));
            grid_->setItem(row, 2, new QTableWidgetItem(QString::number(e.size)));
            grid_->setItem(row, 3, new QTableWidgetItem(QString::number(ZipRatio(e.size, e.packedSize))));
            grid_->setItem(row, 4, new QTableWidgetItem(QString::number(e.packedSize)));
        }
    }
    selectedEntry_.clear();
    SetStatus();
}

QString UnzipWindow::statusText() const { return statusBar()->currentMessage(); }

void UnzipWindow::SetStatus() {
    const auto selected = list_->selectedItems();
    QString text;
    if (selected.isEmpty()) {
        text = QStringLiteral("Ready.");
    } else if (selected.size() == 1) {
        if (selectedEntry_.isEmpty() && grid_->rowCount() > 0 && grid_->item(0, 0))
            selectedEntry_ = grid_->item(0, 0)->text();
        text = QStringLiteral("[ Archive: ") + QFileInfo(selected.front()->text()).fileName() +
               QStringLiteral(" ]   File selected: ") + selectedEntry_;
    } else {
        text = QStringLiteral(" ") + QString::number(selected.size()) +
               QStringLiteral(" archives selected for batch.");
    }
    statusBar()->showMessage(text);
    extractAll_->setEnabled(list_->count() > 0);
    extractSelected_->setEnabled(!selected.isEmpty());
    extractSingle_->setEnabled(!selectedEntry_.isEmpty());
}

void UnzipWindow::dropMissing() {
    for (int i = list_->count() - 1; i >= 0; --i) {
        const QString path = list_->item(i)->text();
        if (!QFileInfo::exists(path)) {
            tell(MessageKind::Warning,
                 QStringLiteral("Missing file!\n") + path + QStringLiteral("\nItem removed from list."));
            delete list_->takeItem(i);
        }
    }
}

int UnzipWindow::extractSelected(bool all, const QString& folder, bool quick) {
    if (list_->count() == 0) return 0;
    dropMissing();
    if (all) list_->selectAll();
    QStringList archives;
    for (QListWidgetItem* item : list_->selectedItems()) archives << item->text();
    return run(archives, {}, folder, true, quick);
}

int UnzipWindow::extractSingle(const QString& folder) {
    if (selectedEntry_.isEmpty() || list_->count() == 0) return 0;
    dropMissing();
    QStringList archives;
    for (QListWidgetItem* item : list_->selectedItems()) archives << item->text();
    return run(archives, {selectedEntry_.toStdString()}, folder, false, false);
}

int UnzipWindow::run(const QStringList& chosen, const std::vector<std::string>& only,
                     QString folder, bool batch, bool quick) {
    QStringList archives;  // in list order
    for (int i = 0; i < list_->count(); ++i)
        if (chosen.contains(list_->item(i)->text())) archives << list_->item(i)->text();
    if (archives.isEmpty()) {
        tell(MessageKind::Warning, QStringLiteral("No ZIPs selected."));
        return 0;
    }
    const QString firstFolder = QFileInfo(list_->item(0)->text()).absolutePath();
    if (quick && folder.isEmpty()) {
        if (QFileInfo(firstFolder).isDir())
            folder = firstFolder;
        else
            quick = false;
    }
    if (folder.isEmpty()) folder = chooseFolder(firstFolder);
    if (folder.isEmpty()) return 0;

    log_.clear();
    state_->CancelRequested = false;
    ProgressWindow window(*state_, this);
    progress_ = &window;
    window.ShowStatusWindow(QStringLiteral("Unzipping ..."));
    window.LabelText(QString(), QStringLiteral(" "), QStringLiteral(" "));
    window.setProgress(1, 0);
    int total = 0, reports = 0;
    bool failed = false;
    QStringList extracted;
    const int n = list_->count();
    for (const QString& archive : archives) {
        if (state_->CancelRequested) break;
        reports = 0;
        const int position = list_->row(list_->findItems(archive, Qt::MatchExactly).value(0));
        const int first = (position + 1) * 100 / n;
        window.LabelText(QFileInfo(archive).fileName(), QStringLiteral("Archives:"),
                         QStringLiteral("Files:"));
        window.setProgress(first, 0);
        QApplication::processEvents();
        ZipExtractOptions options;
        options.only = only;
        options.progress = [&](int percent) {
            window.setProgress(first, percent);
            ++reports;
            QApplication::processEvents();
            return !state_->CancelRequested;
        };
        const ZipExtractResult r = ExtractZip(archive.toStdString(), folder.toStdString(), options);
        if (!r.error.empty()) log_.push_back(r.error);
        log_.insert(log_.end(), r.log.begin(), r.log.end());
        total += r.extracted;
        if (r.ok()) extracted << archive;
        // A failing archive stops nothing but the offer to recycle.
        failed = failed || !r.ok();
    }
    progress_ = nullptr;
    window.close();
    if (batch) open(QUrl::fromLocalFile(folder));  // Explore the files

    const bool cancelled = state_->CancelRequested;
    if (!log_.empty()) {
        QSaveFile file(LogPath());
        QDir().mkpath(QFileInfo(LogPath()).absolutePath());
        QByteArray text;
        for (const std::string& line : log_) text += QByteArray::fromStdString(line) + "\n";
        const bool saved = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                           file.commit();
        if (!saved)
            tell(MessageKind::Warning, QStringLiteral("Cannot write ") + LogPath() + '.');
        else if (ask(QString::number(total) +
                     QStringLiteral(" file(s) unzipped.\nThere were exceptions.  View log?")) &&
                 !open(QUrl::fromLocalFile(LogPath())))
            tell(MessageKind::Error, QStringLiteral("Text viewer not found."));
    } else if ((cancelled || failed) && reports > 0) {
        tell(MessageKind::Information,
             QStringLiteral("There were extraction errors.\nSome files were recovered."));
    } else if (!batch) {
        tell(MessageKind::Information, QString::number(total) + QStringLiteral(" file(s) unzipped."));
    }
    // Only archives whose every entry came out are offered for the trash.
    if (batch && !cancelled && !failed && log_.empty() && !extracted.isEmpty()) {
        bool recycle = quick;
        if (!quick) {
            QApplication::beep();
            const QString name = extracted.size() == 1
                                     ? QFileInfo(extracted.front()).fileName().toUpper()
                                     : QString::number(extracted.size()) + QStringLiteral(" ZIP files");
            recycle = ask(QStringLiteral("Recycle ") + name + QStringLiteral(" ?"));
        }
        if (recycle) {
            for (const QString& a : extracted) QFile::moveToTrash(a);
            onClear();
        }
    }
    SetStatus();
    if (batch) close();
    return total;
}

QString UnzipWindow::chooseFolder(const QString& start) {
    const QString caption = QStringLiteral("Batch ZIP extraction");
    if (folderHook) return folderHook(caption, start);
    return QFileDialog::getExistingDirectory(
        this, caption + QStringLiteral(" - Select destination for  ZIP file(s) extraction."), start);
}

bool UnzipWindow::ask(const QString& question) {
    if (askHook) return askHook(question);
    return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
}

void UnzipWindow::tell(MessageKind kind, const QString& text) {
    if (tellHook) {
        tellHook(kind, text);
        return;
    }
    switch (kind) {
        case MessageKind::Warning: QMessageBox::warning(this, windowTitle(), text); break;
        case MessageKind::Error: QMessageBox::critical(this, windowTitle(), text); break;
        default: QMessageBox::information(this, windowTitle(), text); break;
    }
}

bool UnzipWindow::open(const QUrl& url) {
    return openHook ? openHook(url) : QDesktopServices::openUrl(url);
}

}  // namespace vimbra

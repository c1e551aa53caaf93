#include "tools/unzip_window.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>

#include "desktop/zip_archive.h"

namespace vimbra {

UnzipWindow::UnzipWindow(QWidget* parent) : QMainWindow(parent) {
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
    extractAll_ = bar->addAction(QStringLiteral("Extract &All"), this, [this] { extractSelected(true); });
    QMenu* extract = bar->addMenu(QStringLiteral("&Extract"));
    extractSelected_ = extract->addAction(QStringLiteral("&Selected Zips"), this,
                                          [this] { extractSelected(false); });
    extract->addSeparator();
    extractSingle_ = extract->addAction(QStringLiteral("Single &File"), this, [this] { extractSingle(); });

    connect(list_, &QListWidget::itemSelectionChanged, this, &UnzipWindow::view);
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (QTableWidgetItem* item = grid_->item(row, 0)) selectedEntry_ = item->text();
        SetStatus();
    });
    SetStatus();
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
        tell(QString::fromStdString(listing.error));
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

int UnzipWindow::extractSelected(bool all, const QString& folder) {
    if (all) list_->selectAll();
    QStringList archives;
    for (QListWidgetItem* item : list_->selectedItems()) archives << item->text();
    return run(archives, {}, folder, true);
}

int UnzipWindow::extractSingle(const QString& folder) {
    if (selectedEntry_.isEmpty()) return 0;
    QStringList archives;
    for (QListWidgetItem* item : list_->selectedItems()) archives << item->text();
    return run(archives, {selectedEntry_.toStdString()}, folder, false);
}

int UnzipWindow::run(const QStringList& chosen, const std::vector<std::string>& only,
                     QString folder, bool offerTrash) {
    // Archives that went away leave the list first.
    QStringList archives;
    for (int i = list_->count() - 1; i >= 0; --i) {
        const QString path = list_->item(i)->text();
        if (!QFileInfo::exists(path)) {
            tell(QStringLiteral("Missing file!\n") + path + QStringLiteral("\nItem removed from list."));
            delete list_->takeItem(i);
        } else if (chosen.contains(path)) {
            archives.prepend(path);
        }
    }
    if (archives.isEmpty()) {
        tell(QStringLiteral("No ZIPs selected."));
        return 0;
    }
    if (folder.isEmpty()) folder = chooseFolder(QFileInfo(archives.front()).absolutePath());
    if (folder.isEmpty()) return 0;
    log_.clear();
    ZipExtractOptions options;
    options.only = only;
    int total = 0;
    bool failed = false;
    QStringList extracted;
    for (const QString& archive : archives) {
        const ZipExtractResult r = ExtractZip(archive.toStdString(), folder.toStdString(), options);
        if (!r.error.empty()) log_.push_back(r.error);
        log_.insert(log_.end(), r.log.begin(), r.log.end());
        total += r.extracted;
        if (r.ok()) extracted << archive;
        failed = failed || !r.ok();
    }
    if (!log_.empty()) {
        QString text;
        for (const std::string& line : log_) text += QString::fromStdString(line) + '\n';
        ask(QString::number(total) + QStringLiteral(" file(s) unzipped.\nThere were exceptions.\n\n") + text);
    } else if (!offerTrash) {
        tell(QString::number(total) + QStringLiteral(" file(s) unzipped."));
    }
    // Only archives whose every entry came out are offered for the trash.
    if (offerTrash && !failed && !extracted.isEmpty()) {
        const QString name = extracted.size() == 1
                                 ? QFileInfo(extracted.front()).fileName().toUpper()
                                 : QString::number(extracted.size()) + QStringLiteral(" ZIP files");
        if (ask(QStringLiteral("Recycle ") + name + QStringLiteral(" ?"))) {
            for (const QString& a : extracted) QFile::moveToTrash(a);
            onClear();
        }
    }
    SetStatus();
    return total;
}

QString UnzipWindow::chooseFolder(const QString& start) {
    if (folderHook) return folderHook(start);
    return QFileDialog::getExistingDirectory(this, QStringLiteral("Batch ZIP extraction"), start);
}

bool UnzipWindow::ask(const QString& question) {
    if (askHook) return askHook(question);
    return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
}

void UnzipWindow::tell(const QString& text) {
    if (tellHook) {
        tellHook(text);
        return;
    }
    QMessageBox::information(this, windowTitle(), text);
}

}  // namespace vimbra

#include "shell/thumbnail_grid_model.h"

#include <QPainter>
#include <algorithm>
#include <filesystem>

#include "batch/bookmarks.h"
#include "thumbnails/folder_pictures.h"

namespace vimbra {

ThumbnailGridModel::ThumbnailGridModel(thumbs::ThumbnailCache cache, thumbs::ThumbSize size,
                                       QObject* parent)
    : QAbstractListModel(parent), cache_(std::move(cache)), size_(size) {
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailGridModel::~ThumbnailGridModel() {
    // Results posted after this are dropped with the object's events.
    pool_.clear();
    pool_.waitForDone();
}

void ThumbnailGridModel::listFolder(const QString& folder) {
    folder_ = folder;
    const uint64_t generation = ++generation_;
    listing_ = true;
    pool_.start([this, generation, folder = folder.toStdString()] {
        std::string error;
        std::vector<std::string> files = thumbs::FolderPictures(folder, &error);
        QMetaObject::invokeMethod(
            this,
            [this, generation, files = std::move(files), error]() mutable {
                if (generation != generation_) return;
                listing_ = false;
                setFiles(std::move(files));
                emit listed(rowCount(), QString::fromStdString(error));
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailGridModel::setFiles(std::vector<std::string> files) {
    beginResetModel();
    ++generation_;  // also drops a listing still under way
    listing_ = false;
    queue_.clear();
    kept_.clear();
    cells_.clear();
    cells_.reserve(files.size());
    for (std::string& f : files) {
        Cell c;
        c.name = QString::fromStdString(std::filesystem::path(f).filename().string());
        c.path = std::move(f);
        cells_.push_back(std::move(c));
    }
    unwritableReported_ = false;
    endResetModel();
}

int ThumbnailGridModel::rowOf(const QString& path) const {
    const std::string p = path.toStdString();
    for (size_t i = 0; i < cells_.size(); ++i)
        if (SamePath(cells_[i].path, p)) return int(i);
    return -1;
}

QString ThumbnailGridModel::pathAt(int row) const {
    return row >= 0 && size_t(row) < cells_.size() ? QString::fromStdString(cells_[size_t(row)].path)
                                                  : QString();
}

int ThumbnailGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(cells_.size());
}

QVariant ThumbnailGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= cells_.size()) return {};
    const Cell& c = cells_[size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return c.name;
        case Qt::ToolTipRole: return c.state == Failed ? c.reason : QString::fromStdString(c.path);
        case kPathRole: return QString::fromStdString(c.path);
        case kStateRole: return int(c.state);
        case Qt::DecorationRole:
            return c.state == Ready ? c.pixmap : placeholder(c.state == Failed);
        default: return {};
    }
}

void ThumbnailGridModel::want(int row) {
    if (row < 0 || size_t(row) >= cells_.size() || cells_[size_t(row)].asked) return;
    cells_[size_t(row)].asked = true;
    queue_.push_back(row);
    pump();
}

void ThumbnailGridModel::pump() {
    while (running_ < pool_.maxThreadCount() && !queue_.empty()) {
        const int row = queue_.back();
        queue_.pop_back();
        ++running_;
        pool_.start([this, generation = generation_, row, path = cells_[size_t(row)].path] {
            thumbs::ThumbnailResult r;
            try {
                r = cache_.get(path, size_);
            } catch (const std::exception& e) {
                r.message = e.what();
            }
            QMetaObject::invokeMethod(
                this, [this, generation, row, r = std::move(r)]() mutable { finished(generation, row, std::move(r)); },
                Qt::QueuedConnection);
        });
    }
}

void ThumbnailGridModel::finished(uint64_t generation, int row, thumbs::ThumbnailResult r) {
    --running_;
    if (generation == generation_ && size_t(row) < cells_.size()) {
        Cell& c = cells_[size_t(row)];
        if (r.ok()) {
            c.state = Ready;
            c.pixmap = QPixmap::fromImage(r.image);
            kept_.push_back(row);
            if (kept_.size() > kKeptThumbnails) evictOldest();
            if (!r.storeError.empty() && !unwritableReported_) {
                unwritableReported_ = true;
                emit cacheUnwritable(QString::fromStdString(r.storeError));
            }
        } else {
            c.state = Failed;
            c.reason = QString::fromStdString(r.message);
        }
        const QModelIndex i = index(row);
        emit dataChanged(i, i, {Qt::DecorationRole, Qt::ToolTipRole, kStateRole});
    }
    pump();
}

void ThumbnailGridModel::evictOldest() {
    const int row = kept_.front();
    kept_.erase(kept_.begin());
    Cell& c = cells_[size_t(row)];
    c.pixmap = QPixmap();
    c.state = Waiting;
    c.asked = false;
}

QPixmap ThumbnailGridModel::placeholder(bool failed) const {
    QPixmap& p = failed ? failedPixmap_ : waitingPixmap_;
    if (p.isNull()) {
        const int s = side() * 3 / 4;
        p = QPixmap(s, s);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        painter.setPen(QPen(QColor(160, 160, 160), 2));
        painter.drawRect(QRect(1, 1, s - 2, s - 2));
        if (failed) {
            painter.setPen(QPen(QColor(200, 40, 40), 3));
            painter.drawLine(s / 4, s / 4, s * 3 / 4, s * 3 / 4);
            painter.drawLine(s * 3 / 4, s / 4, s / 4, s * 3 / 4);
        }
    }
    return p;
}

}  // namespace vimbra

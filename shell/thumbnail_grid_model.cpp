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
    // Workers stop at their next job; results posted after this are dropped
    // with the object's events.
    {
        std::lock_guard lock(mutex_);
        jobs_.clear();
    }
    pool_.clear();
    pool_.waitForDone();
}

std::vector<ThumbnailGridModel::Cell> ThumbnailGridModel::CellsOf(std::vector<std::string> files) {
    std::vector<Cell> cells(files.size());
    for (size_t i = 0; i < files.size(); ++i) cells[i].path = std::move(files[i]);
    return cells;
}

const QString& ThumbnailGridModel::NameOf(const Cell& c) {
    // Made when first asked for: most cells of a large folder never are.
    if (c.name.isNull()) {
        const size_t slash = c.path.rfind('/');
        c.name = QString::fromUtf8(c.path.c_str() + (slash == std::string::npos ? 0 : slash + 1));
    }
    return c.name;
}

void ThumbnailGridModel::listFolder(const QString& folder) {
    folder_ = folder;
    const uint64_t generation = ++generation_;
    listing_ = true;
    // Normal form, so that the cells' paths are too and rowOf can search them.
    const std::string root = std::filesystem::path(folder.toStdString()).lexically_normal().string();
    pool_.start([this, generation, root] {
        std::string error;
        std::vector<Cell> cells = CellsOf(thumbs::FolderPictures(root, &error));
        QMetaObject::invokeMethod(
            this,
            [this, generation, cells = std::move(cells), error]() mutable {
                if (generation != generation_) return;
                listing_ = false;
                takeCells(std::move(cells));
                emit listed(rowCount(), QString::fromStdString(error));
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailGridModel::setFiles(std::vector<std::string> files) {
    std::sort(files.begin(), files.end(),
              [](const std::string& a, const std::string& b) { return PathLessIgnoringCase(a, b); });
    takeCells(CellsOf(std::move(files)));
}

void ThumbnailGridModel::takeCells(std::vector<Cell> cells) {
    beginResetModel();
    ++generation_;  // also drops a listing still under way
    listing_ = false;
    {
        std::lock_guard lock(mutex_);
        outstanding_ -= int(jobs_.size());
        jobs_.clear();
    }
    kept_.clear();
    pixmaps_.clear();
    cells_ = std::move(cells);
    unwritableReported_ = false;
    endResetModel();
}

int ThumbnailGridModel::rowOf(const QString& path) const {
    if (path.isEmpty()) return -1;
    // The cells are in PathLessIgnoringCase order and in normal form.
    const std::string p = std::filesystem::path(path.toStdString()).lexically_normal().string();
    const auto it = std::lower_bound(cells_.begin(), cells_.end(), p, [](const Cell& c, const std::string& v) {
        return PathLessIgnoringCase(c.path, v);
    });
    return it != cells_.end() && it->path == p ? int(it - cells_.begin()) : -1;
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
        case Qt::AccessibleTextRole: return NameOf(c);
        case Qt::ToolTipRole: return c.state == Failed ? c.reason : QString::fromStdString(c.path);
        case kPathRole: return QString::fromStdString(c.path);
        case kStateRole: return int(c.state);
        case Qt::DecorationRole:
            if (c.state == Ready) return pixmaps_.at(index.row());
            return placeholder(c.state == Failed);
        default: return {};
    }
}

void ThumbnailGridModel::want(int row) {
    if (row < 0 || size_t(row) >= cells_.size() || cells_[size_t(row)].asked) return;
    cells_[size_t(row)].asked = true;
    ++outstanding_;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({generation_, row, cells_[size_t(row)].path});
    }
    startWorkers();
}

void ThumbnailGridModel::startWorkers() {
    std::lock_guard lock(mutex_);
    const int wanted = std::min<int>(pool_.maxThreadCount(), int(jobs_.size()));
    for (; workers_ < wanted; ++workers_) pool_.start([this] { work(); });
}

void ThumbnailGridModel::work() {
    for (;;) {
        Job job;
        {
            std::lock_guard lock(mutex_);
            if (jobs_.empty()) {
                --workers_;
                return;
            }
            job = std::move(jobs_.back());
            jobs_.pop_back();
        }
        thumbs::ThumbnailResult r;
        try {
            r = cache_.get(job.path, size_);
            // Converted here: the UI thread's pixmap is then a plain copy.
            if (r.ok()) r.image = r.image.convertToFormat(QImage::Format_RGB32);
        } catch (const std::exception& e) {
            r = {};
            r.message = e.what();
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation = job.generation, row = job.row, r = std::move(r)]() mutable {
                finished(generation, row, std::move(r));
            },
            Qt::QueuedConnection);
    }
}

void ThumbnailGridModel::finished(uint64_t generation, int row, thumbs::ThumbnailResult r) {
    --outstanding_;
    if (generation != generation_ || size_t(row) >= cells_.size()) return;
    Cell& c = cells_[size_t(row)];
    if (r.ok()) {
        c.state = Ready;
        pixmaps_[row] = QPixmap::fromImage(std::move(r.image));
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

void ThumbnailGridModel::evictOldest() {
    const int row = kept_.front();
    kept_.erase(kept_.begin());
    pixmaps_.erase(row);
    Cell& c = cells_[size_t(row)];
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

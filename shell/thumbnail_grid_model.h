#pragma once
// The cells of the thumbnail grid: one per picture of a folder, each asking for
// its thumbnail the first time the view paints it (so visible cells come first).
// The pool's threads take the rows asked for from a queue themselves and hand
// the thumbnails back to the UI thread, which never waits for one.
#include <QAbstractListModel>
#include <QImage>
#include <QPixmap>
#include <QThreadPool>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "thumbnails/thumbnail_cache.h"

namespace vimbra {

class ThumbnailGridModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kPathRole = Qt::UserRole + 1;   // QString, the full path
    static constexpr int kStateRole = Qt::UserRole + 2;  // int, a CellState
    enum CellState { Waiting = 0, Ready = 1, Failed = 2 };
    // Thumbnails kept decoded at once; cells beyond are fetched again when shown.
    static constexpr size_t kKeptThumbnails = 2000;

    explicit ThumbnailGridModel(thumbs::ThumbnailCache cache, thumbs::ThumbSize size,
                                QObject* parent = nullptr);
    ~ThumbnailGridModel() override;

    // Lists the folder's pictures on the pool; `listed` follows on this thread.
    void listFolder(const QString& folder);
    // Cells for these files (absolute, in normal form), in the bookmark sort's order.
    void setFiles(std::vector<std::string> files);
    const QString& folder() const { return folder_; }

    int rowOf(const QString& path) const;  // -1 when not listed
    QString pathAt(int row) const;
    int side() const { return thumbs::PixelsOf(size_); }
    // Nothing listed, made or waiting to be made (tests).
    bool idle() const { return outstanding_ == 0 && !listing_; }

    // Asks for the row's thumbnail unless it was asked for: the grid calls it
    // for each cell it paints, so visible cells come first.
    void want(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void listed(int count, const QString& error);
    // The cache could not be written: thumbnails stay in memory. Once a folder.
    void cacheUnwritable(const QString& message);

private:
    // Made on the listing thread, so a folder's worth costs the UI thread nothing.
    struct Cell {
        std::string path;
        mutable QString name;  // see NameOf
        QString reason;  // why the picture cannot be read
        CellState state = Waiting;
        bool asked = false;
    };
    struct Job {
        uint64_t generation = 0;
        int row = 0;
        std::string path;
    };
    static std::vector<Cell> CellsOf(std::vector<std::string> files);
    static const QString& NameOf(const Cell& c);
    void takeCells(std::vector<Cell> cells);
    void startWorkers();
    void work();
    void finished(uint64_t generation, int row, thumbs::ThumbnailResult result);
    void evictOldest();
    QPixmap placeholder(bool failed) const;

    thumbs::ThumbnailCache cache_;
    thumbs::ThumbSize size_;
    QString folder_;
    std::vector<Cell> cells_;
    std::unordered_map<int, QPixmap> pixmaps_;  // the Ready rows' thumbnails
    std::vector<int> kept_;  // rows holding a thumbnail, oldest first
    int outstanding_ = 0;    // rows asked for whose result has not come back
    bool listing_ = false;
    bool unwritableReported_ = false;
    uint64_t generation_ = 0;
    mutable QPixmap waitingPixmap_, failedPixmap_;

    std::mutex mutex_;       // guards jobs_ and workers_
    std::vector<Job> jobs_;  // the last asked is made first
    int workers_ = 0;
    QThreadPool pool_;  // last: waited for before the rest goes
};

}  // namespace vimbra

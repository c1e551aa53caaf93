#pragma once
// The cells of the thumbnail grid: one per picture of a folder, each asking for
// its thumbnail the first time the view paints it (so visible cells come first),
// the thumbnails made on a pool of threads and handed back to the UI thread.
#include <QAbstractListModel>
#include <QImage>
#include <QPixmap>
#include <QThreadPool>
#include <cstdint>
#include <string>
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
    void setFiles(std::vector<std::string> files);
    const QString& folder() const { return folder_; }

    int rowOf(const QString& path) const;  // -1 when not listed
    QString pathAt(int row) const;
    int side() const { return thumbs::PixelsOf(size_); }
    // Nothing listed, made or waiting to be made (tests).
    bool idle() const { return running_ == 0 && queue_.empty() && !listing_; }

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
    struct Cell {
        std::string path;
        QString name;
        QPixmap pixmap;
        QString reason;  // why the picture cannot be read
        CellState state = Waiting;
        bool asked = false;
    };
    void pump();
    void finished(uint64_t generation, int row, thumbs::ThumbnailResult result);
    void evictOldest();
    QPixmap placeholder(bool failed) const;

    thumbs::ThumbnailCache cache_;
    thumbs::ThumbSize size_;
    QString folder_;
    std::vector<Cell> cells_;
    std::vector<int> queue_;  // rows asked for; the last asked is made first
    std::vector<int> kept_;   // rows holding a thumbnail, oldest first
    int running_ = 0;
    bool listing_ = false;
    bool unwritableReported_ = false;
    uint64_t generation_ = 0;
    mutable QPixmap waitingPixmap_, failedPixmap_;
    QThreadPool pool_;  // last: waited for before the rest goes
};

}  // namespace vimbra

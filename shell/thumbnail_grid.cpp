#include "shell/thumbnail_grid.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace vimbra {
namespace {

// Keys the grid moves with, kept from the window's shortcuts of the same keys
// (Page Down is the viewer's next picture, Home its first...).
bool GridKey(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    // Delete (and Shift+Delete) are the grid's: the window's would take the viewer's picture.
    switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Delete: return true;
        default: return false;
    }
}

// Asks for a cell's thumbnail as the cell is painted; layout and size queries
// never do.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    ThumbnailDelegate(ThumbnailGridModel* model, QSize cell, QObject* parent)
        : QStyledItemDelegate(parent), model_(model), cell_(cell) {}
    // Every cell the same, whatever its picture: the layout never waits for one.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return cell_; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        model_->want(index.row());
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    ThumbnailGridModel* model_;
    QSize cell_;
};

}  // namespace

ThumbnailGrid::ThumbnailGrid(QWidget* parent, thumbs::ThumbnailCache cache, thumbs::ThumbSize size)
    : QListView(parent), model_(new ThumbnailGridModel(std::move(cache), size, this)) {
    setObjectName(QStringLiteral("ThumbnailGrid"));
    setAccessibleName(QStringLiteral("Thumbnails"));
    setModel(model_);
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideMiddle);
    setWordWrap(false);
    const int side = model_->side();
    setIconSize(QSize(side, side));
    const QSize cell(side + 16, side + fontMetrics().height() + 12);
    setItemDelegate(new ThumbnailDelegate(model_, cell, this));
    setGridSize(cell + QSize(8, 8));
    connect(model_, &ThumbnailGridModel::listed, this, &ThumbnailGrid::onListed);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.isValid()) emit openRequested(model_->pathAt(i.row()));
    });
}

void ThumbnailGrid::showFolder(const QString& folder, const QString& current) {
    pendingSelection_ = current;
    if (folder == model_->folder() && model_->rowCount() > 0) {
        selectFile(current);
        return;
    }
    model_->listFolder(folder);
}

void ThumbnailGrid::selectFile(const QString& path) {
    const int row = model_->rowOf(path);
    if (row < 0) {
        pendingSelection_ = path;
        return;
    }
    pendingSelection_.clear();
    const QModelIndex i = model_->index(row);
    setCurrentIndex(i);  // selects it alone
    scrollTo(i, QAbstractItemView::EnsureVisible);
}

void ThumbnailGrid::reload(const QString& current) {
    pendingSelection_ = current;
    model_->listFolder(model_->folder());
}

QString ThumbnailGrid::currentFile() const {
    return currentIndex().isValid() ? model_->pathAt(currentIndex().row()) : QString();
}

void ThumbnailGrid::onListed(int count, const QString& error) {
    if (count > 0) {
        const int row = std::max(0, model_->rowOf(pendingSelection_));
        setCurrentIndex(model_->index(row));
        scrollTo(model_->index(row), QAbstractItemView::EnsureVisible);
    }
    pendingSelection_.clear();
    emit folderShown(count, error);
}

bool ThumbnailGrid::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && GridKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QListView::event(event);
}

int ThumbnailGrid::columns() const {
    const int count = model_->rowCount();
    if (count == 0) return 1;
    const int top = visualRect(model_->index(0)).top();
    int n = 1;
    while (n < count && visualRect(model_->index(n)).top() == top) ++n;
    return n;
}

QModelIndex ThumbnailGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    if ((action != MovePageDown && action != MovePageUp) || !current.isValid())
        return QListView::moveCursor(action, modifiers);
    const int rows = std::max(1, viewport()->height() / std::max(1, gridSize().height()));
    const int step = rows * columns();
    const int last = model_->rowCount() - 1;
    const int target = action == MovePageDown ? std::min(last, current.row() + step)
                                              : std::max(0, current.row() - step);
    return model_->index(target);
}

void ThumbnailGrid::keyPressEvent(QKeyEvent* event) {
    // Enter opens even where the style activates on a single click.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        emit openRequested(currentFile());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && currentIndex().isValid()) {
        emit deleteRequested(currentFile());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

}  // namespace vimbra

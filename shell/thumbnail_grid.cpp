#include "shell/thumbnail_grid.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QStyledItemDelegate>
#include <algorithm>

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
    buildMenu();
}

void ThumbnailGrid::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("ThumbnailMenu"));
    menu_->setAccessibleName(QStringLiteral("Thumbnail commands"));
    const auto item = [this](const char* name, const QString& text) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    open_ = item("ThumbnailOpen", QStringLiteral("&Open"));
    bookmark_ = item("ThumbnailBookmark", QStringLiteral("&Bookmark"));
    slideshow_ = item("ThumbnailSlideshow", QStringLiteral("&Slideshow"));
    convertMenu_ = menu_->addMenu(QStringLiteral("&Convert"));
    convertMenu_->setObjectName(QStringLiteral("ThumbnailConvert"));
    convertMenu_->setAccessibleName(QStringLiteral("Convert"));
    menu_->addSeparator();
    delete_ = item("ThumbnailDelete", QStringLiteral("&Delete"));
    connect(open_, &QAction::triggered, this, [this] { emit openRequested(currentFile()); });
    connect(bookmark_, &QAction::triggered, this, &ThumbnailGrid::bookmarkRequested);
    connect(slideshow_, &QAction::triggered, this, &ThumbnailGrid::slideshowRequested);
    connect(delete_, &QAction::triggered, this, [this] { emit deleteRequested(currentFile()); });
}

void ThumbnailGrid::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // A click beside the selection acts on the cell clicked, as file managers do.
        const QModelIndex hit = indexAt(event->pos());
        if (hit.isValid() && !selectionModel()->isSelected(hit))
            selectionModel()->setCurrentIndex(hit, QItemSelectionModel::ClearAndSelect);
    } else if (currentIndex().isValid()) {
        at = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    }
    const qsizetype chosen = selectedFiles().size();
    const bool current = currentIndex().isValid();
    open_->setEnabled(current);
    delete_->setEnabled(current);
    bookmark_->setEnabled(chosen > 0);
    // A show and a batch need two pictures.
    slideshow_->setEnabled(chosen > 1);
    convertMenu_->setEnabled(chosen > 1);
    menu_->popup(at);
}

QStringList ThumbnailGrid::selectedFiles() const {
    QModelIndexList chosen = selectionModel()->selectedIndexes();
    std::sort(chosen.begin(), chosen.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList out;
    for (const QModelIndex& i : chosen) out << model_->pathAt(i.row());
    return out;
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
    // Alone, whatever keys the last click held.
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
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
        selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::ClearAndSelect);
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

#include "batch/gui/list_dialog.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "batch/bookmarks.h"

namespace vimbra {
namespace {

const QStringList& ConvertibleExtensions() {
    static const QStringList list = {"JPG", "JPEG", "PNG", "DCX", "PCX", "BMP",
                                     "DIB", "TIF", "TGA", "PCD", "PSD"};
    return list;
}

bool DefaultExists(const QString& path) { return BookmarkFileExists(path.toStdString()); }

bool SamePathIgnoringCase(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

ListModel::ListModel(int mode, QStringList entries, const std::vector<bool>& effectFlags,
                     const QString& currentPath, FileExists exists)
    : mode_(mode), currentPath_(currentPath), exists_(exists ? std::move(exists) : DefaultExists) {
    if (isConvertMode()) {
        for (const QString& e : entries)
            if (IsConvertible(e) && exists_(e)) entries_.append(e);
        selected_.assign(size_t(entries_.size()), true);
        return;
    }
    entries_ = std::move(entries);
    selected_.assign(size_t(entries_.size()), false);
    if (mode_ == kListEffects) {
        for (size_t i = 0; i < selected_.size() && i < effectFlags.size(); ++i)
            selected_[i] = effectFlags[i];
    } else if (mode_ == kListFileOps) {
        selected_.assign(selected_.size(), true);
    } else if (mode_ == kListBookmarks) {
        for (int i = 0; i < entries_.size(); ++i)
            if (SamePathIgnoringCase(entries_[i], currentPath_)) {
                selected_[size_t(i)] = true;
                break;
            }
    }
}

QString ListModel::countText() const {
    return QString::number(entries_.size()) + QStringLiteral(" item(s)");
}

void ListModel::setSelected(int index, bool on) {
    if (index < 0 || index >= count()) return;
    if (mode_ == kListBookmarks && on) selected_.assign(selected_.size(), false);
    selected_[size_t(index)] = on;
}

void ListModel::selectOnly(int index) {
    selected_.assign(selected_.size(), false);
    setSelected(index, true);
}

void ListModel::removeSelected() {
    QStringList kept;
    for (int i = 0; i < entries_.size(); ++i)
        if (!selected_[size_t(i)]) kept.append(entries_[i]);
    entries_ = std::move(kept);
    selected_.assign(size_t(entries_.size()), false);
}

void ListModel::clearToFirst() { selectOnly(0); }

void ListModel::sortAll() {
    std::stable_sort(entries_.begin(), entries_.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    entries_.erase(std::unique(entries_.begin(), entries_.end()), entries_.end());
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [this](const QString& e) { return !exists_(e); }),
                   entries_.end());
    selected_.assign(size_t(entries_.size()), false);
    for (int i = 0; i < entries_.size(); ++i)
        if (SamePathIgnoringCase(entries_[i], currentPath_)) {
            selected_[size_t(i)] = true;
            break;
        }
}

QStringList ListModel::selectedEntries() const {
    QStringList out;
    for (int i = 0; i < entries_.size(); ++i)
        if (selected_[size_t(i)]) out.append(entries_[i]);
    return out;
}

int ListModel::selectedIndex() const {
    const auto it = std::find(selected_.begin(), selected_.end(), true);
    return it == selected_.end() ? 0 : int(it - selected_.begin());
}

bool ListModel::IsConvertible(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), -1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return false;
    return ConvertibleExtensions().contains(name.mid(dot + 1), Qt::CaseInsensitive);
}

int ListModel::HelpContext(int mode) {
    if (mode == kListEffects) return 300;
    if (mode >= kListConvertFirst && mode <= kListConvertLast) return 115;
    return 0;
}

ListDialog::ListDialog(int mode, const QString& caption, const QStringList& list,
                   const ListDialogOptions& options, QWidget* parent)
    : QDialog(parent),
      model_(mode, {}, {}, options.currentPath, options.exists),
      options_(options) {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("List Dialog") : caption);
    resize(400, 400);
    label_ = new QLabel(this);
    label_->setWordWrap(true);
    view_ = new QListWidget(this);
    view_->setAccessibleName(caption);
    view_->setUniformItemSizes(true);
    view_->setSelectionMode(mode == kListBookmarks ? QAbstractItemView::SingleSelection
                                                   : QAbstractItemView::ExtendedSelection);
    btnFirst_ = new QPushButton(QStringLiteral("Cl&ear"), this);
    btnOk_ = new QPushButton(QStringLiteral("&Ok"), this);
    btnOk_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnHelp_ = new QPushButton(QStringLiteral("&Help"), this);
    countPanel_ = new QLabel(this);
    countPanel_->setFrameShape(QFrame::Panel);
    countPanel_->setFrameShadow(QFrame::Sunken);
    auto* bar = new QHBoxLayout;
    for (QPushButton* b : {btnFirst_, btnOk_, btnCancel_, btnHelp_}) bar->addWidget(b);
    bar->addWidget(countPanel_, 1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(label_);
    main->addWidget(view_, 1);
    main->addLayout(bar);

    connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnFirst_, &QPushButton::clicked, this, &ListDialog::firstButtonClick);
    connect(btnHelp_, &QPushButton::clicked, this, [this] {
        if (options_.help) options_.help(ListModel::HelpContext(model_.mode()));
    });
    connect(view_, &QListWidget::itemSelectionChanged, this, &ListDialog::viewSelectionChanged);

    if (model_.isConvertMode()) {
        label_->setText(QStringLiteral("Checking %1 files ...").arg(list.size()));
        btnFirst_->setText(QStringLiteral("&Settings"));
        btnFirst_->setEnabled(mode == kListConvertFirst);
    } else if (mode == kListFileOps) {
        btnFirst_->setText(QStringLiteral("&Settings"));
        btnFirst_->setEnabled(false);
    } else if (mode == kListBookmarks) {
        label_->setText(QStringLiteral("Select item or press DELETE to remove selected item."));
        btnFirst_->setText(QStringLiteral("&Sort all"));
    }
    static const std::vector<bool> none;
    model_ = ListModel(mode, list, options.effectFlags ? *options.effectFlags : none,
                       options.currentPath, options.exists);
    if (model_.isConvertMode()) {
        label_->clear();
        if (model_.count() == 0) {
            label_->setText(QStringLiteral("No bookmarked files were eligible for compression."));
            btnOk_->setEnabled(false);
            btnFirst_->setEnabled(false);
        }
    }
    refresh();
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ListDialog::refresh() {
    refreshing_ = true;
    view_->clear();
    view_->addItems(model_.entries());
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < model_.count(); ++i)
        if (model_.selected()[size_t(i)]) {
            view_->item(i)->setSelected(true);
            if (!first) first = view_->item(i);
        }
    if (first) {
        view_->setCurrentItem(first, QItemSelectionModel::NoUpdate);
        view_->scrollToItem(first);
    }
    countPanel_->setText(model_.countText());
    refreshing_ = false;
}

void ListDialog::viewSelectionChanged() {
    if (refreshing_) return;
    for (int i = 0; i < view_->count(); ++i) {
        const bool on = view_->item(i)->isSelected();
        if (model_.selected()[size_t(i)] != on) model_.setSelected(i, on);
    }
}

void ListDialog::firstButtonClick() {
    switch (model_.mode()) {
        case kListEffects: model_.clearToFirst(); break;
        case kListBookmarks: model_.sortAll(); break;
        default:
            if (options_.settings) options_.settings();
            return;
    }
    refresh();
}

void ListDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && model_.mode() != kListEffects) {
        model_.removeSelected();
        refresh();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int ShowListDialog(QWidget* parent, int mode, const QString& caption, QStringList& list,
                   const ListDialogOptions& options) {
    ListDialog dlg(mode, caption, list, options, parent);
    if (dlg.exec() != QDialog::Accepted) return -1;
    const ListModel& m = dlg.model();
    if (mode == kListEffects) {
        if (options.effectFlags) *options.effectFlags = m.selectionFlags();
        const auto flags = m.selectionFlags();
        return int(std::count(flags.begin(), flags.end(), true));
    }
    if (m.isConvertMode() || mode == kListFileOps) {
        list = m.selectedEntries();
        return int(list.size());
    }
    list = m.entries();
    return m.selectedIndex();
}

}  // namespace vimbra

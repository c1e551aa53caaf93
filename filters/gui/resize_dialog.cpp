#include "filters/gui/resize_dialog.h"
#include "ui/click_filter.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "filters/gui/scroll_dialog.h"

namespace vimbra {
namespace {

constexpr int kSpinLimit = 32760;
constexpr int kModeKeepAspectOff = 999;

void Beep() { QApplication::beep(); }


double PercentOf(const QString& text, bool* ok) { return text.trimmed().toDouble(ok); }

}  // namespace

Clamped ClampValue(int value, int lo, int hi) {
    const int v = std::clamp(value, lo, std::max(lo, hi));
    return {v, v != value};
}

int AspectSide(int value, int initial, int initialOther) {
    if (initial <= 0) return value;
    return int(std::nearbyint(double(value) / initial * initialOther));
}

namespace {
QSize FitBoth(int w, int h, int iw, int ih, int maxW, int maxH) {
    for (int round = 0; round < 4 && (w > maxW || h > maxH || h < 0 || w < 0); ++round) {
        if (h > maxH || h < 0) {
            h = maxH;
            w = AspectSide(h, ih, iw);
        }
        if (w > maxW || w < 0) {
            w = maxW;
            h = AspectSide(w, iw, ih);
        }
    }
    // Very flat or tall pictures must not reach a side of 0.
    return {std::clamp(w, 1, std::max(maxW, 1)), std::clamp(h, 1, std::max(maxH, 1))};
}
}  // namespace

QSize AspectFit(int width, int iw, int ih, int maxW, int maxH) {
    return FitBoth(width, AspectSide(width, iw, ih), iw, ih, maxW, maxH);
}

QSize AspectFitHeight(int height, int iw, int ih, int maxW, int maxH) {
    return FitBoth(AspectSide(height, ih, iw), height, iw, ih, maxW, maxH);
}

Clamped PercentToSize(double percent, int initial, int max) {
    const int64_t p = int64_t(std::nearbyint(percent * 100));
    const int64_t size = (p * initial + 5000) / 10000;
    const int64_t v = std::clamp<int64_t>(size, 1, std::max(max, 1));
    return {int(v), v != size};
}

int SizeToPercent(int value, int initial) {
    return initial > 0 ? int(std::nearbyint(100.0 * value / initial)) : 100;
}

QString PercentStepUp(const QString& text) {
    bool ok = false;
    const double p = PercentOf(text, &ok);
    return QString::number(int64_t(std::floor(ok ? p : 0)) + 1) + QStringLiteral(".9");
}

QString PercentStepDown(const QString& text) {
    bool ok = false;
    const double p = PercentOf(text, &ok);
    return QString::number(std::max<int64_t>(0, int64_t(std::ceil(ok ? p : 0)) - 1));
}

ResizeDialog::ResizeDialog(int x, int y, int width, int height, const QString& title, int mode,
                         int maxHeight, int maxWidth, QWidget* parent)
    : QDialog(parent), mode_(mode), maxWidth_(maxWidth), maxHeight_(maxHeight), initX_(x),
      initY_(y), initWidth_(width), initHeight_(height), x_(x), y_(y), width_(width),
      height_(height), color_(Qt::black) {
    setWindowTitle(title);
    auto* grid = new QGridLayout;
    auto makeSpin = [this](int lo) {
        auto* spin = new QSpinBox(this);
        spin->setRange(lo - 1, 99999);  // typed values are clamped by us, with a beep
        spin->setKeyboardTracking(true);
        return spin;
    };
    EditWidth = makeSpin(1);
    EditHeight = makeSpin(1);
    auto addRow = [&](int row, const QString& text, QWidget* editor) {
        auto* label = new QLabel(text, this);
        label->setBuddy(editor);
        grid->addWidget(label, row, 0);
        grid->addWidget(editor, row, 1);
        return label;
    };
    addRow(0, QStringLiteral("&Width:"), EditWidth);
    addRow(1, QStringLiteral("&Height:"), EditHeight);
    if (scalingForm()) {
        auto makePercent = [this](bool horizontal) {
            auto* box = new QWidget(this);
            auto* row = new QHBoxLayout(box);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(1);
            auto* edit = new QLineEdit(box);
            auto* up = new QToolButton(box);
            up->setArrowType(Qt::UpArrow);
            auto* down = new QToolButton(box);
            down->setArrowType(Qt::DownArrow);
            const QString axis = horizontal ? QStringLiteral("Horizontal") : QStringLiteral("Vertical");
            edit->setAccessibleName(axis + QStringLiteral(" %"));
            up->setAccessibleName(axis + QStringLiteral(" % up"));
            down->setAccessibleName(axis + QStringLiteral(" % down"));
            row->addWidget(edit);
            row->addWidget(up);
            row->addWidget(down);
            connect(edit, &QLineEdit::textEdited, this, [this, horizontal] { percentEdited(horizontal); });
            connect(up, &QToolButton::clicked, this, [this, edit, horizontal] {
                edit->setText(PercentStepUp(edit->text()));
                percentEdited(horizontal);
            });
            connect(down, &QToolButton::clicked, this, [this, edit, horizontal] {
                edit->setText(PercentStepDown(edit->text()));
                percentEdited(horizontal);
            });
            return std::pair{box, edit};
        };
        auto [xBox, xEdit] = makePercent(true);
        auto [yBox, yEdit] = makePercent(false);
        EditXScale = xEdit;
        EditYScale = yEdit;
        LabelX = addRow(2, QStringLiteral("&XScale:"), xBox);
        LabelY = addRow(3, QStringLiteral("&YScale:"), yBox);
    } else {
        EditX = makeSpin(0);
        EditY = makeSpin(0);
        LabelX = addRow(2, QStringLiteral("&X Pos"), EditX);
        LabelY = addRow(3, QStringLiteral("&Y Pos"), EditY);
        if (x == -1 || y == -1) {
            LabelX->hide();
            LabelY->hide();
            EditX->hide();
            EditY->hide();
        }
    }

    Aspect = new QCheckBox(QStringLiteral("&Keep Aspect Ratio"), this);
    Aspect->setChecked(mode != kModeKeepAspectOff);
    CopyOp = new QComboBox(this);
    CopyOp->addItems({QStringLiteral("Normal"), QStringLiteral("Preserve Black"),
                      QStringLiteral("Preserve White")});
    const bool monochrome = mode < 2;
    CopyOp->setCurrentIndex(monochrome ? 1 : 0);
    CopyOp->setEnabled(monochrome);
    PanelBorderColor = new QFrame(this);
    PanelBorderColor->setFrameShape(QFrame::Panel);
    PanelBorderColor->setFrameShadow(QFrame::Sunken);
    PanelBorderColor->setMinimumSize(64, 22);
    PanelBorderColor->setAutoFillBackground(true);
    PanelBorderColor->installEventFilter(new ClickFilter(this, [this] { pickColor(); }));
    auto* colorLabel = new QLabel(QStringLiteral("Color"), this);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(PanelBorderColor);
    const bool showColor = mode == -2;
    colorLabel->setVisible(showColor);
    PanelBorderColor->setVisible(showColor);
    if (!scalingForm()) {
        Aspect->hide();
        CopyOp->hide();
    }

    btnReset = new QPushButton(QStringLiteral("&Reset"), this);
    auto* btnOK = new QPushButton(QStringLiteral("Ok"), this);
    btnOK->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(btnOK, &QPushButton::clicked, this, &ResizeDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnReset, &QPushButton::clicked, this, &ResizeDialog::reset);
    btnReset->setVisible(scalingForm());
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnReset);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addLayout(grid);
    main->addWidget(Aspect);
    main->addWidget(CopyOp);
    main->addLayout(colorRow);
    main->addLayout(buttons);

    connect(EditWidth, &QSpinBox::valueChanged, this, &ResizeDialog::widthChanged);
    connect(EditHeight, &QSpinBox::valueChanged, this, &ResizeDialog::heightChanged);
    if (EditX) {
        connect(EditX, &QSpinBox::valueChanged, this, &ResizeDialog::positionChanged);
        connect(EditY, &QSpinBox::valueChanged, this, &ResizeDialog::positionChanged);
    }
    reset();
}

void ResizeDialog::reset() {
    x_ = initX_;
    y_ = initY_;
    setSize({initWidth_, initHeight_});
    if (EditX) {
        updating_ = true;
        EditX->setValue(std::max(x_, 0));
        EditY->setValue(std::max(y_, 0));
        updating_ = false;
    }
    showPercentages();
    QPalette pal = PanelBorderColor->palette();
    pal.setColor(QPalette::Window, color_);
    PanelBorderColor->setPalette(pal);
}

void ResizeDialog::setSize(QSize size) {
    width_ = size.width();
    height_ = size.height();
    updating_ = true;
    EditWidth->setValue(width_);
    EditHeight->setValue(height_);
    updating_ = false;
}

void ResizeDialog::showPercentages() {
    if (!EditXScale) return;
    if (!EditXScale->hasFocus()) EditXScale->setText(QString::number(SizeToPercent(width_, initWidth_)));
    if (!EditYScale->hasFocus())
        EditYScale->setText(QString::number(SizeToPercent(height_, initHeight_)));
}

void ResizeDialog::widthChanged(int value) {
    if (updating_) return;
    if (scalingForm()) {
        const Clamped c = ClampValue(value, 1, maxWidth_);
        if (c.changed) Beep();
        setSize(Aspect->isChecked()
                    ? AspectFit(c.value, initWidth_, initHeight_, maxWidth_, maxHeight_)
                    : QSize(c.value, height_));
        showPercentages();
        return;
    }
    const Clamped c = ClampValue(value, 1, std::min(kSpinLimit, maxWidth_ - std::max(x_, 0)));
    if (c.changed) Beep();
    setSize({c.value, height_});
}

void ResizeDialog::heightChanged(int value) {
    if (updating_) return;
    if (scalingForm()) {
        const Clamped c = ClampValue(value, 1, maxHeight_);
        if (c.changed) Beep();
        setSize(Aspect->isChecked()
                    ? AspectFitHeight(c.value, initWidth_, initHeight_, maxWidth_, maxHeight_)
                    : QSize(width_, c.value));
        showPercentages();
        return;
    }
    const Clamped c = ClampValue(value, 1, std::min(kSpinLimit, maxHeight_ - std::max(y_, 0)));
    if (c.changed) Beep();
    setSize({width_, c.value});
}

void ResizeDialog::percentEdited(bool horizontal) {
    QLineEdit* edit = horizontal ? EditXScale : EditYScale;
    bool ok = false;
    const double p = PercentOf(edit->text(), &ok);
    if (!ok) return;
    const Clamped c = PercentToSize(p, horizontal ? initWidth_ : initHeight_,
                                    horizontal ? maxWidth_ : maxHeight_);
    if (c.changed) Beep();
    QSize size = horizontal ? QSize(c.value, height_) : QSize(width_, c.value);
    if (Aspect->isChecked())
        size = horizontal ? AspectFit(c.value, initWidth_, initHeight_, maxWidth_, maxHeight_)
                          : AspectFitHeight(c.value, initWidth_, initHeight_, maxWidth_, maxHeight_);
    setSize(size);
    // The box being typed in keeps its text; the other follows.
    QLineEdit* other = horizontal ? EditYScale : EditXScale;
    other->setText(QString::number(
        horizontal ? SizeToPercent(height_, initHeight_) : SizeToPercent(width_, initWidth_)));
}

void ResizeDialog::positionChanged() {
    if (updating_ || EditX->isHidden()) return;
    const Clamped cx = ClampValue(EditX->value(), 0, std::min(kSpinLimit, maxWidth_ - width_));
    const Clamped cy = ClampValue(EditY->value(), 0, std::min(kSpinLimit, maxHeight_ - height_));
    if (cx.changed || cy.changed) Beep();
    x_ = cx.value;
    y_ = cy.value;
    updating_ = true;
    EditX->setValue(x_);
    EditY->setValue(y_);
    updating_ = false;
}

void ResizeDialog::pickColor() {
    const QColor chosen = QColorDialog::getColor(color_, this);
    if (!chosen.isValid()) return;
    color_ = chosen;
    QPalette pal = PanelBorderColor->palette();
    pal.setColor(QPalette::Window, color_);
    PanelBorderColor->setPalette(pal);
}

void ResizeDialog::accept() {
    width_ = std::min(width_, maxWidth_);
    height_ = std::min(height_, maxHeight_);
    QDialog::accept();
}

ResizeResult ResizeDialog::result() const {
    ResizeResult r;
    r.x = x_;
    r.y = y_;
    r.width = width_;
    r.height = height_;
    r.copyOp = CopyOp->currentIndex();
    r.color = color_;
    return r;
}

ResizeResult ExecuteResizeDialog(QWidget* parent, int x, int y, int width, int height,
                               const QString& title, int mode, int maxHeight, int maxWidth) {
    ResizeDialog dlg(x, y, width, height, title, mode, maxHeight, maxWidth, parent);
    dlg.adjustSize();
    if (const QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        dlg.move(CentreOnPointer(dlg.size(), QCursor::pos(), screen->availableGeometry()));
    if (dlg.exec() != QDialog::Accepted) {
        ResizeResult r = dlg.result();
        r.width = r.height = -1;
        return r;
    }
    return dlg.result();
}

}  // namespace vimbra

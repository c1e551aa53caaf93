#include "filters/gui/scroll_dialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCursor>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>

#include "core/frame_host.h"

namespace vimbra {
namespace {

constexpr int kClientWidth = 295, kClientHeight = 186;
// The option buttons start below the frame's caption, not on its line.
constexpr int kGroupTop = 82, kGroupHeight = 64, kButtonTop = 154, kOptionTop = 22;

// Enter in the value box applies the text instead of pressing Ok.
class EnterFilter : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void()> onEnter)
        : QObject(parent), onEnter_(std::move(onEnter)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnter_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onEnter_;
};

}  // namespace

ScrollTextResult ApplyScrollText(const QString& text, const ScrollDialogSettings& p) {
    ScrollTextResult r;
    if (text.isEmpty()) {
        r.ignored = true;
        return r;
    }
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok) {
        r.value = p.Position;
        r.text = QString::number(p.Position);
    } else if (v > p.Max) {
        r.value = p.Max;
        r.text = QString::number(p.Max);
    } else if (v < p.Min) {
        r.value = p.Min;
        r.text = QString::number(p.Min);
    } else {
        r.value = int32_t(v);
    }
    return r;
}

QString HexText(int32_t value) {
    return QStringLiteral("%1").arg(uint32_t(value), 8, 16, QLatin1Char('0')).toUpper();
}

QString PresetText(int index, int32_t value) {
    return QStringLiteral("&%1 = %2").arg(QChar('a' + index)).arg(value);
}

QPoint CentreOnPointer(QSize dialog, QPoint pointer, QRect screen) {
    int x = pointer.x() - dialog.width() / 2;
    int y = pointer.y() - dialog.height() / 2;
    x = std::min(x, screen.x() + screen.width() - dialog.width());
    y = std::min(y, screen.y() + screen.height() - dialog.height());
    return {std::max(x, screen.x()), std::max(y, screen.y())};
}

ScrollDialog::ScrollDialog(const QString& title, const QString& lowLabel, const QString& highLabel,
                     const ScrollDialogSettings& param, QWidget* parent)
    : QDialog(parent), param_(param) {
    setWindowTitle(title);
    LabelMin = new QLabel(this);
    LabelMin->setGeometry(8, 8, 136, 16);
    LabelMax = new QLabel(this);
    LabelMax->setGeometry(151, 8, 136, 16);
    LabelMax->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CustomScrollBar = new QScrollBar(Qt::Horizontal, this);
    CustomScrollBar->setGeometry(8, 28, 279, 18);
    UserTrackBar = new QSlider(Qt::Horizontal, this);
    UserTrackBar->setGeometry(8, 26, 279, 26);
    UserTrackBar->setTickPosition(QSlider::TicksBelow);
    CustomSetting = new QLineEdit(this);
    // The title says what the value is.
    for (QWidget* w : std::initializer_list<QWidget*>{CustomScrollBar, UserTrackBar, CustomSetting})
        w->setAccessibleName(title);
    CustomSetting->setGeometry(8, 54, 80, 22);
    HexLabel = new QLabel(this);
    HexLabel->setGeometry(96, 58, 100, 16);
    GroupOptions = new QGroupBox(QStringLiteral("Preset options"), this);
    GroupOptions->setGeometry(8, kGroupTop, 279, kGroupHeight);
    optionButtons = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        auto* item = new QRadioButton(PresetText(i, param.Presets[i]), GroupOptions);
        item->setGeometry(8 + (i % 3) * 90, kOptionTop + (i / 3) * 20, 86, 18);
        optionButtons->addButton(item, i);
    }
    auto* btnOK = new QPushButton(QStringLiteral("Ok"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    connect(btnOK, &QPushButton::clicked, this, &ScrollDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (param.UseTrackBar) {
        CustomScrollBar->hide();
        CustomSetting->hide();
        UserTrackBar->setRange(param.Min, param.Max);
        UserTrackBar->setValue(param.Position);
        LabelMin->setText(lowLabel);
        LabelMax->setText(highLabel);
        LabelMin->move(GroupOptions->x() + 4, LabelMin->y());
    } else {
        UserTrackBar->hide();
        CustomScrollBar->setRange(param.Min, param.Max);
        CustomScrollBar->setValue(param.Position);
        CustomScrollBar->setPageStep(param.LargeStep);
        CustomScrollBar->setSingleStep(param.SmallStep);
        LabelMin->setText(lowLabel.isEmpty() ? QString::number(param.Min) : lowLabel);
        LabelMax->setText(highLabel.isEmpty() ? QString::number(param.Max) : highLabel);
        CustomSetting->setText(QString::number(param.Position));
        connect(CustomScrollBar, &QScrollBar::valueChanged, this, &ScrollDialog::scrollChanged);
        connect(CustomSetting, &QLineEdit::textEdited, this, &ScrollDialog::textEdited);
        CustomSetting->installEventFilter(new EnterFilter(this, [this] {
            applyText(CustomSetting->text());
            typing_ = false;
        }));
    }
    HexLabel->setText(HexText(param.Position));
    HexLabel->setVisible(param.Max >= 0x100000 && !param.UseTrackBar);
    connect(optionButtons, &QButtonGroup::idClicked, this, &ScrollDialog::presetClicked);

    int height = kClientHeight, buttonTop = kButtonTop;
    if (!param.ShowPresets) {
        GroupOptions->hide();
        height -= kGroupHeight + 12;
        buttonTop -= kGroupHeight + 12;
    }
    btnOK->setGeometry(126, buttonTop, 75, 25);
    btnCancel->setGeometry(212, buttonTop, 75, 25);
    setFixedSize(kClientWidth, height);
}

int32_t ScrollDialog::value() const {
    return param_.UseTrackBar ? UserTrackBar->value() : CustomScrollBar->value();
}

void ScrollDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (param_.UseTrackBar)
        UserTrackBar->setValue(param_.Position);
    else
        CustomSetting->setFocus();
}

void ScrollDialog::scrollChanged(int position) {
    if (typing_) return;
    CustomSetting->setText(QString::number(position));
    HexLabel->setText(HexText(position));
}

void ScrollDialog::textEdited(const QString& text) {
    // Clamping at each keystroke would turn "1" of "130" into the minimum and
    // the rest into the maximum: only a number in range moves the bar now.
    typing_ = true;
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (ok && v >= param_.Min && v <= param_.Max) CustomScrollBar->setValue(int(v));
}

void ScrollDialog::accept() {
    if (typing_ && !param_.UseTrackBar) {
        applyText(CustomSetting->text());
        typing_ = false;
    }
    QDialog::accept();
}

void ScrollDialog::applyText(const QString& text) {
    const ScrollTextResult r = ApplyScrollText(text, param_);
    if (r.ignored) return;
    if (r.text) CustomSetting->setText(*r.text);
    CustomScrollBar->setValue(r.value);
}

void ScrollDialog::presetClicked(int index) {
    typing_ = false;
    CustomSetting->setText(QString::number(param_.Presets[index]));
    applyText(CustomSetting->text());
    accept();
}

int ExecuteScrollDlg(QWidget* parent, const QString& title, const QString& lowLabel,
                     const QString& highLabel, const ScrollDialogSettings& param) {
    ScrollDialog dlg(title, lowLabel, highLabel, param, parent);
    if (const QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        dlg.move(CentreOnPointer(dlg.size(), QCursor::pos(), screen->availableGeometry()));
    return dlg.exec() == QDialog::Accepted ? dlg.value() : kDialogCancelled;
}

}  // namespace vimbra

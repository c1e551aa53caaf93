#include "tools/effects_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "core/tone_curves.h"
#include "core/workspace.h"
#include "filters/jpeg_wizard.h"
#include "shell/display_colours.h"
#include "shell/picture_view.h"
#include "tools/jpeg_compressor_group.h"

namespace vimbra {
namespace {

constexpr int kViewSize = 360;  // the after view's client area
constexpr int kJpegViewHeight = 372;
constexpr int kHelpEffects = 400;
constexpr int kHelpJpegWizard = 115;

bool IsJpegCode(int code) { return code == 998 || code == 999; }

QString Plain(const std::string& caption) {
    return QString::fromStdString(caption).remove(QLatin1Char('&')).trimmed();
}

}  // namespace

// ---- Before view -----------------------------------------------------------

BeforeView::BeforeView(const Bitmap& picture, QWidget* parent)
    : QAbstractScrollArea(parent), picture_(picture), image_(PictureView::WrapBitmap(picture)) {
    setAccessibleName(QStringLiteral("Original image"));
    viewport()->setCursor(Qt::CrossCursor);
    setFixedSize(kViewSize, 192);
    updateRanges();
}

void BeforeView::setColourProfile(const std::vector<uint8_t>* icc) {
    profile_ = icc;
    converted_ = QImage();
    convertedPart_ = QRect();
    viewport()->update();
}

const QImage& BeforeView::displayed(const QRect& part) {
    if (!profile_ || profile_->empty()) return image_;
    if (part != convertedPart_) {
        convertedPart_ = part;
        // Only the part in view is converted; a palette converts as a whole.
        const bool rows = picture_.depth() == 24;
        Bitmap shown = rows ? CopyRegion(picture_, {part.x(), part.y(), part.width(), part.height()})
                            : picture_;
        const bool ok = ToDisplayColours(shown, *profile_);
        converted_ = !ok ? QImage()
                         : rows ? PictureView::WrapBitmap(shown).copy()
                                : PictureView::WrapBitmap(shown).copy(part);
    }
    return converted_.isNull() ? image_ : converted_;
}

QPoint BeforeView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void BeforeView::scrollTo(QPoint topLeft) {
    horizontalScrollBar()->setValue(topLeft.x());
    verticalScrollBar()->setValue(topLeft.y());
}

void BeforeView::updateRanges() {
    const QSize v = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, picture_.width() - v.width()));
    verticalScrollBar()->setRange(0, std::max(0, picture_.height() - v.height()));
    horizontalScrollBar()->setPageStep(v.width());
    verticalScrollBar()->setPageStep(v.height());
}

void BeforeView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateRanges();
}

void BeforeView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().window());
    if (image_.isNull()) return;
    // Only the part in view is drawn, whatever the picture's size.
    const QPoint s = scrollPosition();
    const QRect part = QRect(s, viewport()->size()).intersected(image_.rect());
    const QImage& shown = displayed(part);
    if (&shown == &image_) painter.drawImage(QPoint(0, 0), image_, part);
    else painter.drawImage(QPoint(0, 0), shown);
}

void BeforeView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint() + scrollPosition();
    if (p.x() >= 0 && p.y() >= 0 && p.x() < picture_.width() && p.y() < picture_.height())
        emit picked(p.x(), p.y());
}

// ---- Dialog ----------------------------------------------------------------

EffectsDialog::EffectsDialog(Workspace& ws, const FilterDlgParam& param, QWidget* parent,
                             JpegWizardSettings* jpeg, bool colourManage)
    : QDialog(parent),
      ws_(ws),
      colourManage_(colourManage),
      session_(std::make_unique<EffectSession>(param, ws)),
      jpeg_(IsJpegCode(param.EffectCode) ? jpeg : nullptr) {
    setWindowTitle(QString::fromStdString(param.title));
    const EffectLayout& layout = session_->layout();

    // The wizard shows and compresses a 24-bit copy; the working picture stays.
    if (jpeg_ && !ws.Image.isEmpty() && ws.Image.depth() != 24) {
        picture24_ = ws.Image;
        picture24_.convertTo24();
    }
    chkScrollbars_ = new QCheckBox(QStringLiteral("Show scroll bars"), this);
    chkScrollbars_->setChecked(true);
    before_ = new BeforeView(source(), this);
    if (colourManage_) before_->setColourProfile(&ws_.Metadata.icc);
    connect(before_, &BeforeView::picked, this, &EffectsDialog::pickAt);
    connect(chkScrollbars_, &QCheckBox::toggled, this, [this](bool on) {
        const Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
        before_->setHorizontalScrollBarPolicy(policy);
        before_->setVerticalScrollBarPolicy(policy);
    });
    auto* title = new QLabel(QStringLiteral("Modified image"), this);
    title->setAlignment(Qt::AlignCenter);
    after_ = new QLabel(this);
    after_->setAccessibleName(QStringLiteral("Modified image"));
    after_->setFixedSize(kViewSize, kViewSize);
    after_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* grid = new QGridLayout;
    buildSliders(grid);

    btnTest_ = new QPushButton(QStringLiteral("&Test"), this);
    btnOK_ = new QPushButton(QStringLiteral("&Apply"), this);
    btnOK_->setDefault(true);
    btnOK_->setEnabled(false);
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnReset_ = new QPushButton(QStringLiteral("Reset"), this);
    btnHelp_ = new QPushButton(QStringLiteral("&Help"), this);
    btnCurve_ = new QPushButton(QString::fromStdString(layout.extraButton), this);
    btnCurve_->setVisible(!layout.extraButton.empty());
    // Hidden without a caption, but still in the accessibility tree.
    if (layout.extraButton.empty()) btnCurve_->setAccessibleName(QStringLiteral("Extra (unused)"));
    btnReset_->setVisible(layout.resetShown);
    connect(btnTest_, &QPushButton::clicked, this, [this] { test(); });
    connect(btnOK_, &QPushButton::clicked, this, &EffectsDialog::applyClicked);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnReset_, &QPushButton::clicked, this, &EffectsDialog::resetClicked);
    connect(btnCurve_, &QPushButton::clicked, this, &EffectsDialog::extraClicked);
    connect(btnHelp_, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp(jpeg_ ? kHelpJpegWizard : kHelpEffects);
    });

    panel_ = new QLabel(QStringLiteral("Color Base"), this);
    panel_->setAccessibleName(QStringLiteral("Color Base"));
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setAlignment(Qt::AlignCenter);
    panel_->setAutoFillBackground(true);
    panel_->setVisible(layout.panel != ColorPanelPlace::Hidden);
    if (layout.panel == ColorPanelPlace::InPlaceOfSlider2) {
        const int32_t c = session_->panelColor();
        showPanel(PickColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        grid->addWidget(panel_, 3, 1, 1, 2);
    } else {
        grid->addWidget(panel_, 9, 1, 1, 2);
        QPalette pal = panel_->palette();
        pal.setColor(QPalette::Window, Qt::lightGray);
        panel_->setPalette(pal);
    }

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnTest_, btnOK_, btnReset_, btnCurve_, btnHelp_, btnCancel_})
        buttons->addWidget(b);

    auto* left = new QVBoxLayout;
    left->addWidget(chkScrollbars_);
    left->addWidget(before_);
    left->addLayout(grid);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(title);
    right->addWidget(after_);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(buttons);
    if (jpeg_) buildJpegMode(all, title);

    // Start where the selection starts, as the main window shows it.
    before_->scrollTo(QPoint(ws.SelectionRect.left, ws.SelectionRect.top));
}

EffectsDialog::~EffectsDialog() = default;

void EffectsDialog::buildSliders(QGridLayout* grid) {
    const EffectLayout& layout = session_->layout();
    for (int i = 0; i < 3; ++i) {
        const SliderParam& s = session_->slider(i);
        const bool shown = i < layout.sliders;
        names_[i] = new QLabel(QString::fromStdString(layout.names[i].empty() ? "Filter"
                                                                              : layout.names[i]),
                               this);
        names_[i]->setAlignment(Qt::AlignCenter);
        auto* low = new QLabel(QString::fromStdString(s.LabelMin), this);
        auto* high = new QLabel(QString::fromStdString(s.LabelMax), this);
        high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        sliders_[i] = new QScrollBar(Qt::Horizontal, this);
        sliders_[i]->setRange(std::min(s.Min, s.Max), std::max(s.Min, s.Max));
        sliders_[i]->setPageStep(std::max(1, s.LargeStep));
        sliders_[i]->setSingleStep(std::max(1, s.SmallStep));
        sliders_[i]->setValue(session_->position(i));
        sliders_[i]->setAccessibleName(Plain(layout.names[i].empty() ? "Filter" : layout.names[i]));
        names_[i]->setBuddy(sliders_[i]);
        edits_[i] = new QLineEdit(QString::number(session_->position(i)), this);
        edits_[i]->setAccessibleName(sliders_[i]->accessibleName() + QStringLiteral(" value"));
        edits_[i]->setMaximumWidth(64);
        const int row = 3 * i;
        grid->addWidget(names_[i], row, 1);
        grid->addWidget(low, row + 1, 0);
        grid->addWidget(high, row + 1, 2);
        grid->addWidget(sliders_[i], row + 2, 0, 1, 2);
        grid->addWidget(edits_[i], row + 2, 2);
        for (QWidget* w : {static_cast<QWidget*>(names_[i]), static_cast<QWidget*>(low),
                           static_cast<QWidget*>(high), static_cast<QWidget*>(sliders_[i]),
                           static_cast<QWidget*>(edits_[i])})
            w->setVisible(shown);
        connect(sliders_[i], &QScrollBar::valueChanged, this, [this, i](int v) {
            session_->setPosition(i, v);
            if (!typing_) edits_[i]->setText(QString::number(v));
        });
        connect(edits_[i], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { typeValue(i, text); });
    }
}

void EffectsDialog::setSliderValue(int i, int value) { sliders_[i]->setValue(value); }

void EffectsDialog::typeValue(int i, const QString& text) {
    const TypedValue t = TypeValue(text.trimmed().toStdString(), session_->position(i),
                                   session_->slider(i).Min, session_->slider(i).Max);
    if (t.ignored) return;
    typing_ = true;
    if (edits_[i]->text() != QString::fromStdString(t.boxText))
        edits_[i]->setText(QString::fromStdString(t.boxText));
    sliders_[i]->setValue(t.position);
    typing_ = false;
}

void EffectsDialog::showPanel(const ColorPick& pick) {
    QPalette pal = panel_->palette();
    pal.setColor(QPalette::Window, QColor(pick.rgb.r, pick.rgb.g, pick.rgb.b));
    pal.setColor(QPalette::WindowText, QColor(pick.textColor.r, pick.textColor.g, pick.textColor.b));
    panel_->setPalette(pal);
    panel_->setText(QString::fromStdString(pick.caption));
}

void EffectsDialog::pickAt(int x, int y) {
    if (x < 0 || y < 0 || x >= ws_.Image.width() || y >= ws_.Image.height()) return;
    if (ws_.Image.depth() != 24) return;
    const uint8_t* px = ws_.Image.scanLine(y) + 3 * size_t(x);
    const ColorPick pick = session_->pick(px[2], px[1], px[0]);
    showPanel(pick);
    for (int i = 0; i < 3; ++i)
        if (sliders_[i]->value() != session_->position(i)) sliders_[i]->setValue(session_->position(i));
}

void EffectsDialog::buildJpegMode(QVBoxLayout* all, QLabel* title) {
    title->setText(QStringLiteral("Compressed image"));
    after_->setAccessibleName(QStringLiteral("Compressed image"));
    after_->setFixedSize(kViewSize, kJpegViewHeight);
    btnCancel_->setText(QStringLiteral("Close"));
    // In a batch the wizard only sets the settings: Apply closes at once.
    if (session_->code() == 999) btnOK_->setText(QStringLiteral("Save &As"));
    else btnOK_->setEnabled(true);
    group_ = new JpegCompressorGroup(this);
    group_->load(*jpeg_);
    all->addWidget(group_);

    retest_ = new QTimer(this);
    retest_->setSingleShot(true);
    retest_->setInterval(kRetestDelayMs);
    connect(retest_, &QTimer::timeout, this, [this] { jpegTest(); });
    auto later = [this] {
        if (!source().isEmpty()) retest_->start();
    };
    connect(group_, &JpegCompressorGroup::changed, this, later);
    connect(sliders_[0], &QScrollBar::valueChanged, this, later);
    // The compressed view follows the scrolling of the original.
    connect(before_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &EffectsDialog::showCompressed);
    connect(before_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &EffectsDialog::showCompressed);
}

const Bitmap& EffectsDialog::source() const {
    return picture24_.isEmpty() ? ws_.Image : picture24_;
}

bool EffectsDialog::retestPending() const { return retest_ && retest_->isActive(); }

bool EffectsDialog::jpegStale() const {
    return !trialDone_ || session_->stale() || !(group_->settings(sliders_[0]->value()) == trialSettings_);
}

void EffectsDialog::jpegTest() {
    if (retest_) retest_->stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Bitmap none;
    session_->test(none, Bitmap());
    trialSettings_ = group_->settings(session_->PreviewValue());
    JpegTrial trial = CompressTrial(source(), trialSettings_);
    trialDone_ = true;
    stream_ = std::move(trial.stream);
    decoded_ = std::move(trial.decoded);
    compressed_ = decoded_.isEmpty() ? QImage() : PictureView::WrapBitmap(decoded_);
    group_->setFigures(QString::fromStdString(FileSizeText(stream_.size())),
                       QString::fromStdString(
                           CompressionRatioText(source().width(), source().height(), stream_.size())));
    showCompressed();
    if (!trial.error.empty()) after_->setText(QString::fromStdString(trial.error));
    // Nothing to save when nothing was encoded.
    btnOK_->setEnabled(session_->code() == 998 || !stream_.empty());
    QApplication::restoreOverrideCursor();
}

void EffectsDialog::showCompressed() {
    if (compressed_.isNull()) {
        preview_ = QImage();
        after_->clear();
        return;
    }
    // Only the part in view is copied, whatever the picture's size.
    const QRect part = QRect(before_->scrollPosition(), after_->size()).intersected(compressed_.rect());
    preview_ = compressed_.copy(part);
    showAfter(CopyRegion(decoded_, {part.x(), part.y(), part.width(), part.height()}));
}

void EffectsDialog::showAfter(Bitmap part) {
    if (part.isEmpty() || !colourManage_ || !ToDisplayColours(part, ws_.Metadata.icc)) {
        after_->setPixmap(QPixmap::fromImage(preview_));
        return;
    }
    after_->setPixmap(QPixmap::fromImage(PictureView::WrapBitmap(part)));
}

void EffectsDialog::done(int r) {
    if (jpeg_) {
        if (retest_) retest_->stop();
        *jpeg_ = group_->settings(sliders_[0]->value());
        result_ = sliders_[0]->value();
    }
    QDialog::done(r);
}

void EffectsDialog::test(bool maskVariant) {
    if (jpeg_) {
        jpegTest();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QPoint s = before_->scrollPosition();
    region_ = PreviewRegion(s.x(), s.y(), kViewSize, kViewSize, ws_.Image.width(),
                            ws_.Image.height());
    Bitmap region = CopyRegion(ws_.Image, region_);
    Bitmap duplicate;
    // A duplicate of another size has no matching region to blend with.
    if (PreviewUsesDuplicate(session_->code()) && ws_.DuplicateBitmap.width() == ws_.Image.width() &&
        ws_.DuplicateBitmap.height() == ws_.Image.height())
        duplicate = CopyRegion(ws_.DuplicateBitmap, region_);
    session_->test(region, std::move(duplicate), maskVariant);
    preview_ = region.isEmpty() ? QImage() : PictureView::WrapBitmap(region).copy();
    showAfter(std::move(region));
    btnOK_->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void EffectsDialog::applyClicked() {
    if (jpeg_) {
        if (session_->code() == 998) {
            accept();
            return;
        }
        // What is saved is what the controls show.
        if (jpegStale()) jpegTest();
        if (!stream_.empty() && onSaveAs) onSaveAs(stream_);
        return;
    }
    if (!session_->tested()) return;
    // What is applied is always what was last shown.
    if (session_->stale()) test();
    result_ = session_->apply();
    accept();
}

void EffectsDialog::resetClicked() {
    session_->reset();
    for (int i = 0; i < 3; ++i) sliders_[i]->setValue(session_->position(i));
    test();
}

void EffectsDialog::extraClicked() {
    if (ExtraButtonShowsMask(session_->code())) {
        test(true);
        return;
    }
    const int code = session_->code();
    std::array<int32_t, 3> p{session_->position(0), session_->position(1), session_->position(2)};
    ws_.EffectValue1 = p[0], ws_.EffectValue2 = p[1], ws_.EffectValue3 = p[2];
    ResetMaps(ws_.curves);
    QString title = QStringLiteral("Histogram [Unmodified image]");
    if (code >= 140 && code <= 143) {
        if (code == 140) {
            for (int c = 0; c < 3; ++c) SetEqLUT(ws_.curves, p[0], p[1], p[2], c);
        } else {
            SetEqLUT(ws_.curves, p[0], p[1], p[2], code - 141);
        }
        LUT2Histogram(ws_.curves, ws_.hist);
        title = QStringLiteral("Parametric EQ Curve");
    }
    if (onHistogram) onHistogram(title);
}

int ExecuteEffectsDialog(QWidget* parent, Workspace& ws, const FilterDlgParam& param,
                         const std::function<void(EffectsDialog&)>& driver,
                         const std::function<void(const QString&)>& histogram,
                         bool colourManage) {
    EffectsDialog dlg(ws, param, parent, nullptr, colourManage);
    dlg.onHistogram = histogram;
    if (driver)
        driver(dlg);
    else
        dlg.exec();
    return dlg.result();
}

int ExecuteJpegWizard(QWidget* parent, Workspace& ws, const FilterDlgParam& param,
                      JpegWizardSettings& settings,
                      const std::function<void(const std::vector<uint8_t>&)>& saveAs,
                      const std::function<void(EffectsDialog&)>& driver, bool colourManage) {
    EffectsDialog dlg(ws, param, parent, &settings, colourManage);
    dlg.onSaveAs = saveAs;
    if (driver) {
        driver(dlg);
        // A driver that leaves it open closes it as the Close button would.
        if (dlg.result() == kDialogCancelled) dlg.reject();
    } else {
        dlg.exec();
    }
    return dlg.result();
}

}  // namespace vimbra

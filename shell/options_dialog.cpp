#include "shell/options_dialog.h"
#include "ui/click_filter.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/frame_host.h"

namespace vimbra {
namespace {

constexpr int kHelpViewer = 103, kHelpSlideshow = 300, kHelpMultimedia = 500;


QCheckBox* Check(QWidget* page, QLayout* layout, const char* name, const QString& text) {
    auto* box = new QCheckBox(text, page);
    box->setObjectName(QString::fromLatin1(name));
    layout->addWidget(box);
    return box;
}

QComboBox* Choice(QWidget* page, QLayout* layout, const char* name, const QString& title,
                  const QStringList& items, QGroupBox** group = nullptr) {
    auto* g = new QGroupBox(title, page);
    auto* inner = new QVBoxLayout(g);
    auto* combo = new QComboBox(g);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    inner->addWidget(combo);
    layout->addWidget(g);
    if (group) *group = g;
    return combo;
}

}  // namespace

// Stored as every colour of the settings and scripts: 0x00BBGGRR.
QColor BackColorToQColor(uint32_t value, const QPalette& palette) {
    if (value == kSystemWindowColor) return palette.color(QPalette::Base);
    return QColor(int(value & 0xFF), int(value >> 8 & 0xFF), int(value >> 16 & 0xFF));
}

uint32_t QColorToBackColor(const QColor& color) {
    return uint32_t(color.red()) | uint32_t(color.green()) << 8 | uint32_t(color.blue()) << 16;
}

QString OptionsDialog::DelayLabelText(int ms) {
    return QStringLiteral("&Delay = %1.%2s").arg(ms / 1000).arg(ms % 1000 / 100);
}

OptionsDialog::OptionsDialog(const SettingsRecord& settings, OptionsPage startPage, bool fullScreen,
                           int displayBitDepth, OptionsCallbacks callbacks, QWidget* parent)
    : QDialog(parent), settings_(settings), fullScreen_(fullScreen),
      displayBitDepth_(displayBitDepth), callbacks_(std::move(callbacks)) {
    setWindowTitle(QStringLiteral("Options"));
    pages_ = new QTabWidget(this);
    const char* titles[] = {"Viewer", "Graphics", "Slideshow", "Multimedia"};
    QWidget* page[4];
    for (int i = 0; i < 4; ++i) {
        page[i] = new QWidget(pages_);
        pages_->addTab(page[i], QString::fromLatin1(titles[i]));
    }
    buildViewerPage(page[0]);
    buildGraphicsPage(page[1]);
    buildSlideshowPage(page[2]);
    buildMultimediaPage(page[3]);

    auto* btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnApply_ = new QPushButton(QStringLiteral("&Apply"), this);
    auto* btnHelp = new QPushButton(QStringLiteral("&Help"), this);
    btnOk->setObjectName("btnOk");
    btnCancel->setObjectName("btnCancel");
    btnApply_->setObjectName("btnApply");
    btnHelp->setObjectName("btnHelp");
    connect(btnOk, &QPushButton::clicked, this, [this] {
        onApply();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply_, &QPushButton::clicked, this, &OptionsDialog::onApply);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        if (callbacks_.help) callbacks_.help(helpContext());
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {btnOk, btnCancel, btnApply_, btnHelp}) buttons->addWidget(b);
    auto* main = new QVBoxLayout(this);
    main->addWidget(pages_);
    main->addLayout(buttons);

    pages_->setCurrentIndex(int(startPage));
    loadControls();
}

void OptionsDialog::buildViewerPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    chkMenus_ = Check(page, left, "chkMenubar", QStringLiteral("&Menus"));
    chkToolBar_ = Check(page, left, "chkToolbar", QStringLiteral("&Tool bar"));
    chkStatusBar_ = Check(page, left, "chkStatusbar", QStringLiteral("&Status bar"));
    chkButtonText_ = Check(page, left, "chkButtonText", QStringLiteral("&Button text"));
    chkPathBox_ = Check(page, left, "chkPathbox", QStringLiteral("&Path box"));
    chkMerge_ = Check(page, left, "chkMerge", QStringLiteral("M&erge Tool bar and Path box"));
    chkMaxFullScreen_ = Check(page, right, "chkMaxFullScreen", QStringLiteral("Max &Full screen"));
    chkWithMenus_ = Check(page, right, "chkWithMenus", QStringLiteral("with Men&us"));
    chkAutoSize_ = Check(page, right, "chkAutoSize", QStringLiteral("Auto Si&ze"));
    chkAutoCenter_ = Check(page, right, "chkAutoCenter", QStringLiteral("Auto Ce&nter"));
    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QStringLiteral("Back&color"), page);
    panelBackground_ = new QFrame(page);
    panelBackground_->setObjectName("PanelBackground");
    panelBackground_->setFrameShape(QFrame::Panel);
    panelBackground_->setFrameShadow(QFrame::Sunken);
    panelBackground_->setMinimumSize(48, 22);
    panelBackground_->setAutoFillBackground(true);
    panelBackground_->setFocusPolicy(Qt::StrongFocus);
    colorLabel->setBuddy(panelBackground_);
    panelBackground_->installEventFilter(new ClickFilter(this, [this] { onPanelBackground(); }));
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(panelBackground_);
    colorRow->addStretch();
    right->addLayout(colorRow);
    left->addStretch();
    right->addStretch();
}

void OptionsDialog::buildGraphicsPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    chkAutoReduce_ = Check(page, left, "chkAutoReduce", QStringLiteral("Auto &Reduce"));
    chkUseScreen_ = Check(page, left, "chkUseScreen", QStringLiteral("&Use Screen"));
    chkFastRefresh_ = Check(page, left, "chkFastRefresh", QStringLiteral("&Fast Refresh"));
    chkTurbo_ = Check(page, left, "chkTurbo", QStringLiteral("&Turbo mode"));
    boxFax_ = Choice(page, right, "boxFax", QStringLiteral("Fa&x quality"),
                     {"b/w", "4 shades", "16 shades", "64 shades"});
    boxPhotoCd_ = Choice(page, right, "boxPhotoCd", QStringLiteral("&Photo-CD step"),
                         {"64x96", "128x192", "256x384", "512x768", "1024x1536", "2048x3072",
                          "4096x6144"});
    boxJpegPalette_ = Choice(page, left, "boxJpegPalette", QStringLiteral("&JPEG palette"),
                             {"fixed + ordered", "fixed + dithered", "color matched",
                              "optimal + dithered"},
                             &groupJpegPalette_);
    auto* photos = new QGroupBox(QStringLiteral("Photographs"), page);
    auto* inner = new QVBoxLayout(photos);
    chkKeepMetadata_ = Check(photos, inner, "chkKeepMetadata",
                             QStringLiteral("Keep &metadata when saving"));
    chkAutoOrient_ = Check(photos, inner, "chkAutoOrient",
                           QStringLiteral("Turn pictures upright by their &orientation tag"));
    chkColourManage_ = Check(photos, inner, "chkColourManage",
                             QStringLiteral("&Colour-manage the display"));
    for (QCheckBox* box : {chkKeepMetadata_, chkAutoOrient_, chkColourManage_})
        box->setAccessibleName(box->text().remove(QLatin1Char('&')));
    grid->addWidget(photos, 1, 0, 1, 2);
    left->addStretch();
    right->addStretch();
}

void OptionsDialog::buildSlideshowPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    boxEffectsSpeed_ = Choice(page, left, "boxEffectsSpeed", QStringLiteral("Effects &speed"),
                              {"Faster", "Normal", "Slower", "Slowest"});
    boxSvgaPalette_ = Choice(page, left, "boxSvgaPalette", QStringLiteral("SVGA &Palette"),
                             {"optimal (for graphics)", "fixed (for effects)",
                              "VGA (for multimedia)"},
                             &groupSvgaPalette_);
    boxTextPosition_ = Choice(page, right, "boxTextPosition", QStringLiteral("Te&xt position"),
                              {"Auto", "Top", "Bottom"});
    chkAutoSizeVideo_ = Check(page, right, "chkAutoSizeVideo", QStringLiteral("Auto &Size video"));
    chkAlwaysFullScreen_ =
        Check(page, right, "chkAlwaysFullScreen", QStringLiteral("Always &Full screen"));
    chkJukebox_ = Check(page, right, "chkJukebox", QStringLiteral("AVL &Jukebox"));
    auto* btnEffects = new QPushButton(QStringLiteral("&Effects"), page);
    connect(btnEffects, &QPushButton::clicked, this, [this] {
        if (callbacks_.effects) callbacks_.effects();
    });
    right->addWidget(btnEffects);
    labelDelay_ = new QLabel(page);
    scrollBarDelay_ = new QScrollBar(Qt::Horizontal, page);
    scrollBarDelay_->setObjectName("ScrollBarDelay");
    scrollBarDelay_->setRange(0, SettingsRecord::kDelayScrollMax);
    scrollBarDelay_->setSingleStep(100);
    scrollBarDelay_->setPageStep(1000);
    labelDelay_->setBuddy(scrollBarDelay_);
    grid->addWidget(labelDelay_, 1, 0, 1, 2);
    grid->addWidget(scrollBarDelay_, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    connect(scrollBarDelay_, &QScrollBar::valueChanged, this, &OptionsDialog::ScrollBarDelayChange);
}

void OptionsDialog::buildMultimediaPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    chkMediaStatus_ = Check(page, layout, "chkMediaStatus", QStringLiteral("&Status line"));
    chkMediaTrack_ = Check(page, layout, "chkMediaTrack", QStringLiteral("&Track bar"));
    chkMediaControls_ = Check(page, layout, "chkMediaControls", QStringLiteral("Player &controls"));
    chkMediaMaxFull_ = Check(page, layout, "chkMediaMaxFull", QStringLiteral("Max &Full screen"));
    chkMediaAutoPlay_ = Check(page, layout, "chkMediaAutoPlay", QStringLiteral("Auto &Play + Loop"));
    auto* volumeLabel = new QLabel(QStringLiteral("&Volume"), page);
    trackVolume_ = new QSlider(Qt::Horizontal, page);
    trackVolume_->setObjectName("TrackVolume");
    trackVolume_->setRange(0, 1000);
    trackVolume_->setPageStep(100);
    volumeLabel->setBuddy(trackVolume_);
    layout->addWidget(volumeLabel);
    layout->addWidget(trackVolume_);
    layout->addStretch();
}

void OptionsDialog::loadControls() {
    loading_ = true;
    const SettingsRecord& s = settings_;
    chkMenus_->setChecked(s.menuBar);
    chkToolBar_->setChecked(s.toolBar);
    chkStatusBar_->setChecked(s.statusBar);
    chkButtonText_->setChecked(s.buttonText);
    chkPathBox_->setChecked(s.pathBox);
    chkMerge_->setChecked(s.mergeToolBar);
    chkWithMenus_->setChecked(s.fullScreenMenus);
    chkMaxFullScreen_->setChecked(s.maxFullScreen);
    chkAutoSize_->setChecked(s.AutoSize);
    chkAutoCenter_->setChecked(s.AutoCenter);
    backColor_ = s.BackColor;
    showBackColor();
    chkAutoReduce_->setChecked(s.AutoReduce);
    chkUseScreen_->setChecked(s.UseScreen);
    chkFastRefresh_->setChecked(s.fastRefresh);
    chkTurbo_->setChecked(s.TurboMode != 0);
    chkKeepMetadata_->setChecked(s.keepMetadata);
    chkAutoOrient_->setChecked(s.autoOrient);
    chkColourManage_->setChecked(s.colourManage);
    boxFax_->setCurrentIndex(s.FaxQuality);
    boxPhotoCd_->setCurrentIndex(s.PhotoCdStep);
    boxJpegPalette_->setCurrentIndex(s.JpegPalette);
    boxEffectsSpeed_->setCurrentIndex(s.EffectsSpeed);
    boxSvgaPalette_->setCurrentIndex(s.SvgaPalette);
    boxTextPosition_->setCurrentIndex(s.textPosition);
    chkAutoSizeVideo_->setChecked(s.autoSizeVideo);
    chkAlwaysFullScreen_->setChecked(s.alwaysFullScreen);
    chkJukebox_->setChecked(s.avlJukebox);
    scrollBarDelay_->setValue(s.SlideDelay);
    labelDelay_->setText(DelayLabelText(s.SlideDelay));
    chkMediaStatus_->setChecked(s.mediaStatusLine);
    chkMediaTrack_->setChecked(s.mediaTrackBar);
    chkMediaControls_->setChecked(s.mediaControls);
    chkMediaMaxFull_->setChecked(s.mediaMaxFullScreen);
    chkMediaAutoPlay_->setChecked(s.mediaAutoPlayLoop);
    trackVolume_->setValue(s.mediaVolume);

    const bool svga = displayBitDepth_ == 8;
    groupSvgaPalette_->setEnabled(svga);
    groupJpegPalette_->setEnabled(svga);
    if (fullScreen_)
        for (QCheckBox* box : {chkMenus_, chkMaxFullScreen_, chkWithMenus_}) box->setEnabled(false);

    const auto all = findChildren<QCheckBox*>();
    for (QCheckBox* box : all)
        connect(box, &QCheckBox::toggled, this, &OptionsDialog::controlChanged, Qt::UniqueConnection);
    for (QComboBox* box : findChildren<QComboBox*>())
        connect(box, &QComboBox::currentIndexChanged, this, &OptionsDialog::controlChanged,
                Qt::UniqueConnection);
    connect(trackVolume_, &QSlider::valueChanged, this, &OptionsDialog::controlChanged,
            Qt::UniqueConnection);
    onMenubarOptionChanged();
    loading_ = false;
    btnApply_->setEnabled(false);
}

void OptionsDialog::onMenubarOptionChanged() {
    const bool merged = chkMerge_->isChecked();
    chkToolBar_->setVisible(!merged);
    chkButtonText_->setVisible(!merged);
    chkPathBox_->setText(merged ? QStringLiteral("&Tool bar") : QStringLiteral("&Path box"));
    if (!fullScreen_) chkWithMenus_->setEnabled(chkMenus_->isChecked());
    chkButtonText_->setEnabled(chkToolBar_->isChecked());
    const bool screenAllows = displayBitDepth_ >= 15;
    chkUseScreen_->setEnabled(screenAllows && chkAutoReduce_->isChecked());
    if (!chkAutoReduce_->isChecked() && chkUseScreen_->isChecked()) chkUseScreen_->setChecked(false);
    chkAutoCenter_->setEnabled(chkAutoSize_->isChecked());
    chkMediaTrack_->setEnabled(chkMediaControls_->isChecked());
}

void OptionsDialog::controlChanged() {
    if (loading_) return;
    loading_ = true;  // the dependencies below change controls too
    onMenubarOptionChanged();
    loading_ = false;
    btnApply_->setEnabled(true);
}

void OptionsDialog::ScrollBarDelayChange(int value) {
    labelDelay_->setText(DelayLabelText(value));
    controlChanged();
}

void OptionsDialog::onPanelBackground() {
    const QColor chosen =
        QColorDialog::getColor(BackColorToQColor(backColor_, palette()), this);
    if (!chosen.isValid()) return;
    backColor_ = QColorToBackColor(chosen);
    showBackColor();
    controlChanged();
}

void OptionsDialog::showBackColor() {
    QPalette pal = panelBackground_->palette();
    pal.setColor(QPalette::Window, BackColorToQColor(backColor_, palette()));
    panelBackground_->setPalette(pal);
}

void OptionsDialog::readControls() {
    SettingsRecord& s = settings_;
    s.menuBar = chkMenus_->isChecked();
    s.toolBar = chkToolBar_->isChecked();
    s.statusBar = chkStatusBar_->isChecked();
    s.buttonText = chkButtonText_->isChecked();
    s.pathBox = chkPathBox_->isChecked();
    s.mergeToolBar = chkMerge_->isChecked();
    s.fullScreenMenus = chkWithMenus_->isChecked();
    s.maxFullScreen = chkMaxFullScreen_->isChecked();
    s.AutoSize = chkAutoSize_->isChecked();
    s.AutoCenter = chkAutoCenter_->isChecked();
    s.BackColor = backColor_;
    s.AutoReduce = chkAutoReduce_->isChecked();
    if (displayBitDepth_ > 8) s.UseScreen = chkUseScreen_->isChecked();
    s.fastRefresh = chkFastRefresh_->isChecked();
    s.TurboMode = chkTurbo_->isChecked() ? 1 : 0;
    s.keepMetadata = chkKeepMetadata_->isChecked();
    s.autoOrient = chkAutoOrient_->isChecked();
    s.colourManage = chkColourManage_->isChecked();
    s.FaxQuality = boxFax_->currentIndex();
    s.PhotoCdStep = boxPhotoCd_->currentIndex();
    s.JpegPalette = boxJpegPalette_->currentIndex();
    s.EffectsSpeed = boxEffectsSpeed_->currentIndex();
    s.SvgaPalette = boxSvgaPalette_->currentIndex();
    s.textPosition = boxTextPosition_->currentIndex();
    s.autoSizeVideo = chkAutoSizeVideo_->isChecked();
    s.alwaysFullScreen = chkAlwaysFullScreen_->isChecked();
    s.avlJukebox = chkJukebox_->isChecked();
    s.SlideDelay = scrollBarDelay_->value();
    s.mediaStatusLine = chkMediaStatus_->isChecked();
    s.mediaTrackBar = chkMediaTrack_->isChecked();
    s.mediaControls = chkMediaControls_->isChecked();
    s.mediaMaxFullScreen = chkMediaMaxFull_->isChecked();
    s.mediaAutoPlayLoop = chkMediaAutoPlay_->isChecked();
    s.mediaVolume = std::max(trackVolume_->value(), 1);
}

void OptionsDialog::onApply() {
    const SettingsRecord before = settings_;
    readControls();
    if (callbacks_.apply) callbacks_.apply(before, settings_);
    btnApply_->setEnabled(false);
}

OptionsPage OptionsDialog::currentPage() const { return OptionsPage(pages_->currentIndex()); }

int OptionsDialog::helpContext() const {
    switch (currentPage()) {
        case OptionsPage::Slideshow: return kHelpSlideshow;
        case OptionsPage::Multimedia: return kHelpMultimedia;
        default: return kHelpViewer;
    }
}

QCheckBox* OptionsDialog::checkBox(const char* objectName) const {
    return findChild<QCheckBox*>(QString::fromLatin1(objectName));
}

int ExecuteOptionsDialog(QWidget* parent, SettingsRecord& settings, OptionsPage startPage,
                       bool fullScreen, int displayBitDepth, OptionsCallbacks callbacks) {
    auto apply = std::move(callbacks.apply);
    callbacks.apply = [&settings, apply](const SettingsRecord& before, const SettingsRecord& after) {
        settings = after;
        if (apply) apply(before, after);
    };
    OptionsDialog form(settings, startPage, fullScreen, displayBitDepth, std::move(callbacks), parent);
    return form.exec() == QDialog::Accepted ? 0 : kDialogCancelled;
}

}  // namespace vimbra

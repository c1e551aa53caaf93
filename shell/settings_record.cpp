#include "shell/settings_record.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QSettings>

namespace vimbra {
namespace {

int32_t GetInt(const QByteArray& b, int at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
    return int32_t(v);
}

void PutInt(QByteArray& b, int at, int32_t value) {
    const auto v = uint32_t(value);
    for (int i = 0; i < 4; ++i) b[at + i] = char(uint8_t(v >> (8 * i)));
}

bool GetBool(const QByteArray& b, int at) { return b[at] != 0; }
void PutBool(QByteArray& b, int at, bool on) { b[at] = on ? 1 : 0; }

WindowBounds GetBounds(const QByteArray& b, int at) {
    return {GetInt(b, at), GetInt(b, at + 4), GetInt(b, at + 8), GetInt(b, at + 12)};
}

void PutBounds(QByteArray& b, int at, const WindowBounds& w) {
    PutInt(b, at, w.left);
    PutInt(b, at + 4, w.top);
    PutInt(b, at + 8, w.right);
    PutInt(b, at + 12, w.bottom);
}

int32_t InRangeOr(int32_t value, int32_t lo, int32_t hi, int32_t fallback) {
    return value < lo || value > hi ? fallback : value;
}

// A delay the options dialog can show, kept whole through a save and a load;
// damaged ones fall back.
int32_t SoundDelay(int32_t delay) {
    if (delay > SettingsRecord::kMaxSlideDelay) return 1000;
    if (delay < 0) return 500;
    return delay;
}

}  // namespace

SettingsRecord SettingsRecord::Defaults(int displayBitDepth) {
    SettingsRecord r;
    r.fastRefresh = displayBitDepth > 8;
    // The unused bytes of a first record: zero except the byte at 127.
    r.raw_ = QByteArray(kByteSize, '\0');
    r.raw_[127] = 1;
    return r;
}

SettingsRecord SettingsRecord::FromBytes(const QByteArray& b, int displayBitDepth) {
    if (b.size() != kByteSize) return Defaults(displayBitDepth);
    SettingsRecord r;
    r.raw_ = b;
    r.existed = true;
    r.batchEditorBounds = GetBounds(b, 0);
    r.commentToolBounds = GetBounds(b, 16);
    r.mainWindowBounds = GetBounds(b, 32);
    r.menuBar = GetBool(b, 48);
    r.toolBar = GetBool(b, 49);
    r.statusBar = GetBool(b, 50);
    r.buttonText = GetBool(b, 51);
    r.FitToWindow = GetBool(b, 52);
    r.AutoReduce = GetBool(b, 53);
    r.maxFullScreen = GetBool(b, 54);
    r.FaxQuality = std::clamp(GetInt(b, 56), 0, 3);
    r.JpegPalette = InRangeOr(GetInt(b, 60), 0, 3, 3);
    r.BackColor = uint32_t(GetInt(b, 64));
    r.commonControls = GetInt(b, 68);
    r.AutoSize = GetBool(b, 72);
    r.AutoCenter = GetBool(b, 73);
    // These index option lists; a damaged value would select nothing.
    r.EffectsSpeed = InRangeOr(GetInt(b, 76), 0, 3, 1);
    r.SvgaPalette = InRangeOr(GetInt(b, 80), 0, 2, 0);
    r.SlideDelay = SoundDelay(GetInt(b, 84));
    r.mediaStatusLine = GetBool(b, 88);
    r.mediaTrackBar = GetBool(b, 89);
    r.mediaControls = GetBool(b, 90);
    r.mediaMaxFullScreen = GetBool(b, 91);
    r.mediaAutoPlayLoop = GetBool(b, 92);
    r.TrackerHeight = GetInt(b, 100);
    r.ControlsHeight = GetInt(b, 104);
    r.mediaVolume = std::clamp(GetInt(b, 108), 1, 1000);
    r.autoSizeVideo = GetBool(b, 112);
    r.alwaysFullScreen = GetBool(b, 113);
    r.textPosition = InRangeOr(GetInt(b, 120), 0, 2, 0);
    r.UseScreen = GetBool(b, 124);
    r.avlJukebox = GetBool(b, 125);
    r.pathBox = GetBool(b, 126);
    r.PhotoCdStep = InRangeOr(GetInt(b, 128), 0, 6, 3);
    r.TurboMode = GetInt(b, 136);
    r.fastRefresh = GetBool(b, 144) && displayBitDepth > 8;
    r.mergeToolBar = GetBool(b, 145);
    r.fullScreenMenus = GetBool(b, 146);
    return r;
}

QByteArray SettingsRecord::toBytes() const {
    QByteArray b = raw_.size() == kByteSize ? raw_ : Defaults().raw_;
    PutBounds(b, 0, batchEditorBounds);
    PutBounds(b, 16, commentToolBounds);
    PutBounds(b, 32, mainWindowBounds);
    PutBool(b, 48, menuBar);
    PutBool(b, 49, toolBar);
    PutBool(b, 50, statusBar);
    PutBool(b, 51, buttonText);
    PutBool(b, 52, FitToWindow);
    PutBool(b, 53, AutoReduce);
    PutBool(b, 54, maxFullScreen);
    PutInt(b, 56, FaxQuality);
    PutInt(b, 60, JpegPalette);
    PutInt(b, 64, int32_t(BackColor));
    PutInt(b, 68, commonControls);
    PutBool(b, 72, AutoSize);
    PutBool(b, 73, AutoCenter);
    PutInt(b, 76, EffectsSpeed);
    PutInt(b, 80, SvgaPalette);
    PutInt(b, 84, SoundDelay(SlideDelay));
    PutBool(b, 88, mediaStatusLine);
    PutBool(b, 89, mediaTrackBar);
    PutBool(b, 90, mediaControls);
    PutBool(b, 91, mediaMaxFullScreen);
    PutBool(b, 92, mediaAutoPlayLoop);
    PutInt(b, 100, TrackerHeight);
    PutInt(b, 104, ControlsHeight);
    PutInt(b, 108, std::max(mediaVolume, 1));
    PutBool(b, 112, autoSizeVideo);
    PutBool(b, 113, alwaysFullScreen);
    PutInt(b, 120, textPosition);
    PutBool(b, 124, UseScreen);
    PutBool(b, 125, avlJukebox);
    PutBool(b, 126, pathBox);
    PutInt(b, 128, PhotoCdStep);
    PutInt(b, 136, TurboMode);
    PutBool(b, 144, fastRefresh);
    PutBool(b, 145, mergeToolBar);
    PutBool(b, 146, fullScreenMenus);
    return b;
}

int MediaPlayerVolume(int volume) {
    volume = std::clamp(volume, 1, 1000);
    return int(std::nearbyint(1000.0 * std::log(volume / 1000.0)));
}

WindowBounds StoreWindowBounds(const QRect& frame) {
    // right and bottom keep the size, so that restoring from the absolute
    // left and top gives the same width and height.
    const int left = std::abs(frame.left()), top = std::abs(frame.top());
    return {left, top, left + frame.width(), top + frame.height()};
}

QRect RestoreWindowBounds(const WindowBounds& stored, QSize screen, QSize defaultSize) {
    // 64-bit while measuring: damaged records may hold any value.
    const int64_t left = std::llabs(int64_t(stored.left));
    const int64_t top = std::llabs(int64_t(stored.top));
    int64_t width = int64_t(stored.right) - stored.left;
    int64_t height = int64_t(stored.bottom) - stored.top;
    width = std::min<int64_t>(width, screen.width());
    height = std::min<int64_t>(height, screen.height());
    if (width < 64 || height < 64) {
        const QSize size = defaultSize.boundedTo(screen);
        return QRect((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2,
                     size.width(), size.height());
    }
    const int64_t x = std::min<int64_t>(left, screen.width() - width);
    const int64_t y = std::min<int64_t>(top, screen.height() - height);
    return QRect(int(x), int(y), int(width), int(height));
}

QRect EditorWindowBounds(const WindowBounds& stored, QSize screen) {
    const int64_t sw = screen.width(), sh = screen.height();
    int64_t left = std::max<int64_t>(stored.left, 0);
    int64_t top = std::max<int64_t>(stored.top, 0);
    int64_t width = std::min<int64_t>(int64_t(stored.right) - left, sw);
    int64_t height = std::min<int64_t>(int64_t(stored.bottom) - top, sh);
    if (width < 64 || height < 64) {
        width = sw / 2;
        height = sh / 4 * 3;
    }
    if (left + width > sw) left = std::max<int64_t>(sw - width, 0);
    if (top + height > sh) top = std::max<int64_t>(sh - height, 0);
    return QRect(int(left), int(top), int(width), int(height));
}

std::unique_ptr<QSettings> SettingsStore::OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Vimbra"), QStringLiteral("VIMBRA"));
}

SettingsRecord SettingsStore::readRecord(int displayBitDepth) const {
    SettingsRecord r =
        SettingsRecord::FromBytes(settings_.value(kRecordKey).toByteArray(), displayBitDepth);
    r.keepMetadata = settings_.value(kKeepMetadataKey, true).toBool();
    r.autoOrient = settings_.value(kAutoOrientKey, true).toBool();
    r.colourManage = settings_.value(kColourManageKey, true).toBool();
    return r;
}

QString SettingsStore::readOpenDir() const { return settings_.value(kOpenDirKey).toString(); }
QString SettingsStore::readSaveDir() const { return settings_.value(kSaveDirKey).toString(); }

JpegWizardSettings SettingsStore::readJpegWizard() const {
    const QByteArray b = settings_.value(kJpegWizardKey).toByteArray();
    return JpegWizardSettings::fromBytes(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())));
}

void SettingsStore::writeAtClose(const SettingsRecord& record, const QString& openDir,
                                 const QString& saveDir, const JpegWizardSettings& wizard) {
    settings_.setValue(kRecordKey, record.toBytes());
    settings_.setValue(kKeepMetadataKey, record.keepMetadata);
    settings_.setValue(kAutoOrientKey, record.autoOrient);
    settings_.setValue(kColourManageKey, record.colourManage);
    settings_.setValue(kOpenDirKey, openDir);
    settings_.setValue(kSaveDirKey, saveDir);
    if (wizard.isLoaded()) {
        const auto bytes = wizard.toBytes();
        settings_.setValue(kJpegWizardKey,
                           QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())));
    }
    settings_.sync();
}

}  // namespace vimbra

// Slideshows from the viewer: the bookmark show (Ctrl+R, R, "Instant
// slideshow"), script shows opened as ".avl" files, and the effect choice.
#include <QSettings>

#include "batch/gui/list_dialog.h"
#include "shell/main_window.h"
#include "slideshow/avl_running.h"
#include "slideshow/effect_table.h"
#include "slideshow/gui/show_window.h"

namespace vimbra {
namespace {

constexpr const char* kEffectSelectionKey = "selFX01";

std::vector<int> StoredEffectSelection(QSettings& settings) {
    const QByteArray value = settings.value(kEffectSelectionKey).toByteArray();
    return DecodeEffectSelection(std::vector<uint8_t>(value.begin(), value.end()));
}

}  // namespace

void MainWindow::onHistorySlideshow() {
    if (ws_.CriticalProcess || show_) return;
    // A show never drops unsaved edits unasked.
    if (ws_.Modified && CloseNow() != 6) return;
    startShow({});
}

bool MainWindow::startAvlShow(const std::string& path) {
    if (ws_.CriticalProcess || show_) return false;
    if (ws_.Modified && CloseNow() != 6) return false;
    return startShow(path);
}

bool MainWindow::startShow(const std::string& avlPath) {
    const bool avl = !avlPath.empty();
    ShowSettings options;
    options.speed = settings_.EffectsSpeed;
    options.captionPlace = settings_.textPosition == 1 ? CaptionPlace::Top : CaptionPlace::Bottom;
    options.screenGamma = ViewGamma;
    options.delayMs = settings_.SlideDelay;
    options.selection = StoredEffectSelection(*settingsFile_);
    options.media = {settings_.avlJukebox, settings_.autoSizeVideo, settings_.textPosition, cdDeviceFactory};
    auto* window = new ShowWindow(options);
    window->setAttribute(Qt::WA_DeleteOnClose);
    const QString refusal = avl ? window->startAvl(QString::fromStdString(avlPath))
                                : window->startBookmarks(bookmarks_.entries(), size_t(bookmarks_.BookmarkIndex()));
    if (!refusal.isEmpty()) {
        delete window;
        if (refusal == QLatin1String(kTwoSlidesRequired)) {
            if (host_.Ask(MessageKind::Information,
                          "Two or more slides are required for slideshow.\n"
                          "Show help regarding multiple file selection?",
                          Buttons::YesNo) == Answer::Yes)
                onHelpContext(110);
        } else {
            showError(refusal.toStdString());
        }
        return false;
    }
    if (avl) {
        if (!avlLock_) avlLock_ = std::make_unique<AvlRunningLock>();
        if (avlLock_->heldElsewhere())
            host_.Ask(MessageKind::Warning, "Enhanced AVL slideshow already running.", Buttons::Ok);
        avlLock_->acquire();
    }
    show_ = window;
    ws_.CriticalProcess = true;
    connect(window, &ShowWindow::finished, this, [this, avl](const QString& message) { endShow(message, avl); });
    connect(window, &ShowWindow::slideSkipped, this, [](const QString& message) { qWarning("%s", qPrintable(message)); });
    window->play(showsFullScreen);
    return true;
}

void MainWindow::endShow(const QString& message, bool avl) {
    const size_t index = show_ ? show_->runner().bookmarkIndex() : 0;
    show_ = nullptr;
    ws_.CriticalProcess = false;
    if (avlLock_) avlLock_->release();
    activateWindow();
    if (!message.isEmpty()) {
        const bool badScript = message == QLatin1String(kBadAvlFile);
        host_.Ask(badScript ? MessageKind::Error : MessageKind::Warning, message.toStdString(), Buttons::Ok);
    }
    if (avl) {
        ShowBlankImage(true);
        return;
    }
    bookmarks_.setBookmarkIndex(int32_t(index));
    if (index < bookmarks_.size() && message.isEmpty()) BtnOpenEx(bookmarks_[index], false);
}

void MainWindow::onSlideEffects() {
    const EffectTable& table = PopulateEffectsList();
    QStringList names;
    for (const std::string& n : table.names) names << QString::fromStdString(n);
    std::vector<bool> flags(names.size(), false);
    for (int i : StoredEffectSelection(*settingsFile_)) flags[size_t(i)] = true;
    ListDialogOptions options;
    options.effectFlags = &flags;
    options.help = [this](int context) { onHelpContext(context); };
    const QString title = QStringLiteral("Select from %1 Transitions Effects").arg(names.size() - 1);
    if (ShowListDialog(this, kListEffects, title, names, options) < 0) return;
    std::vector<int> chosen;
    for (size_t i = 0; i < flags.size(); ++i)
        if (flags[i]) chosen.push_back(int(i));
    const std::vector<uint8_t> value = EncodeEffectSelection(chosen);
    settingsFile_->setValue(kEffectSelectionKey, QByteArray(reinterpret_cast<const char*>(value.data()), qsizetype(value.size())));
}

}  // namespace vimbra

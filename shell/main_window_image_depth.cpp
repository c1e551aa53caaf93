// Colors > Reduce to, Promote to and Gray shades: the method dialog in front
// of the headless commands, and which of them a picture's depth allows.
#include <QAction>
#include <QMenu>

#include "commands/depth_commands.h"
#include "shell/main_window.h"

namespace vimbra {
namespace {

// The Reduce to items by their tag in the menu layout.
constexpr ReduceItem kReduceItems[] = {ReduceItem::Colors256Dither, ReduceItem::Colors256Poster,
                                       ReduceItem::Grays256Dither,  ReduceItem::Colors16Dither,
                                       ReduceItem::Colors16Poster,  ReduceItem::BlackWhite};

}  // namespace

void MainWindow::registerPictureHandlers() {
    handlers_[HandlerName(ViewerAction::TextMark)] = [this](int tag) { onTextMark(tag); };
    handlers_[HandlerName(ViewerAction::TextMarkProperties)] = [this](int) { onTextMarkProperties(); };
    handlers_[HandlerName(ViewerAction::OutlineColor)] = [this](int) { onOutlineColor(); };
    handlers_[HandlerName(ViewerAction::RandomNoise)] = [this](int) { onRandomNoise(); };
    handlers_[HandlerName(ViewerAction::Artifacts)] = [this](int) { onArtifacts(); };
    handlers_[HandlerName(ViewerAction::Reduce)] = [this](int tag) { onReduce(tag); };
    handlers_[HandlerName(ViewerAction::Promote)] = [this](int tag) { onPromote(tag); };
    handlers_[HandlerName(ViewerAction::GrayShades)] = [this](int) { onGrayShades(); };
    // A Yes to "Convert to 256 colors?" after an edit runs Reduce to > 256 colors.
    host_.autoConvertReduction = AutoConvertReduction;
}

void MainWindow::onReduce(int tag) {
    if (tag < 0 || tag >= int(std::size(kReduceItems)) || ws_.Image.isEmpty() || ws_.CriticalProcess)
        return;
    const ReduceItem item = kReduceItems[tag];
    int method = ReductionMethodDialog::initial;
    if (NeedsReductionMethod(item)) {
        ScrollDialogSettings p;
        p.Min = ReductionMethodDialog::min;
        p.Max = ReductionMethodDialog::max;
        p.Position = ReductionMethodDialog::initial;
        p.LargeStep = ReductionMethodDialog::largeStep;
        p.SmallStep = ReductionMethodDialog::smallStep;
        p.ShowPresets = false;
        p.UseTrackBar = true;
        method = runScrollDialog(QString::fromLatin1(ReductionMethodDialog::title), p,
                                 QString::fromLatin1(ReductionMethodDialog::lowLabel),
                                 QString::fromLatin1(ReductionMethodDialog::highLabel));
        if (method == kDialogCancelled) return;
    }
    runGuarded([&] { ImageReduce(ws_, item, method); });
}

void MainWindow::onPromote(int bits) {
    runGuarded([&] { ImagePromote(ws_, bits); });
}

void MainWindow::onGrayShades() {
    runGuarded([this] { ImageReduce(ws_, ReduceItem::GrayShades); });
}

void MainWindow::updateColorDepthItems() {
    const ColorItemStates c = ColorItemsFor(ws_.ImageBitDepth);
    const auto enable = [this](const char* handler, int tag, bool on) {
        if (QAction* a = action(handler, tag)) a->setEnabled(on);
    };
    enable("onPromote", 24, c.promote16M);
    enable("onPromote", 8, c.promote256);
    enable("onPromote", 4, c.promote16);
    enable("onReduce", 0, c.reduce256);
    enable("onReduce", 1, c.reduce256);
    enable("onReduce", 3, c.reduce16);
    enable("onReduce", 4, c.reduce16);
    if (QMenu* m = topMenu(QStringLiteral("&Colors/&Promote to"))) m->menuAction()->setEnabled(c.promoteMenu);
    if (QMenu* m = topMenu(QStringLiteral("&Colors/Re&duce to"))) m->menuAction()->setEnabled(c.reduceMenu);
}

}  // namespace vimbra

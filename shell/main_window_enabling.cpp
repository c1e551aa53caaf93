// The commands that wait for the first picture.
#include <QAction>
#include <QToolButton>

#include "shell/main_window.h"

namespace vimbra {

namespace {
const char* const kPictureHandlers[] = {
    "onFitWindow", "onCompress", "onCopyTo", "onMoveTo",      "onDelete", "onSave", "onFullScreen",
    "onOptimizeWindow", "onAdjustViewport", "onImageInfo", "onFitWindowTo", "onPrint", "onSelect",
    "onMask", "onCopy",
};
const char* const kPictureButtons[] = {"Fit", "Screen", "Adjust", "Select", "Save",
                                       "Copy/move", "Delete/recycle", "Info"};

bool IsPictureHandler(const std::string& handler) {
    for (const char* h : kPictureHandlers)
        if (handler == h) return true;
    return false;
}
}  // namespace

void MainWindow::setPictureControlsEnabled(bool on) {
    // Every tag of a handler: the Fit to sizes, Delete's recycle form.
    for (auto* list : {&actions_, &contextActions_})
        for (auto& [key, a] : *list)
            if (IsPictureHandler(key.first)) a->setEnabled(on);
    for (const char* b : kPictureButtons)
        if (QToolButton* t = toolButton(QString::fromLatin1(b))) t->setEnabled(on);
}

}  // namespace vimbra

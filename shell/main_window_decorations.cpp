// Image > Text Mark and Image > Add noise: the prompts and dialogs in front
// of the headless commands, which take the undo snapshot and record the line.
#include <QColorDialog>
#include <QInputDialog>

#include "filters/gui/mark_properties_dialog.h"
#include "filters/noise.h"
#include "filters/text_marks.h"
#include "shell/main_window.h"

namespace vimbra {
namespace {

uint32_t ToRgb(const QColor& c) { return uint32_t(c.red()) << 16 | uint32_t(c.green()) << 8 | uint32_t(c.blue()); }

}  // namespace

void MainWindow::onTextMark(int corner) {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    const QString caption = QString::fromLatin1(TextMarkPrompt::caption);
    const QString prompt = QString::fromLatin1(TextMarkPrompt::prompt);
    const QString remembered = QString::fromStdString(ws_.remembered.MarkText);
    std::optional<QString> text;
    if (textPromptHook) {
        text = textPromptHook(caption, prompt, remembered);
    } else {
        bool ok = false;
        const QString entered =
            QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, remembered, &ok);
        if (ok) text = entered;
    }
    if (!text) return;
    runGuarded([&] { TextMarkCommand(ws_, text->toStdString(), corner); });
}

void MainWindow::onTextMarkProperties() {
    const MarkStyle style = MarkStyleOf(ws_);
    std::optional<std::pair<QFont, QColor>> chosen;
    if (markPropertiesHook) {
        chosen = markPropertiesHook(style.font, style.textColor);
    } else {
        MarkPropertiesDialog dialog(style.font, style.textColor, this);
        if (dialog.exec() == QDialog::Accepted) chosen.emplace(dialog.font(), dialog.textColor());
    }
    if (!chosen) return;
    ws_.remembered.MarkFont = chosen->first.toString().toStdString();
    ws_.remembered.MarkFontColor = ToRgb(chosen->second);
}

void MainWindow::onOutlineColor() {
    const QColor current = MarkStyleOf(ws_).outline;
    std::optional<QColor> chosen;
    if (colorDialogHook) {
        chosen = colorDialogHook(current);
    } else {
        const QColor c = QColorDialog::getColor(current, this, QStringLiteral("Outline color"));
        if (c.isValid()) chosen = c;
    }
    if (chosen && chosen->isValid()) ws_.remembered.OutlineColor = ToRgb(*chosen);
}

void MainWindow::onRandomNoise() {
    runGuarded([this] { RunEditCommand(ws_, RandomNoiseCommand()); });
}

void MainWindow::onArtifacts() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    ScrollDialogSettings p;
    p.Min = ArtifactDialog::min;
    p.Max = ArtifactDialog::max;
    p.Position = std::clamp(ws_.remembered.Artifact, p.Min, p.Max);
    p.LargeStep = ArtifactDialog::largeStep;
    p.SmallStep = ArtifactDialog::smallStep;
    p.ShowPresets = false;
    const int n = runScrollDialog(QString::fromLatin1(ArtifactDialog::title), p,
                                  QString::fromLatin1(ArtifactDialog::lowLabel),
                                  QString::fromLatin1(ArtifactDialog::highLabel));
    if (n == kDialogCancelled) return;
    runGuarded([&] { ArtifactCommand(ws_, n); });
}

}  // namespace vimbra

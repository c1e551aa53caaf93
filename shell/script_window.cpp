#include "shell/script_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "batch/script_text.h"
#include "core/workspace.h"
#include "shell/save_file_dialog.h"

namespace vimbra {
namespace {

constexpr int kHelpContext = 650;
const QString kCaption = QStringLiteral("Batch Editor");
const QString kFilter = QStringLiteral("BIP (Batch Image Processor) (*.bip)");

}  // namespace

ScriptWindow::ScriptWindow(Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Tool), ws_(ws), edit_(new QPlainTextEdit(this)) {
    setWindowTitle(kCaption);
    edit_->setObjectName(QStringLiteral("Script"));
    edit_->setAccessibleName(QStringLiteral("Script"));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* bar = new QMenuBar(this);
    bar->addAction(QStringLiteral("&New"), this, &ScriptWindow::onNew);
    bar->addAction(QStringLiteral("&Open"), this, &ScriptWindow::onOpen);
    save_ = bar->addAction(QStringLiteral("&Save"), this, &ScriptWindow::onSave);
    perform_ = bar->addAction(QStringLiteral("&Perform"), this, &ScriptWindow::performRequested);
    bar->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    bar->addAction(QStringLiteral("&Help"), this, [this] {
        if (onHelp) onHelp(kHelpContext);
    });
    save_->setEnabled(false);
    perform_->setEnabled(false);
    connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
        save_->setEnabled(true);
        perform_->setEnabled(true);
    });
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(edit_);
    resize(263, 320);
}

void ScriptWindow::appendLine(const QString& line) { edit_->appendPlainText(line); }

void ScriptWindow::setScript(const QString& text) {
    edit_->setPlainText(text);
    edit_->document()->setModified(false);
}

QString ScriptWindow::script() const { return edit_->toPlainText(); }

std::vector<std::string> ScriptWindow::lines() const {
    std::vector<std::string> out;
    for (const QString& l : edit_->toPlainText().split(QLatin1Char('\n')))
        out.push_back(l.toStdString());
    if (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

int ScriptWindow::lineCount() const { return int(lines().size()); }

bool ScriptWindow::isModifiedScript() const { return edit_->document()->isModified(); }

bool ScriptWindow::confirm(const QString& question) {
    if (confirmHook) return confirmHook(question);
    return QMessageBox::question(this, kCaption, question, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

void ScriptWindow::warn(const QString& message) {
    if (warnHook) return warnHook(message);
    QMessageBox::warning(this, kCaption, message);
}

void ScriptWindow::checkFolder() {
    if (!bipFolder_.isEmpty() && QFileInfo(bipFolder_).isDir()) return;
    const QString app = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    bipFolder_ = QDir(app).filePath(QStringLiteral("bipfiles"));
    QDir().mkpath(bipFolder_);
    if (!QFileInfo(bipFolder_).isDir()) bipFolder_ = app;
}

void ScriptWindow::setName(const QString& path) {
    const QFileInfo info(path);
    scriptName_ = info.fileName();
    bipFolder_ = info.absolutePath();
    setWindowTitle(kCaption + QStringLiteral(" - ") + scriptName_);
}

void ScriptWindow::onNew() {
    if (!confirm(QStringLiteral("Clear batch processing script?"))) return;
    setScript(QString());
    // The next Save asks for a name instead of offering the old script's.
    scriptName_.clear();
    setWindowTitle(kCaption);
}

void ScriptWindow::onOpen() {
    checkFolder();
    const QString path = openDialogHook
                             ? openDialogHook(bipFolder_, scriptName_)
                             : QFileDialog::getOpenFileName(this, QStringLiteral("Open Batch Commands"),
                                                            QDir(bipFolder_).filePath(scriptName_),
                                                            kFilter);
    if (path.isEmpty()) return;
    if (isModifiedScript() && !edit_->document()->isEmpty() &&
        !confirm(QStringLiteral("Replace the unsaved batch processing script?")))
        return;
    openFile(path);
}

void ScriptWindow::openNamed(const QString& path) {
    setName(path);
    onOpen();
}

bool ScriptWindow::openFile(const QString& path) {
    QFile file(path);
    const bool tooLarge = file.size() > qint64(kMaxScriptBytes);
    if (tooLarge || !file.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("Cannot read %1.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    const QByteArray bytes = file.read(qint64(kMaxScriptBytes) + 1);
    if (bytes.size() > qsizetype(kMaxScriptBytes) || file.error() != QFile::NoError) {
        warn(QStringLiteral("Cannot read %1.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    const std::string text = ScriptTextToUtf8(std::string_view(bytes.constData(), size_t(bytes.size())));
    setScript(QString::fromUtf8(text.data(), qsizetype(text.size())));
    setName(path);
    return true;
}

void ScriptWindow::onSave() {
    checkFolder();
    const auto complete = [](const QString& p) {
        return p.isEmpty() || !QFileInfo(p).suffix().isEmpty() ? p : p + QStringLiteral(".bip");
    };
    const QString path =
        saveDialogHook ? complete(saveDialogHook(bipFolder_, scriptName_))
                       : AskSaveFileName(this, QStringLiteral("Save Batch Commands"),
                                         QDir(bipFolder_).filePath(scriptName_), kFilter,
                                         QStringLiteral(".bip"), complete);
    if (path.isEmpty()) return;
    saveFile(path);
}

bool ScriptWindow::saveFile(const QString& path) {
    QSaveFile file(path);
    QString text = script();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('\n');
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        warn(QStringLiteral("Save aborted."));
        return false;
    }
    edit_->document()->setModified(false);
    setName(path);
    return true;
}

void ScriptWindow::closeForGood() {
    closingForGood_ = true;
    ws_.RecordingActive = false;  // a hidden window gets no close event
    close();
}

void ScriptWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    edit_->setFocus();
    ws_.RecordingActive = true;
}

void ScriptWindow::closeEvent(QCloseEvent* event) {
    // Close only hides: the script stays and recording goes on.
    if (closingForGood_) ws_.RecordingActive = false;
    QWidget::closeEvent(event);
}

}  // namespace vimbra

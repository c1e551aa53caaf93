#include "shell/script_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "core/workspace.h"

namespace vimbra {

ScriptWindow::ScriptWindow(Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Tool), ws_(ws), edit_(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Batch Image Processing"));
    edit_->setObjectName(QStringLiteral("Script"));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* perform = new QPushButton(QStringLiteral("&Perform"), this);
    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    connect(perform, &QPushButton::clicked, this, &ScriptWindow::performRequested);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(perform);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    resize(360, 420);
}

void ScriptWindow::appendLine(const QString& line) {
    edit_->appendPlainText(line);
}

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

void ScriptWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ws_.RecordingActive = true;
}

void ScriptWindow::closeEvent(QCloseEvent* event) {
    ws_.RecordingActive = false;
    QWidget::closeEvent(event);
}

}  // namespace vimbra

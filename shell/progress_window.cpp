#include "shell/progress_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/workspace.h"

namespace vimbra {

ProgressWindow::ProgressWindow(Workspace& ws, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      ws_(ws) {
    statusLine_ = new QLabel(this);
    statusLine_->setMinimumWidth(300);
    statusLine_->setTextFormat(Qt::PlainText);
    label1_ = new QLabel(QStringLiteral("Thumbs:"), this);
    label2_ = new QLabel(QStringLiteral("Folders:"), this);
    bar1_ = new QProgressBar(this);
    bar2_ = new QProgressBar(this);
    for (QProgressBar* bar : {bar1_, bar2_}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    connect(btnCancel_, &QPushButton::clicked, this, &ProgressWindow::requestCancel);

    auto* grid = new QGridLayout;
    grid->addWidget(label1_, 0, 0);
    grid->addWidget(bar1_, 0, 1);
    grid->addWidget(label2_, 1, 0);
    grid->addWidget(bar2_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel_);
    auto* main = new QVBoxLayout(this);
    main->addWidget(statusLine_);
    main->addLayout(grid);
    main->addLayout(buttons);
    status_ = QStringLiteral("One moment ...");
    elide();
}

void ProgressWindow::ShowStatusWindow(const QString& caption) {
    setWindowTitle(caption);
    status_ = QStringLiteral("One moment ...");
    elide();
    show();
    raise();
}

void ProgressWindow::LabelText(const QString& status, const QString& first, const QString& second) {
    status_ = status;
    if (!first.isEmpty()) label1_->setText(first);
    if (!second.isEmpty()) label2_->setText(second);
    elide();
}

void ProgressWindow::setProgress(int first, int second) {
    bar1_->setValue(std::clamp(first, 0, 100));
    bar2_->setValue(std::clamp(second, 0, 100));
}

void ProgressWindow::elide() {
    // One line; a long path loses its middle, keeping the drive/root and the name.
    const int width = std::max(statusLine_->width(), statusLine_->minimumWidth());
    statusLine_->setText(statusLine_->fontMetrics().elidedText(status_, Qt::ElideMiddle, width));
    statusLine_->setToolTip(status_);
}

void ProgressWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    elide();
}

void ProgressWindow::requestCancel() { ws_.CancelRequested = true; }

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        requestCancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Esc reaches reject() through QDialog as well; it only asks the run to stop.
void ProgressWindow::reject() { requestCancel(); }

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Not through QDialog::closeEvent: that would reject(), which only cancels.
    ws_.CriticalProcess = false;
    event->accept();
}

}  // namespace vimbra

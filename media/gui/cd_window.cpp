#include "media/gui/cd_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace vimbra {

CdWindow::CdWindow(CdPlayer::DeviceFactory factory, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                          Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      player_(std::move(factory)) {
    setWindowTitle(QStringLiteral("CD Audio"));
    setObjectName(QStringLiteral("CDForm"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(1);
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"Play", [this] { player_.play(); timer9_.start(); }},
        {"Pause", [this] { player_.pause(); timer9_.stop(); }},
        {"Stop", [this] { player_.stop(); }},
        {"Next", [this] { player_.next(); }},
        {"Previous", [this] { player_.previous(); }},
        {"Eject", [this] { player_.eject(); }},
    };
    for (const auto& [caption, act] : actions) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, act);
        row->addWidget(b);
        buttons_.push_back(b);
    }
    timer9_.setInterval(1000);
    connect(&timer9_, &QTimer::timeout, this, &CdWindow::Timer9Timer);
}

CdWindow::~CdWindow() { player_.shutDown(); }

QPushButton* CdWindow::button(const QString& caption) const {
    for (QPushButton* b : buttons_)
        if (b->text() == caption) return b;
    return nullptr;
}

bool CdWindow::PlayCdTrack(int track, bool slideMode) {
    if (!player_.PlayCdTrack(track, slideMode)) return false;
    timer9_.start();
    if (!slideMode) {
        setWindowTitle(QStringLiteral("CD Audio"));
        show();
        raise();
    }
    return true;
}

void CdWindow::CdCloseRequest() {
    if (!player_.closeArmed()) {
        player_.CdCloseRequest();
        return;
    }
    close();
}

void CdWindow::Timer9Timer() {
    const CdPlayer::Tick t = player_.Timer9Timer();
    if (!player_.timerEnabled()) timer9_.stop();
    if (!t.error.empty()) showErrorText(QString::fromStdString(t.error));
    if (t.close) {
        close();
        return;
    }
    if (!t.caption.empty()) setWindowTitle(QString::fromStdString(t.caption));
}

void CdWindow::showErrorText(const QString& text) {
    if (errorHook) errorHook(text);
    else QMessageBox::critical(this, QStringLiteral("CD Audio"), text);
}

void CdWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        CdCloseRequest();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CdWindow::closeEvent(QCloseEvent* event) {
    timer9_.stop();
    player_.shutDown();
    emit closed();
    QDialog::closeEvent(event);
}

}  // namespace vimbra

#pragma once
// The "CD Audio" window: Play, Pause, Stop, Next, Previous and Eject over the
// CD player, with the track and time in its caption once a second. Slide mode
// plays one track without showing the window.
#include <memory>

#include <QDialog>
#include <QTimer>

#include "media/cd_player.h"

class QPushButton;

namespace vimbra {

class CdWindow : public QDialog {
    Q_OBJECT
public:
    explicit CdWindow(CdPlayer::DeviceFactory factory, QWidget* parent = nullptr);
    ~CdWindow() override;

    // Opens at `track`; shows the window unless in slide mode. False with the
    // message in player().error() when the device cannot open.
    bool PlayCdTrack(int track, bool slideMode);
    bool CdActive() const { return player_.CdActive(); }
    void CdCloseRequest();
    CdPlayer& player() { return player_; }
    QPushButton* button(const QString& caption) const;
    // One tick of the one-second timer (tests call it directly).
    void Timer9Timer();

    // Stand-in for the error box (tests).
    std::function<void(const QString&)> errorHook;

signals:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showErrorText(const QString& text);

    CdPlayer player_;
    QTimer timer9_;
    std::vector<QPushButton*> buttons_;
};

}  // namespace vimbra

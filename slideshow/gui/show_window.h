#pragma once
// The window a show plays in: it asks the runner for slides, draws each one's
// transition at the pace the display takes frames (every frame is worked out
// for the time it is shown, nothing sleeps), waits the slide's time and ends
// on Esc, a click, minimising or closing. Given a parent it fills the
// parent's client area and follows its size; minimising the parent stops it.
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "slideshow/gui/show_media.h"
#include "slideshow/show_runner.h"
#include "slideshow/slide_frame.h"
#include "slideshow/transition.h"

namespace vimbra {

struct ShowSettings {
    int speed = kSpeedNormal;                // "Effects &speed"
    CaptionPlace captionPlace = CaptionPlace::Bottom;
    uint32_t background = 0;                 // 0x00BBGGRR
    int screenGamma = 100;                   // bookmark shows
    std::vector<int> selection;              // "selFX01"
    int delayMs = 500;                       // "Delay", bookmark shows
    int aspectWidth = 0, aspectHeight = 0;   // the viewer's aspect correction (0: off)
    ShowMediaOptions media;                  // sound, video, CD and text slides
    bool colourManage = true;                // pictures with a profile drawn in display colours
};

class ShowWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShowWindow(ShowSettings settings, ShowRunner::Clock clock = {}, QWidget* parent = nullptr);
    ~ShowWindow() override;

    // "" or the refusal ("Bad AVL file.", the two-slides text).
    QString startAvl(const QString& path);
    QString startBookmarks(const std::vector<std::string>& entries, size_t bookmarkIndex);
    // Shows the window and plays: over the parent's client area, or on its
    // own (full screen unless told otherwise).
    void play(bool fullScreen = true);

    ShowRunner& runner() { return runner_; }
    const Bitmap& shownFrame() const { return shown_; }
    bool inTransition() const { return transition_ != nullptr; }
    // Waiting for a video (or a medium played through the player) to end.
    bool inVideo() const { return videoWait_; }
    ShowMedia& media() { return *media_; }
    // Moves the show on without waiting for the timer (tests).
    void tick();

signals:
    // The show has ended; message is the warning or error to show, or empty.
    void finished(const QString& message);
    // A slide's medium could not be played (no sound device, no CD drive, a
    // file the player refuses); the show goes on.
    void slideSkipped(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void nextSlide();
    void showStep(const SlideStep& step);
    void showPicture(const SlideStep& step);
    // Sound, video, CD and text slides (show_window_media.cpp).
    void showMediaSlide(const SlideStep& step);
    void startPlayerSlide(const SlideStep& step);
    void pollVideo();
    void finish(const QString& message);
    void stopOnMinimise(QWidget* window);

    ShowSettings settings_;
    ShowRunner runner_;
    QTimer timer_;
    ShowRunner::Clock clock_;
    int64_t transitionStart_ = 0, transitionMs_ = 1;
    std::unique_ptr<Transition> transition_;
    Bitmap shown_, next_, frame_;
    int64_t waitMs_ = 0;
    bool ended_ = false;
    std::unique_ptr<ShowMedia> media_;
    // A slide waiting for the pause on its background colour to pass.
    std::optional<SlideStep> pending_;
    int64_t pendingAt_ = 0;
    bool videoWait_ = false;
    int64_t nextPoll_ = 0;
};

}  // namespace vimbra

// The show window's slides that are not pictures. Each starts its medium and
// returns; the window's timer does the waiting.
#include <QScreen>

#include "slideshow/gui/show_window.h"
#include "slideshow/text_slide.h"

namespace vimbra {

void ShowWindow::showMediaSlide(const SlideStep& step) {
    const ShowMediaOptions& options = media_->options();
    switch (step.kind) {
        case SlideKind::Audio:
            if (options.jukebox) {
                startPlayerSlide(step);
                return;
            }
            // A failure is told through ShowMedia::failed; the slide's time passes all the same.
            media_->playAudio(step.path);
            break;
        case SlideKind::Video:
            startPlayerSlide(step);
            return;
        case SlideKind::Cd:
            media_->playCd(step.slide.family);
            break;
        case SlideKind::Text: {
            const int w = std::max(width(), 1), h = std::max(height(), 1);
            if (shown_.width() != w || shown_.height() != h) shown_ = BlankFrame(w, h, settings_.background);
            const QSize screenSize = screen() ? screen()->size() : QSize(w, h);
            shown_ = ComposeTextPage(shown_, step.path, step.slide, options.textPosition,
                                     step.slide.background.value_or(settings_.background), screenSize.width(),
                                     screenSize.height());
            update();
            break;
        }
        default:
            break;
    }
    runner_.beginWait(waitMs_);
}

void ShowWindow::startPlayerSlide(const SlideStep& step) {
    PlayerPlacement place;
    place.avl = runner_.avlMode();
    place.autoSize = media_->options().autoSizeVideo;
    place.box = step.slide.box;
    place.position = step.slide.position;
    place.zoom = step.slide.zoom;
    media_->startVideo(step.path, place, clock_());
    videoWait_ = true;
    nextPoll_ = clock_() + kVideoPollMs;
    // The wait only catches an advance request; the player's end ends the slide.
    runner_.beginWait(kMaxSlideTimeMs);
}

void ShowWindow::pollVideo() {
    const int64_t now = clock_();
    const bool advance = runner_.waitOver();
    if (!advance && now < nextPoll_) return;
    nextPoll_ = now + kVideoPollMs;
    if (advance || !media_->videoRunning(now)) {
        videoWait_ = false;
        media_->stopVideo();
        nextSlide();
        return;
    }
    if (!media_->options().jukebox && media_->videoWithoutPicture()) {
        // Plain sound keeps playing behind the next slides.
        videoWait_ = false;
        runner_.beginWait(waitMs_);
    }
}

}  // namespace vimbra

#include "media/cd_player.h"

#include <algorithm>

namespace vimbra {

std::string CdCaption(const CdPosition& at) {
    return "CD Audio [Trk:" + std::to_string(at.track) + "] " + std::to_string(at.minutes) + ":" +
           std::to_string(at.seconds);
}

CdPlayer::CdPlayer(DeviceFactory factory) : factory_(std::move(factory)) {}

CdPlayer::~CdPlayer() {
    if (active_) shutDown();
}

int CdPlayer::clampTrack(int track) {
    const int tracks = device_ ? device_->trackCount() : 0;
    return tracks < 1 ? 1 : std::clamp(track, 1, tracks);
}

bool CdPlayer::PlayCdTrack(int track, bool slideMode) {
    if (active_) return false;
    error_.clear();
    device_ = factory_ ? factory_() : nullptr;
    if (!device_ || !device_->open() || device_->trackCount() < 1) {
        error_ = kCdUnavailable;
        device_.reset();
        return false;
    }
    slideMode_ = slideMode;
    closeArmed_ = closing_ = paused_ = false;
    // Track numbers past the disc would play nothing or the wrong music.
    start_ = current_ = clampTrack(track);
    end_ = start_ < device_->trackCount() ? start_ + 1 : 0;
    timerEnabled_ = true;
    if (slideMode_ && !device_->play(start_, end_)) {
        error_ = device_->errorText().empty() ? kCdUnavailable : device_->errorText();
        device_->close();
        device_.reset();
        return false;
    }
    active_ = true;
    return true;
}

void CdPlayer::play() {
    if (!active_) return;
    timerEnabled_ = true;
    if (paused_ && device_->mode() == CdMode::Paused) device_->resume();
    else device_->play(current_, slideMode_ ? end_ : 0);
    paused_ = false;
}

void CdPlayer::pause() {
    if (!active_) return;
    timerEnabled_ = false;
    paused_ = device_->pause();
}

void CdPlayer::stop() {
    if (!active_) return;
    device_->stop();
    paused_ = false;
}

void CdPlayer::next() {
    if (!active_) return;
    current_ = clampTrack(current_ + 1);
    if (device_->mode() == CdMode::Playing) device_->play(current_, 0);
}

void CdPlayer::previous() {
    if (!active_) return;
    current_ = clampTrack(current_ - 1);
    if (device_->mode() == CdMode::Playing) device_->play(current_, 0);
}

void CdPlayer::eject() {
    if (!active_) return;
    device_->stop();
    device_->eject();
    paused_ = false;
}

bool CdPlayer::CdCloseRequest() {
    if (!active_) return false;
    if (!closeArmed_) {
        closeArmed_ = true;
        return false;
    }
    shutDown();
    return true;
}

CdPlayer::Tick CdPlayer::Timer9Timer() {
    Tick t;
    if (!active_ || closing_ || !timerEnabled_ || !device_ || !device_->isOpen()) return t;
    const CdMode mode = device_->mode();
    const bool stopped = mode == CdMode::Stopped || mode == CdMode::Open;
    if (stopped) timerEnabled_ = false;
    CdPosition at;
    if (!device_->position(at) && !stopped) {
        t.error = device_->errorText().empty() ? kCdUnavailable : device_->errorText();
        t.close = true;
        return t;
    }
    if (stopped) {
        if (slideMode_) closeArmed_ = true;
        t.close = closeArmed_;
        return t;
    }
    current_ = clampTrack(at.track);
    t.caption = CdCaption(at);
    return t;
}

void CdPlayer::shutDown() {
    if (!active_) return;
    closing_ = true;
    timerEnabled_ = false;
    if (device_) {
        if (device_->mode() != CdMode::Stopped) device_->stop();
        if (device_->isOpen()) device_->close();
    }
    device_.reset();
    closing_ = false;
    active_ = false;
    closeArmed_ = false;
}

}  // namespace vimbra

#pragma once
// A CD drive in memory for the CD player's tests; the state outlives the
// device so tests can look at what the player asked for.
#include <memory>

#include "media/cd_player.h"

namespace vimbra {

struct FakeCdState {
    bool openable = true, open = false, positionFails = false;
    int tracks = 10;
    CdMode mode = CdMode::Stopped;
    CdPosition at;
    int lastFrom = 0, lastTo = -1, plays = 0, resumes = 0, ejects = 0;
};

class FakeCdDevice final : public CdDevice {
public:
    explicit FakeCdDevice(FakeCdState& s) : s_(s) {}
    bool open() override { return s_.open = s_.openable; }
    void close() override { s_.open = false; }
    bool isOpen() const override { return s_.open; }
    int trackCount() override { return s_.tracks; }
    bool play(int from, int to) override {
        s_.lastFrom = from;
        s_.lastTo = to;
        ++s_.plays;
        s_.mode = CdMode::Playing;
        return true;
    }
    bool pause() override {
        s_.mode = CdMode::Paused;
        return true;
    }
    bool resume() override {
        ++s_.resumes;
        s_.mode = CdMode::Playing;
        return true;
    }
    bool stop() override {
        s_.mode = CdMode::Stopped;
        return true;
    }
    bool eject() override {
        ++s_.ejects;
        s_.mode = CdMode::Open;
        return true;
    }
    CdMode mode() override { return s_.mode; }
    bool position(CdPosition& at) override {
        if (s_.positionFails) return false;
        at = s_.at;
        return true;
    }
    std::string errorText() const override { return s_.positionFails ? "drive not ready" : ""; }

private:
    FakeCdState& s_;
};

inline CdPlayer::DeviceFactory FakeCdFactory(FakeCdState& s) {
    return [&s] { return std::make_unique<FakeCdDevice>(s); };
}

}  // namespace vimbra

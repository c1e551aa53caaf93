#pragma once
// What a sound or video file holds, read by GStreamer's discoverer without
// playing it: no window, no event loop, a time limit for hostile files.
#include <cstdint>
#include <string>

namespace vimbra {

inline constexpr int kMediaProbeTimeoutSeconds = 10;

struct MediaFacts {
    bool ok = false;
    std::string message;      // why not ok, naming the file
    int64_t durationMs = -1;  // -1: the file does not tell
    bool hasVideo = false, hasAudio = false;
    int videoWidth = 0, videoHeight = 0;
};

MediaFacts ProbeMediaFile(const std::string& path, int timeoutSeconds = kMediaProbeTimeoutSeconds);

}  // namespace vimbra

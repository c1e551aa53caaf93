#pragma once
// A show drawn frame by frame at a fixed rate, for a video file: each picture
// slide comes in with its transition and stays for its time, text pages are
// drawn over it. Sound, video and CD slides and chained scripts are reported
// and skipped.
#include <functional>
#include <string>

#include "core/bitmap.h"
#include "slideshow/effect_table.h"
#include "slideshow/show_listing.h"

namespace vimbra {

struct RenderOptions {
    int width = 1280, height = 720;
    int fps = 25;
    int speed = kSpeedNormal;
    uint32_t background = 0;  // 0x00BBGGRR
    int textPosition = 0;     // of text pages: auto, top, bottom
};

// Receives each frame; false stops the rendering.
using FrameSink = std::function<bool(const Bitmap& frame)>;
using RenderReport = std::function<void(const std::string& message)>;

// Frames of one cycle. Returns "" or the message that ended it.
std::string RenderShowCycle(const ShowListing& show, const RenderOptions& options, const FrameSink& sink,
                            const RenderReport& report);

// Frames a slide stays for its time (one at least) and a transition lasts.
int HoldFrames(int64_t waitMs, int fps);
int TransitionFrames(const EffectRecord& mapped, int speed, int fps);

}  // namespace vimbra

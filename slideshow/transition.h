#pragma once
// Transition frames between two full frames of the same size: the frame on
// screen (A) and the next slide's frame (B). A frame is an exact function of
// the progress, so a show can draw whatever frame the display is ready for,
// and a video renderer gets the same pictures. Progress 0 is exactly A, full
// progress exactly B; plain drawing (code 0) shows B from the first step.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/bitmap.h"
#include "slideshow/effect_table.h"

namespace vimbra {

inline constexpr int kProgressOne = 65536;

// Progress in [0, 1] as 0..kProgressOne, rounded.
int ProgressFromFraction(double t);

class Transition {
public:
    // from and to: 24-bit frames of equal size, kept by reference while the
    // transition lives. params: a record after MapEffectParameters.
    Transition(const Bitmap& from, const Bitmap& to, const EffectRecord& params);

    // Draws the frame at progress (clamped to 0..kProgressOne) into out,
    // which is made the frames' size when it is not.
    void drawFrame(int progress, Bitmap& out);

    const EffectRecord& params() const { return params_; }

private:
    struct Run {
        int x, width, srcX;
        bool fromB;
    };
    // Runs of one horizontal wipe over columns x0..x0+w; the same for every row.
    static void AddWipeRuns(std::vector<Run>& runs, int x0, int w, int direction, int kind, int progress);
    void applyRuns(const std::vector<Run>& runs, int y0, int y1, Bitmap& out) const;
    void wipeRect(int x0, int y0, int w, int h, int direction, int kind, int progress, Bitmap& out) const;
    void drawCurtains(int progress, Bitmap& out) const;
    void drawBlinds(int progress, Bitmap& out);
    void drawCells(int progress, Bitmap& out);
    void drawShape(int progress, Bitmap& out) const;
    void drawBlur(int progress, Bitmap& out);
    void prepareCells();

    const Bitmap& a_;
    const Bitmap& b_;
    EffectRecord params_;
    int width_, height_;
    // Mosaic, tiles and random lines: cell grid and the step at which each cell turns.
    int cellW_ = 0, cellH_ = 0, cols_ = 0, rows_ = 0;
    std::vector<uint32_t> rank_;
    std::vector<Run> runs_;
    Bitmap scratch_, shrunk2_, shrunk4_, blurred_;
    std::vector<uint32_t> sums_;
};

// Called between frames with the pause asked for (ms); true aborts.
using TransitionProgress = std::function<bool(int pauseMs)>;

// The effect drawing in one call: draws `frames` frames of the transition from
// the picture in target to `to` (placed at its top-left within target, which it
// must fit), calling progress between frames unless p3 says none (with a pause
// of p2 ms every p3 + 1 frames, 0 between). Returns false
// when aborted (target then holds the last frame drawn).
bool ImgDrawImageFX(const Bitmap& to, Bitmap& target, const EffectRecord& params, int frames,
                    const TransitionProgress& progress);

}  // namespace vimbra

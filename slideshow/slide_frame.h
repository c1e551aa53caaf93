#pragma once
// A slide as it appears on screen: the picture sized, turned and gamma
// corrected, placed on the slide's background in a frame of the window's size,
// with the caption band over it.
#include <cstdint>
#include <optional>
#include <string>

#include "core/bitmap.h"
#include "slideshow/avl_script.h"

namespace vimbra {

inline constexpr int kCaptionBandHeight = 24;

enum class CaptionPlace { Bottom, Top };

struct SlideLook {
    int windowWidth = 0, windowHeight = 0;
    uint32_t background = 0;  // 0x00BBGGRR
    // AVL values; a bookmark show keeps the defaults (and its screen gamma).
    std::optional<AvlPair> box, position;
    int zoom = 100;
    int rotate = 0;
    int gamma = 100;
    std::optional<std::string> caption;
    CaptionPlace captionPlace = CaptionPlace::Bottom;
    uint32_t bandColour = 0xFFFFFF, textColour = 0x000000;  // window and window-text colours
    // The viewer's aspect correction: the width made aspectWidth:aspectHeight
    // of the height (4:3, 7:3, 16:9) before any fitting; 0: off.
    int aspectWidth = 0, aspectHeight = 0;
};

// The look of an AVL slide in a window.
SlideLook LookOfSlide(const AvlSlide& slide, int windowWidth, int windowHeight, uint32_t showBackground);

// The size the picture is drawn at: its width corrected for the aspect, fitted
// into U or zoomed by Z, then (after
// turning) fitted into the window without enlarging. Worked out on numbers, so
// a zoom never scales the full picture first.
struct SlidePlacement {
    int width = 0, height = 0;          // before turning
    int left = 0, top = 0;              // where the drawn picture goes
    int drawnWidth = 0, drawnHeight = 0;  // after turning
};
SlidePlacement PlaceSlide(int pictureWidth, int pictureHeight, const SlideLook& look);

// The picture made ready (24 bits, scaled, turned, gamma) and placed in a
// frame of the window's size filled with the background, caption drawn.
Bitmap ComposeSlideFrame(const Bitmap& picture, const SlideLook& look);

// A frame of the window's size in one colour.
Bitmap BlankFrame(int width, int height, uint32_t colour);

// Draws the caption band over a 24-bit frame.
void DrawCaptionBand(Bitmap& frame, const std::string& text, const SlideLook& look);

}  // namespace vimbra

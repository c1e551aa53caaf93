#pragma once
// Text pages as slides: the page laid out in the slide's box (U, P, Z and the
// text position) and drawn over the frame shown so far.
#include <cstdint>
#include <string>

#include "core/bitmap.h"
#include "slideshow/avl_script.h"

namespace vimbra {

// The page of a text slide drawn over `under` (the frame shown so far) in its
// box; `background` is 0x00BBGGRR.
Bitmap ComposeTextPage(const Bitmap& under, const std::string& path, const AvlSlide& slide,
                       int textPosition, uint32_t background, int screenWidth, int screenHeight);

}  // namespace vimbra

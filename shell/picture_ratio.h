#pragma once
// The viewer's aspect modes: pictures stretched to a television or cinema
// frame from their height, or reduced to the view area, as they are loaded.
#include <string>
#include <utility>

#include "core/bitmap.h"
#include "shell/view_math.h"

namespace vimbra {

// The question asked before a stretching mode is chosen; empty for the modes
// that keep the picture's proportions.
std::string AspectQuestion(int mode);
inline constexpr const char* kAspectMultipage = "Multipage documents cannot use this feature.";

// The width:height a stretching mode makes a picture's width from its height
// (4:3, 7:3, 16:9); {0, 0} for the modes that keep the proportions.
std::pair<int, int> AspectRatioOf(int mode);

// The size a picture of width × height is loaded at: the stretching modes take
// the width from the height (4:3, 7:3, 16:9, to the nearest pixel); then every
// mode but 1:1 Monitor reduces a picture larger than the view area to fit it,
// keeping the proportions. A view of 0 × 0 fits nothing.
ViewSize AspectSize(int mode, int width, int height, int viewWidth, int viewHeight);

// The picture resampled to AspectSize (smooth copy; pictures below 4 bits by
// nearest pixel). A picture that keeps its size is returned as it is.
Bitmap ApplyAspect(const Bitmap& picture, int mode, int viewWidth, int viewHeight);

}  // namespace vimbra

#pragma once
// The EXIF orientation tag: reading it from a TIFF-structured EXIF blob and
// turning the decoded pixels upright, the way -auto-orient does it in the
// common image tools, so a crop recorded on the screen lands on the same
// pixels in a script.
#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

// The Orientation entry (tag 0x0112) of the first directory of a
// TIFF-structured EXIF blob ("II*\0" / "MM\0*"): 1..8, and 1 when the blob is
// empty, malformed, or the value is out of range.
int ExifOrientation(ByteSpan exif);

// The picture as a viewer following `orientation` shows it: 2 mirrored left
// to right, 3 turned half a turn, 4 mirrored top to bottom, 5 transposed,
// 6 turned a quarter clockwise, 7 transversed, 8 turned a quarter
// anticlockwise. 1 and unknown values return the picture unchanged. Every
// depth; the palette and (swapped for 5..8) the resolution follow.
Bitmap OrientUpright(const Bitmap& picture, int orientation);

// True for the orientations that exchange width and height.
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace vimbra

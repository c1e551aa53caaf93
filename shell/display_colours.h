#pragma once
// Pictures drawn in the display's colours: every view that shows a picture
// carrying an ICC profile (viewer, full screen, slideshows, the effects
// dialog's views) converts a copy through here, so they all agree.
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

struct xcb_connection_t;

namespace vimbra {

// The display's profile: the X11 root window's _ICC_PROFILE when the program
// runs on X11 and the property is set; empty (sRGB) otherwise. Read once.
const std::vector<uint8_t>& DisplayProfile();

// The _ICC_PROFILE property of `screen`'s root window (screen 0 uses the
// plain name, others _ICC_PROFILE_n), empty when absent or not 8-bit data.
// At most 16 MiB is read.
std::vector<uint8_t> ReadRootIccProfile(xcb_connection_t* connection, int screen);

// Converts `picture` from `icc` into `display` (empty: sRGB). False, with the
// picture as it was, when there is no profile or it cannot be used; a
// display profile that cannot be used counts as sRGB.
bool ToDisplayColours(Bitmap& picture, ByteSpan icc, ByteSpan display);
inline bool ToDisplayColours(Bitmap& picture, ByteSpan icc) {
    return ToDisplayColours(picture, icc, DisplayProfile());
}

}  // namespace vimbra

#pragma once
// Colour profiles through lcms2: a picture's values converted from the ICC
// profile its file carries to sRGB (a conversion that must look the same where
// no program reads the profile) or to a display's profile.
#include <string>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

// The profile's description ("Adobe RGB (1998)"), empty when it has none or
// cannot be parsed.
std::string ProfileDescription(ByteSpan icc);

// Converts the picture's colours (the palette for 1, 4 and 8 bits) from
// `icc` to sRGB, relative colorimetric without black point compensation.
// Throws ImageFileError when the profile is malformed or not an RGB one.
void ConvertToSrgb(Bitmap& picture, ByteSpan icc);

// The same towards the RGB profile `target`; an empty target means sRGB.
// Throws ImageFileError when either profile is malformed or not an RGB one.
void ConvertColours(Bitmap& picture, ByteSpan icc, ByteSpan target);

}  // namespace vimbra

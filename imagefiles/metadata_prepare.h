#pragma once
// What a picture's metadata becomes in the file it is saved to.
#include "imagefiles/picture_metadata.h"

namespace vimbra {

struct SavedPicture {
    int width = 0, height = 0;      // as written
    bool pixelsChanged = false;     // edited since it was read
    bool coloursConverted = false;  // its values no longer those the profile describes
};

// The orientation tag becomes `source.orientation` (1 once the pixels were
// turned upright), PixelXDimension / PixelYDimension the saved size, in EXIF
// and (where the packet names them) XMP; the EXIF thumbnail goes when the
// pixels changed, were turned or resized; the ICC profile goes when the
// colours were converted. A source without EXIF gets none. Never throws: an
// EXIF blob exiv2 cannot decode is dropped.
PictureMetadata MetadataForSave(const PictureMetadata& source, const SavedPicture& saved);

}  // namespace vimbra

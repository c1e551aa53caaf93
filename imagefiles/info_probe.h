#pragma once
// What the information text tells of a picture file, read from its header:
// the size and depth of the working picture a load would make, its pages and
// its metadata, without decoding (or allocating) the pixels.
#include <optional>
#include <string>

#include "imagefiles/load_dispatch.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

struct PictureFacts {
    LoadedFile file;                        // as LoadImageFile gives it
    int width = 0, height = 0, depth = 0;  // the working picture's, upright
    PictureMetadata metadata;               // as a load keeps it
};

// The facts a plain load (default LoadOptions) would give. Nothing when only
// loading can tell: no file, no picture or a metafile, a header no reader
// takes, a reader whose decoded depth the header does not give (Photo CD, the
// imaging library, pictures those readers refuse), or a picture larger than a
// load accepts. Pixel data is not looked at, so a file cut short in its
// pixels gives its facts here and fails to load.
std::optional<PictureFacts> ProbePictureFacts(const std::string& path);

}  // namespace vimbra

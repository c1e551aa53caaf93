#pragma once
// Camera metadata written into a TIFF file while it is encoded. exiv2 0.27
// rewrites a whole TIFF file to add a tag (close to a second at 24 MP); here
// the EXIF block becomes the start of the file, libtiff appends the picture
// after it, and one first directory then names both. The pixels are never
// copied again.
#include <cstdint>
#include <vector>

#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

// A single-page file as EncodeTiff writes it, with `metadata` in its first
// directory as exiv2 would have written it there: the file's own image tags
// (size, strips, resolution, ...) win over the EXIF block's, and its Software
// and DateTime give way to the block when there is one. Metadata that cannot
// be encoded is left out and the picture is written without it.
std::vector<uint8_t> EncodeTiffWithMetadata(const Bitmap& bitmap, TiffCompression compression,
                                            const PictureMetadata& metadata);

// The two halves of EncodeTiffWithMetadata: the bytes the file starts with,
// and the directory written into them once libtiff has appended the page.
class TiffMetadataBlock {
public:
    // Throws ImageFileError, or exiv2's errors for an EXIF block it cannot decode.
    explicit TiffMetadataBlock(const PictureMetadata& metadata);

    // What AppendTiffPage is given to append the picture to.
    const std::vector<uint8_t>& prefix() const { return prefix_; }

    // `file`: prefix() with one page appended. Its first directory becomes the
    // merged one. Throws ImageFileError when the page is not where it should be.
    void finish(std::vector<uint8_t>& file) const;

    struct Entry {
        uint16_t tag;
        uint8_t bytes[12];  // as stored, little-endian
    };

private:
    std::vector<uint8_t> prefix_;
    std::vector<Entry> kept_;  // the EXIF block's first-directory tags and the blobs
    bool hasExif_ = false;
    size_t linkAt_ = 4;        // the pointer libtiff sets to its directory
    uint32_t next_ = 0;        // the directory after the first (the EXIF thumbnail)
    size_t dirAt_ = 0, room_ = 0;  // space for the merged directory, in entries
};

}  // namespace vimbra

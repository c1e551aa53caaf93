#pragma once
// What a photograph carries besides its pixels. Kept with the working picture
// from load to save, so a conversion or an edit does not throw the camera's
// data away. Every blob is stored exactly as read; empty means absent.
#include <cstdint>
#include <vector>

namespace vimbra {

struct PictureMetadata {
    std::vector<uint8_t> exif;  // TIFF-structured EXIF ("II*\0" / "MM\0*"), no "Exif\0\0" prefix
    std::vector<uint8_t> xmp;   // the XMP packet as text bytes
    std::vector<uint8_t> iptc;  // IPTC-IIM records
    std::vector<uint8_t> icc;   // the ICC colour profile

    // The EXIF orientation still to be applied to the decoded pixels (1..8).
    // 1 when there is none or the reader already turned the picture upright.
    int orientation = 1;

    bool empty() const { return exif.empty() && xmp.empty() && iptc.empty() && icc.empty(); }
};

}  // namespace vimbra

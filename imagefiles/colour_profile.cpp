#include "imagefiles/colour_profile.h"

#include <lcms2.h>

#include <memory>
#include <vector>

namespace vimbra {
namespace {

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDeleter {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

// lcms2 reports through a global handler; the caller's message says it all.
void Quiet(cmsContext, cmsUInt32Number, const char*) {}

Profile Open(ByteSpan icc) {
    cmsSetLogErrorHandler(Quiet);
    if (icc.empty() || icc.size() > (size_t(64) << 20)) return nullptr;
    return Profile(cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size())));
}

}  // namespace

std::string ProfileDescription(ByteSpan icc) {
    const Profile p = Open(icc);
    if (!p) return {};
    char text[256] = {};
    const cmsUInt32Number n =
        cmsGetProfileInfoASCII(p.get(), cmsInfoDescription, "en", "US", text, sizeof text);
    return n > 0 ? std::string(text) : std::string();
}

void ConvertToSrgb(Bitmap& picture, ByteSpan icc) { ConvertColours(picture, icc, {}); }

void ConvertColours(Bitmap& picture, ByteSpan icc, ByteSpan target) {
    const Profile in = Open(icc);
    if (!in) throw ImageFileError("The colour profile cannot be read.");
    if (cmsGetColorSpace(in.get()) != cmsSigRgbData)
        throw ImageFileError("Only RGB colour profiles can be converted to sRGB.");
    const Profile out = target.empty() ? Profile(cmsCreate_sRGBProfile()) : Open(target);
    if (!out) throw ImageFileError("The display's colour profile cannot be read.");
    if (cmsGetColorSpace(out.get()) != cmsSigRgbData)
        throw ImageFileError("The display's colour profile is not an RGB one.");
    const bool indexed = picture.depth() <= 8;
    // Palette entries are red, green, blue and a flags byte; pixels blue, green, red.
    const cmsUInt32Number format = indexed ? TYPE_RGBA_8 : TYPE_BGR_8;
    const Transform t(cmsCreateTransform(in.get(), format, out.get(), format,
                                         INTENT_RELATIVE_COLORIMETRIC, 0));
    if (!t) throw ImageFileError("The colour profile cannot be used.");
    if (indexed) {
        auto& palette = picture.palette();
        static_assert(sizeof(PaletteEntry) == 4);
        cmsDoTransform(t.get(), palette.data(), palette.data(), cmsUInt32Number(palette.size()));
        return;
    }
    for (int y = 0; y < picture.height(); ++y)
        cmsDoTransform(t.get(), picture.scanLine(y), picture.scanLine(y),
                       cmsUInt32Number(picture.width()));
}

}  // namespace vimbra

#include "shell/display_colours.h"

#include <QGuiApplication>

#include <string>

#include "imagefiles/colour_profile.h"

#ifdef VIMBRA_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace vimbra {

#ifdef VIMBRA_HAVE_XCB
std::vector<uint8_t> ReadRootIccProfile(xcb_connection_t* c, int screen) {
    if (!c || screen < 0) return {};
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 0; ++i) xcb_screen_next(&it);
    if (it.rem <= 0 || !it.data) return {};
    const std::string name = screen == 0 ? "_ICC_PROFILE" : "_ICC_PROFILE_" + std::to_string(screen);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.data()), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) return {};
    constexpr uint32_t kMaxLongs = (16u << 20) / 4;
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, it.data->root, atom->atom,
                                                   XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxLongs),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 8 || reply->bytes_after != 0) return {};
    const int n = xcb_get_property_value_length(reply.get());
    const auto* v = static_cast<const uint8_t*>(xcb_get_property_value(reply.get()));
    return n > 0 && v ? std::vector<uint8_t>(v, v + n) : std::vector<uint8_t>();
}
#else
std::vector<uint8_t> ReadRootIccProfile(xcb_connection_t*, int) { return {}; }
#endif

namespace {

std::vector<uint8_t> LookUpDisplayProfile() {
#ifdef VIMBRA_HAVE_XCB
    // Only the xcb platform has an X server to ask; offscreen, Wayland and
    // others are taken as sRGB.
    if (auto* app = qGuiApp) {
        if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>())
            return ReadRootIccProfile(x11->connection(), 0);
    }
#endif
    return {};
}

}  // namespace

const std::vector<uint8_t>& DisplayProfile() {
    static const std::vector<uint8_t> profile = LookUpDisplayProfile();
    return profile;
}

bool ToDisplayColours(Bitmap& picture, ByteSpan icc, ByteSpan display) {
    if (icc.empty() || picture.isEmpty()) return false;
    // The conversion refuses before it touches a pixel.
    try {
        ConvertColours(picture, icc, display);
        return true;
    } catch (const std::exception&) {
        if (display.empty()) return false;
    }
    // A display profile lcms2 refuses counts as none: sRGB.
    try {
        ConvertColours(picture, icc, {});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vimbra

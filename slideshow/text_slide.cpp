#include "slideshow/text_slide.h"

#include <algorithm>
#include <cstring>

#include "media/text_page.h"

namespace vimbra {

Bitmap ComposeTextPage(const Bitmap& under, const std::string& path, const AvlSlide& slide,
                       int textPosition, uint32_t background, int screenWidth, int screenHeight) {
    Bitmap frame = under;
    frame.convertTo24();
    TextPageRequest request;
    if (slide.position) request.x = slide.position->x, request.y = slide.position->y;
    if (slide.box) request.width = slide.box->x, request.height = slide.box->y;
    request.zoom = slide.zoom;
    request.slideshow = true;
    request.textPosition = textPosition;
    const PageBox box = TextPageBox(request, frame.width(), frame.height(), screenWidth, screenHeight);
    // Slides give colours as 0x00BBGGRR, the page takes 0x00RRGGBB.
    const uint32_t rgb = ((background & 0xFF) << 16) | (background & 0xFF00) | ((background >> 16) & 0xFF);
    const Bitmap page = RenderTextPage(path, box.width, box.height, rgb);
    if (page.isEmpty() || box.x < 0 || box.y < 0) return frame;
    for (int y = 0; y < page.height() && box.y + y < frame.height(); ++y) {
        const int w = std::min(page.width(), frame.width() - box.x);
        if (w > 0) std::memcpy(frame.scanLine(box.y + y) + 3 * box.x, page.scanLine(y), size_t(w) * 3);
    }
    return frame;
}

}  // namespace vimbra

#pragma once
// Text pages: a rich-text or plain-text file laid out in a box of the client
// area and drawn off-screen into a 24-bit picture (never copied from the
// screen, where other windows may cover it).
#include <cstdint>
#include <string>

#include "core/bitmap.h"

class QTextDocument;

namespace vimbra {

// Height of the strip a show's page takes with the text at the top or bottom.
inline constexpr int kTextStripHeight = 48;
inline constexpr int kTextPositionAuto = 0, kTextPositionTop = 1, kTextPositionBottom = 2;
inline constexpr size_t kMaxTextPageBytes = size_t(32) << 20;

// What the caller of a page gives: the slide's P (top-left; -1 not given),
// U (box size; 0 not given) and Z (zoom percent).
struct TextPageRequest {
    int x = -1, y = -1;
    int width = 0, height = 0;
    int zoom = 100;
    bool slideshow = false;
    int textPosition = kTextPositionAuto;
};

struct PageBox {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PageBox&) const = default;
};

// Where the page goes in a client area of the given size on a screen of the
// given size.
PageBox TextPageBox(const TextPageRequest& request, int clientWidth, int clientHeight,
                    int screenWidth, int screenHeight);

struct TextPageContent {
    bool ok = true;       // false: the page stays empty
    std::string message;  // why (unreadable file, bad rich text)
};

// Fills `document` with the file: RTF (by extension or its "{\rtf" start)
// formatted, anything else as plain text (UTF-8, else code page 1252) in the
// system font. Failures leave the document empty.
TextPageContent LoadTextPage(const std::string& path, QTextDocument& document);

// The page of `path` as a width x height 24-bit picture on `background`
// (0x00RRGGBB). Empty bitmap when the size is not positive or no fonts exist.
Bitmap RenderTextPage(const std::string& path, int width, int height, uint32_t background,
                      TextPageContent* content = nullptr);
// The same for a document already filled.
Bitmap RenderTextDocument(QTextDocument& document, int width, int height, uint32_t background);

// The page a text file becomes as the viewer's working picture: the whole view
// area on white. vimbra-cli convert draws the same page.
inline constexpr uint32_t kViewerPageBackground = 0xFFFFFF;
Bitmap RenderViewerTextPage(const std::string& path, int viewWidth, int viewHeight,
                            TextPageContent* content = nullptr);

}  // namespace vimbra

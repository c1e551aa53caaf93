#pragma once
// Drawing the printed page: the picture stretched into its placement at the
// device's resolution, on a printer or into a PDF file.
#include <string>

#include <QImage>

#include "desktop/print_layout.h"

class QPagedPaintDevice;
class QPainter;

namespace vimbra {

class Bitmap;

// The printable area and resolution of a printer or PDF writer.
PrintPage PageOf(const QPagedPaintDevice& device);

// Draws the picture into the placement's rectangle (device pixels, origin at
// the printable area's top left). Pixels go to the device unchanged.
void DrawPrintedPicture(QPainter& painter, const QImage& picture, const PrintPlacement& placement);

// The page the command line prints on: A4 portrait, 300 dpi, no margins.
inline constexpr int kPdfResolution = 300;

// Writes one page holding the picture fitted and centred at `percent` into a
// PDF at `path` (temp + rename: an existing file stays when this fails).
// Returns an error text, empty on success.
std::string WritePicturePdf(const std::string& path, const Bitmap& picture, int percent = 100);

}  // namespace vimbra

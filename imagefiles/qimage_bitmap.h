#pragma once
// Exchange between our Bitmap and Qt's QImage (display, clipboard, printing).
#include <QImage>

#include "core/bitmap.h"

namespace vimbra {

// A QImage over the bitmap's rows (no copy for 1, 8 and 24 bits; 4-bit
// pictures are widened to 8 bits). Valid until the bitmap changes.
QImage WrapBitmap(const Bitmap& bitmap);

// Qt's picture as a Bitmap: palette pictures keep their indices, everything
// else becomes 24 bits (alpha dropped). Throws ImageFileError when the size
// passes the picture caps or memory runs out.
Bitmap BitmapFromQImage(QImage image);

}  // namespace vimbra

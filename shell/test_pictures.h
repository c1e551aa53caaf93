#pragma once
// For tests: a 24-bit picture whose neighbouring pixels all differ, written to
// disk through the save dispatch; a picture of one colour.
#include <QColor>

#include <string>

#include "imagefiles/save_dispatch.h"

namespace vimbra::testing {

inline std::string WriteTexturedPicture(const std::string& path, int w, int h, int seed,
                                        SaveFormat format = SaveFormat::Bmp) {
    Workspace ws;
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(x * 7 + seed);
            row[3 * x + 1] = uint8_t(y * 5 + seed);
            row[3 * x + 2] = uint8_t((x + y) * 3 + seed);
        }
    }
    ws.setImage(std::move(b));
    SaveOptions o;
    o.quality = 100;
    return SaveImageFile(ws, path, format, o).path;
}

inline Bitmap FlatPicture(int w, int h, QColor c) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(c.blue()), p[1] = uint8_t(c.green()), p[2] = uint8_t(c.red());
        }
    return b;
}

}  // namespace vimbra::testing

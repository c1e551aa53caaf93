#pragma once
// Windows metafiles: WMF (plain or with the placeable header) and EMF.
//
// A metafile is turned into SVG text (libwmf for WMF, libemf2svg for EMF) and
// drawn with Qt's SVG renderer onto a picture filled with the back colour.
// The picture's natural size is the metafile's frame on a 96 dpi screen:
// placeable WMF: the header's box in its units per inch; EMF: the frame in
// 0.01 mm; plain WMF: the window extent (or the drawn extent when the file sets
// none) at one logical unit per pixel, scaled down to kMaxPlainWmfSide.
//
// Text is drawn only when a QGuiApplication exists (Qt's font database needs
// one); without it the picture is drawn without its text. Not drawn either:
// EMF+ records (dual files show their plain part), WMF clipping, flood fills
// and raster operations other than pattern copy, black and white; hatches
// and bitmap brushes become flat tints. Drawings of more than 200000 shapes
// are cut off there, which bounds the time a hostile file can take.
#include <cstddef>
#include <cstdint>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

enum class MetafileKind { Unknown, Wmf, PlaceableWmf, Emf };

inline constexpr int kMetafileDpi = 96;
inline constexpr int kMaxPlainWmfSide = 4096;
// Larger files are refused before any library sees them.
inline constexpr size_t kMaxMetafileBytes = size_t(64) << 20;

// The kind the first bytes announce; Unknown for anything else.
MetafileKind DetectMetafile(ByteSpan data);

struct MetafileInfo {
    MetafileKind kind = MetafileKind::Unknown;
    int width = 0, height = 0;  // natural size in pixels
};

// Kind and natural size from the headers without drawing (a plain WMF's
// records are walked for its window, or scanned for the drawn extent).
// Throws ImageFileError("Invalid Metafile.") or the size error.
MetafileInfo ReadMetafileInfo(ByteSpan data);

struct VectorOptions {
    MetafileKind kind = MetafileKind::Unknown;  // Unknown: detect
    PaletteEntry backColor{255, 255, 255, 0};   // behind the drawing
    int width = 0, height = 0;                  // 0: natural size; only one given keeps the aspect
};

// The metafile drawn at 0,0 over the whole picture: 24 bits.
// Throws ImageFileError ("Invalid Metafile." or a size error), std::bad_alloc.
Bitmap DecodeVector(ByteSpan data, const VectorOptions& options = {});

}  // namespace vimbra

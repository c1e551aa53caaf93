#pragma once
// The Colors menu's Reduce to, Promote to and Gray shades commands, their BIP
// handlers and lines, and the reduction AutoConvert offers.
#include <string>
#include <string_view>

#include "filters/color_depth.h"

namespace vimbra {

enum class ReduceItem {
    Colors256Dither,  // tag 8, method dialog
    Colors256Poster,  // tag 8, "QUANTIZE256"
    Grays256Dither,   // tag 8, method dialog
    Colors16Dither,   // tag 4, method dialog
    Colors16Poster,   // tag 4, "QUANTIZE16"
    BlackWhite,       // tag 1, method dialog
    GrayShades,       // tag 0, "GRAYSCALE"
};

// Whether the item asks for the reduction method first.
bool NeedsReductionMethod(ReduceItem item);

// The track-bar dialog that asks for the method (0 "Standard" .. 2 "Optimal").
struct ReductionMethodDialog {
    static constexpr const char* title = "Color reduction method";
    static constexpr const char* lowLabel = "Standard";
    static constexpr const char* highLabel = "Optimal";
    static constexpr int min = 0, max = 2, initial = 2, largeStep = 1, smallStep = 1;
};

// Colours and flags the library gets for a dithered item, B/W or the grey
// shades of an 8-bit display; method 0..2.
ReductionRequest ReductionFor(ReduceItem item, int method, int displayBitDepth, int imageBitDepth);

// The line the item records ("QUANTIZE256", "QUANTIZE16", "GRAYSCALE"), or "".
std::string ReduceLine(ReduceItem item);
// "TRUECOLOR" for a promotion to 24 bits, else "".
std::string PromoteLine(int bits);

// Colors > Reduce to > ... and Gray shades. `method` is the method dialog's
// answer (ignored by items without it; out of range: nothing happens). Takes
// the undo snapshot, reduces, and records the item's line only once the
// reduction has succeeded. True when the picture changed.
bool ImageReduce(Workspace& ws, ReduceItem item, int method = ReductionMethodDialog::initial);

// Colors > Promote to > 16M colors (24), 256 colors (8), 16 colors (4).
// A picture already that deep or deeper is left alone; 24 still records
// "TRUECOLOR". Modified is kept: the colours do not change.
bool ImagePromote(Workspace& ws, int bits);

// What a Yes to AutoConvert runs: Reduce to > 256 colors (dither) with the
// method dialog's initial choice, without an undo snapshot of its own (Undo
// returns to before the edit that offered it). Install with
// FrameHost::autoConvertReduction.
void AutoConvertReduction(Workspace& ws);

// BIP handlers. Each makes the picture 24-bit first; the quantized result is
// a palette picture until the interpreter's next line widens it again.
void BipGrayscale(Workspace& ws);
void BipQuantize16(Workspace& ws);
void BipQuantize256(Workspace& ws);

}  // namespace vimbra

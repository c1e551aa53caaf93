#include "filters/composition.h"

#include <algorithm>
#include <climits>
#include <new>

#include "core/arithmetic.h"
#include "core/parallel_rows.h"
#include "filters/memory_guard.h"

namespace vimbra {
namespace {

bool SameSize(const Bitmap& a, const Bitmap& b) {
    return a.width() == b.width() && a.height() == b.height();
}

bool Combinable(const Bitmap& a, const Bitmap& b) {
    return !a.isEmpty() && SameSize(a, b) && a.depth() == 24 && b.depth() == 24;
}

// Calls fn(p, d, n) for the pixel bytes of each row pair, rows split over threads.
template <class Fn>
void ForEachRowPair(Bitmap& picture, const Bitmap& second, Fn&& fn) {
    const int n = 3 * picture.width();
    ParallelRows(picture.width(), picture.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) fn(y, picture.scanLine(y), second.scanLine(y), n);
    });
}

// Both shares of the blend looked up per byte; c above 100 makes the working
// picture's share negative, so the sum is limited at both ends.
struct BlendTables {
    int own[256], other[256];
    explicit BlendTables(int c) {
        for (int v = 0; v < 256; ++v) {
            own[v] = v * (100 - c) / 100;
            other[v] = v * c / 100;
        }
    }
    uint8_t operator()(uint8_t p, uint8_t d) const { return ClampByte(own[p] + other[d]); }
};

void Blend(Workspace& ws, PassTarget target, int rowStep, int firstRow) {
    const Bitmap* second = SecondPicture(ws, target);
    if (!second) return;
    const BlendTables blend(ws.EffectValue2);
    ForEachRowPair(target.bitmap, *second, [&](int y, uint8_t* p, const uint8_t* d, int n) {
        if (rowStep > 1 && (y - firstRow) % rowStep != 0) return;
        for (int i = 0; i < n; ++i) p[i] = blend(p[i], d[i]);
    });
    EndPass(ws, target);
}

template <class Op>
void Combine(Bitmap& picture, const Bitmap& second, Op op) {
    ForEachRowPair(picture, second, [&](int, uint8_t* p, const uint8_t* d, int n) {
        for (int i = 0; i < n; ++i) p[i] = op(p[i], d[i]);
    });
}

}  // namespace

bool Ok2ComputeFull(Workspace& ws) {
    if (ws.Image.isEmpty() || ws.ImageBitDepth != 24 || !SameSize(ws.Image, ws.DuplicateBitmap))
        return false;
    ws.Image.convertTo24();
    // Duplicates are kept as 24 bits; one put there by other means is read the same way.
    ws.DuplicateBitmap.convertTo24();
    return true;
}

const Bitmap* SecondPicture(Workspace& ws, const PassTarget& target) {
    if (target.isMainPicture) return Ok2ComputeFull(ws) ? &ws.DuplicateBitmap : nullptr;
    return Combinable(target.bitmap, ws.ScratchBitmap) ? &ws.ScratchBitmap : nullptr;
}

bool DuplicateWorkingImage(Workspace& ws) {
    const int depth = ws.Image.depth();
    try {
        if (depth >= 8 && !(ws.DisplayBitDepth == 8 && depth == 8)) ws.ForceTrueColor();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (MemoryRunningLow(ws)) {
        ws.CancelRequested = true;
        return false;
    }
    ws.DuplicateBitmap.clear();
    try {
        // A 1-, 4- or 8-bit picture is widened here, so every reader of the
        // duplicate can walk it as 24-bit rows.
        Bitmap copy = ws.Image;
        copy.convertTo24();
        ws.DuplicateBitmap = std::move(copy);
    } catch (const std::bad_alloc&) {
        ws.DuplicateBitmap.clear();
        return false;
    }
    return !ws.DuplicateBitmap.isEmpty();
}

bool SwapWithDuplicate(Workspace& ws) {
    if (!Ok2ComputeFull(ws)) return false;
    ws.ScratchBitmap = std::move(ws.DuplicateBitmap);
    ws.DuplicateBitmap = std::move(ws.Image);
    ws.Image = std::move(ws.ScratchBitmap);
    ws.ScratchBitmap.clear();
    return true;
}

void CopyToBackUp(Workspace& ws) {
    if (MemoryRunningLow(ws)) {
        ws.CancelRequested = true;
        return;
    }
    try {
        ws.BackupBitmap = ws.Image;
    } catch (const std::bad_alloc&) {
        ws.BackupBitmap.clear();
        ws.CancelRequested = true;
    }
}

void CopyFromBackUp(Workspace& ws) {
    if (MemoryRunningLow(ws)) {
        ws.CancelRequested = true;
        return;
    }
    // An empty backup would leave an empty picture that no later line can use.
    if (!ws.BackupBitmap.isEmpty()) {
        try {
            ws.Image = ws.BackupBitmap;
            ws.ImageBitDepth = int16_t(ws.Image.depth());
            ws.syncImageSize();
        } catch (const std::bad_alloc&) {
            ws.BackupBitmap.clear();
            ws.CancelRequested = true;
        }
    }
    ws.ScratchBitmap.clear();
    ws.host().RefreshView(ws);
}

void DoAverageBitmap(Workspace& ws, PassTarget target) { Blend(ws, target, 1, 0); }

void DoAverageField(Workspace& ws, PassTarget target, int field) {
    Blend(ws, target, 2, field != 0 ? 0 : 1);
}

void CombineBitmaps(Bitmap& picture, const Bitmap& second, Arithmetic op) {
    if (!Combinable(picture, second)) return;
    switch (op) {
        case Arithmetic::Multiply:
            Combine(picture, second, [](int p, int d) { return uint8_t(d * p / 255); });
            break;
        case Arithmetic::Minimum:
            Combine(picture, second, [](uint8_t p, uint8_t d) { return std::min(p, d); });
            break;
        case Arithmetic::Maximum:
            Combine(picture, second, [](uint8_t p, uint8_t d) { return std::max(p, d); });
            break;
        case Arithmetic::Difference:
            Combine(picture, second, [](int p, int d) { return ClampByte(p - d + 127); });
            break;
        case Arithmetic::Subtract:
            Combine(picture, second, [](int p, int d) { return uint8_t(std::max(p - d, 0)); });
            break;
    }
}

uint64_t DifferenceSum(const Bitmap& a, const Bitmap& b) {
    if (!Combinable(a, b)) return 0;
    const int n = 3 * a.width();
    uint64_t sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uint8_t* p = a.scanLine(y);
        const uint8_t* d = b.scanLine(y);
        // At most 3 * 30000 * 255^2 per row: a row sum fits 64 bits many times over.
        uint64_t row = 0;
        for (int i = 0; i < n; ++i) {
            const int e = int(p[i]) - int(d[i]);
            row += uint64_t(e * e);
        }
        sum += row;
    }
    return sum;
}

uint64_t MeasureDifference(Workspace& ws) {
    if (!ws.host().AutoBackUp(ws)) return 0;
    ws.ForceTrueColor();
    const uint64_t sum = DifferenceSum(ws.Image, ws.DuplicateBitmap);
    ws.EffectValue2 = int32_t(std::min<uint64_t>(sum, INT32_MAX));
    return sum;
}

}  // namespace vimbra

#include "filters/lightness_filters.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/hls.h"
#include "filters/local_lightness.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vimbra {

namespace {

// out[i] = o + ((m - o) * blend) div 255 (truncating), limited to 0..255, for
// i in [first, last).
void BlendRow(const uint8_t* row, const uint8_t* mean, uint8_t* out, int first, int last, int blend) {
    int i = first;
#if defined(__SSE2__)
    // Within 0..255 the result lies between the byte and its mean.
    const bool inRange = blend >= 0 && blend <= 255;
    // |m - o| * blend < 2^16, and x div 255 = (x * 0x8081) >> 23 below 2^16.
    const __m128i zero = _mm_setzero_si128(), k = _mm_set1_epi16(int16_t(blend)),
                  r255 = _mm_set1_epi16(int16_t(0x8081));
    for (; inRange && i + 16 <= last; i += 16) {
        const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mean + i));
        const __m128i up = _mm_subs_epu8(m, o), down = _mm_subs_epu8(o, m);
        __m128i step[2][2];
        for (int h = 0; h < 2; ++h) {
            const __m128i u = h ? _mm_unpackhi_epi8(up, zero) : _mm_unpacklo_epi8(up, zero);
            const __m128i d = h ? _mm_unpackhi_epi8(down, zero) : _mm_unpacklo_epi8(down, zero);
            step[0][h] = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(u, k), r255), 7);
            step[1][h] = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(d, k), r255), 7);
        }
        const __m128i plus = _mm_packus_epi16(step[0][0], step[0][1]);
        const __m128i minus = _mm_packus_epi16(step[1][0], step[1][1]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi8(_mm_add_epi8(o, plus), minus));
    }
#endif
    for (; i < last; ++i)
        out[i] = uint8_t(std::clamp<int64_t>(row[i] + int64_t(mean[i] - row[i]) * blend / 255, 0, 255));
}

}  // namespace

void SharpGaussianBlur5x5Bitmap(Bitmap& bitmap, int threshold, int blend, Progress* progress) {
    if (bitmap.depth() != 24) return;
    const Bitmap source = bitmap;
    const int w = bitmap.width();
    // Only one row of blended bytes per thread at a time.
    ForEachLocalMeanRow(source, progress, [&](int y, const uint8_t* row, const uint8_t* mean) {
        thread_local std::vector<uint8_t> blended;
        blended.resize(size_t(3) * w);
        BlendRow(row, mean, blended.data(), 6, 3 * w - 6, blend);
        uint8_t* out = bitmap.scanLine(y);
        for (int x = 2; x < w - 2; ++x) {
            const uint8_t* o = row + 3 * x;
            const uint8_t* m = mean + 3 * x;
            if (std::abs(HlsLightness(o[0], o[1], o[2]) - HlsLightness(m[0], m[1], m[2])) >= threshold) continue;
            std::memcpy(out + 3 * x, blended.data() + 3 * x, 3);
        }
    });
}

void UnSharpGaussianBlur5x5Bitmap(Bitmap& bitmap, int threshold, int amount, Progress* progress) {
    if (bitmap.depth() != 24) return;
    const Bitmap source = bitmap;
    const int w = bitmap.width();
    ForEachLocalMeanRow(source, progress, [&](int y, const uint8_t* row, const uint8_t* mean) {
        uint8_t* out = bitmap.scanLine(y);
        for (int x = 2; x < w - 2; ++x) {
            const uint8_t* o = row + 3 * x;
            const uint8_t* m = mean + 3 * x;
            const int Lo = HlsLightness(o[0], o[1], o[2]);
            const int d = Lo - HlsLightness(m[0], m[1], m[2]);
            if (std::abs(d) <= threshold) continue;
            // Hue and saturation come from the stored byte order, and go back the same way.
            const HLS hls = RGBtoHLS(o[0], o[1], o[2]);
            const int step = int(2 * int64_t(std::abs(d)) * amount / 255);
            const int L = d > 0 ? std::min(Lo + step, kHlsMax) : std::max(Lo - step, 0);
            const RGB rgb = HLStoRGB(hls.H, L, hls.S);
            out[3 * x] = uint8_t(std::clamp(rgb.r, 0, 255));
            out[3 * x + 1] = uint8_t(std::clamp(rgb.g, 0, 255));
            out[3 * x + 2] = uint8_t(std::clamp(rgb.b, 0, 255));
        }
    });
}

namespace {

template <class Pass>
void RunPass(Workspace& ws, PassTarget target, Pass&& pass) {
    if (target.isMainPicture) {
        Progress progress(ws.host());
        progress.ProgressReset();
        pass(&progress);
    } else {
        pass(nullptr);
    }
    EndPass(ws, target);
}

}  // namespace

void SharpGaussianBlur5x5(Workspace& ws, PassTarget target, int threshold, int blend) {
    RunPass(ws, target, [&](Progress* p) {
        SharpGaussianBlur5x5Bitmap(target.bitmap, threshold, blend, p);
    });
}

void UnSharpGaussianBlur5x5(Workspace& ws, PassTarget target, int threshold, int amount) {
    RunPass(ws, target, [&](Progress* p) {
        UnSharpGaussianBlur5x5Bitmap(target.bitmap, threshold, amount, p);
    });
}

}  // namespace vimbra

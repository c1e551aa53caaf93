#include "core/hls.h"

#include "core/exact_division.h"


namespace vimbra {
namespace {

inline int Hue(int p, int q, int x) {
    if (x < 0) x += 3600;
    if (x > 3600) x -= 3600;
    if (x < 600) return p + ((q - p) * x + 300) / 600;
    if (x < 1800) return q;
    if (x < 2400) return p + ((q - p) * (2400 - x) + 300) / 600;
    return p;
}

}  // namespace

HLS RGBtoHLS(int r, int g, int b) {
    const int mx = Max(Max(r, g), b);
    const int mn = Min(Min(r, g), b);
    const int sum = mx + mn;
    HLS out;
    out.L = (sum * 3600 + 255) / 510;
    if (mx == mn) {
        out.H = kGreyHue;
        out.S = 0;
        return out;
    }
    const int d = mx - mn;
    if (out.L <= 1800)
        out.S = DivideExact(d * 3600 + sum / 2, sum);
    else
        out.S = DivideExact(d * 3600 + (510 - sum) / 2, 510 - sum);
    const int h2 = d / 2;
    const int Rd = DivideExact(h2 + (mx - r) * 600, d);
    const int Gd = DivideExact(h2 + (mx - g) * 600, d);
    const int Bd = DivideExact(h2 + (mx - b) * 600, d);
    int H;
    if (r == mx)
        H = Bd - Gd;
    else if (g == mx)
        H = 1200 + Rd - Bd;
    else
        H = 2400 + Gd - Rd;
    if (H < 0) H += 3600;
    if (H > 3600) H -= 3600;
    out.H = H;
    return out;
}

RGB HLStoRGB(int H, int L, int S) {
    if (S == 0) {
        const int grey = L * 255 / 3600;
        return {grey, grey, grey};
    }
    const int m2 = L <= 1800 ? (L * (3600 + S) + 1800) / 3600 : L + S - (L * S + 1800) / 3600;
    const int m1 = 2 * L - m2;
    return {(Hue(m1, m2, H + 1200) * 255 + 1800) / 3600, (Hue(m1, m2, H) * 255 + 1800) / 3600,
            (Hue(m1, m2, H - 1200) * 255 + 1800) / 3600};
}

}  // namespace vimbra

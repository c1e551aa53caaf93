#include "slideshow/effect_table.h"

#include <algorithm>

namespace vimbra {
namespace {

constexpr const char* kSizes[] = {", Tiny", ", Small", ", Normal", ", Medium", ", Large", ", X-Large"};
constexpr const char* kDirections[] = {", from Right", ", from Left", ", from Bottom", ", from Top"};
constexpr const char* kCurtains[] = {", out Vert", ", in Vert", ", out Horz", ", in Horz"};
constexpr const char* kKinds[] = {", Scroll, PUSH background", ", Reveal, PULL background",
                                  ", Scroll, Over background", ", Reveal, Over background"};
constexpr const char* kShapes[] = {", Rectangle", ", Rounded Rectangle", ", Circle/Ellipse"};

EffectRecord Record(int code, int variant, int n) {
    EffectRecord r;
    r.code = uint8_t(code);
    r.variant = uint8_t(variant);
    r.n = n;
    return r;
}

EffectTable BuildTable() {
    EffectTable t;
    t.names.resize(kEffectCount);
    auto set = [&t](int index, std::string name, EffectRecord r) {
        t.names[size_t(index)] = std::move(name);
        t.records[size_t(index)] = r;
    };
    set(0, "None", Record(0, 0, 0));
    set(1, "Randomize ALL", Record(kFxRandomAll, 0, 0));
    set(2, "Random Wipes", Record(kFxRandomWipes, 0, 0));
    set(3, "Random Curtains", Record(kFxRandomCurtains, 0, 0));
    set(4, "Random Tiles + Mosaics", Record(kFxRandomTiles, 0, 0));
    set(5, "Random Blinds", Record(kFxRandomBlinds, 0, 0));
    set(6, "Random Implodes + Explodes", Record(kFxRandomImplodes, 0, 0));
    set(7, "Blur Intro", Record(kFxBlurIntro, 1, 1));
    for (int k = 0; k < 4; ++k)
        for (int d = 0; d < 4; ++d)
            set(8 + 4 * k + d, std::string("Wipe") + kKinds[k] + kDirections[d], Record(d + 1, k, 0));
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 4; ++k)
            set(24 + 4 * c + k, std::string("Curtains") + kKinds[k] + kCurtains[c], Record(c + 5, k, 0));
    for (int z = 0; z < 6; ++z) {
        for (int d = 0; d < 4; ++d)
            set(40 + 4 * z + d, std::string("Tile") + kSizes[z] + kDirections[d], Record(d + 10, 0, 2 << z));
        set(64 + z, std::string("Mosaic") + kSizes[z], Record(kFxMosaic, 0, 2 << z));
        for (int k = 0; k < 4; ++k)
            for (int d = 0; d < 4; ++d)
                set(70 + 16 * z + 4 * k + d, std::string("Blinds") + kSizes[z] + kKinds[k] + kDirections[d],
                    Record(d + 18, k, 2 << z));
    }
    for (int h = 0; h < 3; ++h) {
        set(166 + h, std::string("Explode") + kShapes[h], Record(kFxExplode, h + 4, 0));
        set(169 + h, std::string("Implode") + kShapes[h], Record(kFxImplode, h + 4, 0));
    }
    set(172, "Random Horizontal Lines", Record(kFxRandomHorizontalLines, 0, 0));
    set(173, "Random Vertical Lines", Record(kFxRandomVerticalLines, 0, 0));
    return t;
}

// ⌊k·r⌋, kept below k whatever the source returns.
int Pick(const RandomSource& random, int k) { return std::clamp(int(random() * k), 0, k - 1); }

EffectRecord ResolveOnce(EffectRecord r, const RandomSource& random) {
    switch (r.code) {
        case kFxRandomWipes: {
            const int code = 1 + Pick(random, 4);
            return Record(code, Pick(random, 4), 0);
        }
        case kFxRandomCurtains: {
            const int code = 5 + Pick(random, 4);
            return Record(code, Pick(random, 4), 0);
        }
        case kFxRandomTiles: {
            const int code = 9 + Pick(random, 5);
            return Record(code, 0, 2 << Pick(random, 5));
        }
        case kFxRandomBlinds: {
            const int code = 18 + Pick(random, 4);
            const int variant = Pick(random, 4);
            const int n = 8 * Pick(random, 8);
            return Record(code, variant, n == 0 ? 8 : n);
        }
        case kFxRandomImplodes: {
            const int code = 16 + Pick(random, 2);
            return Record(code, 4 + Pick(random, 3), 0);
        }
        default: return r;
    }
}

}  // namespace

const EffectTable& PopulateEffectsList() {
    static const EffectTable table = BuildTable();
    return table;
}

EffectRecord ResolveRandomFamily(EffectRecord record, const RandomSource& random, int& previousCode) {
    if (record.code == kFxRandomAll) {
        static constexpr int kFamilies[] = {kFxRandomBlinds, kFxRandomTiles, kFxRandomWipes, kFxRandomImplodes,
                                            kFxRandomCurtains};
        EffectRecord drawn;
        // Bounded, so a source that keeps repeating itself cannot hang the show.
        for (int attempt = 0; attempt < 64; ++attempt) {
            const int b = std::clamp(int(random() * 101) / 10 / 2, 0, 5);
            drawn = b == 5 ? Record(kFxBlurIntro, 1, 1) : ResolveOnce(Record(kFamilies[b], 0, 0), random);
            if (drawn.code != previousCode) break;
        }
        record = drawn;
    } else {
        record = ResolveOnce(record, random);
    }
    previousCode = record.code;
    return record;
}

EffectRecord ChooseBookmarkEffect(const std::vector<int>& selection, const RandomSource& random,
                                  int& previousCode) {
    const auto& table = PopulateEffectsList();
    int index = 1;
    if (!selection.empty()) index = selection[size_t(Pick(random, int(selection.size())))];
    if (index < 0 || index >= kEffectCount) index = 0;
    return ResolveRandomFamily(table.records[size_t(index)], random, previousCode);
}

int AvlFamilyIndex(int x, const RandomSource& random) {
    auto either = [&random](int first, int second) { return random() < 0.51 ? first : second; };
    switch (x) {
        case 1: return either(23, 15);
        case 2: return either(22, 14);
        case 3: return either(21, 13);
        case 4: return either(20, 12);
        case 5: return 40 + Pick(random, 4);
        case 6: return 44 + Pick(random, 4);
        case 7: return 48 + Pick(random, 4);
        case 8: return 52 + Pick(random, 4);
        case 9: return 172;
        case 10: return 173;
        case 11: return 27;
        case 12: return 35;
        case 13: return 33;
        case 14: return 25;
        case 15: return 166;
        case 16: return 169;
        case 17: return either(36, 28);
        case 18: return either(32, 24);
        case 19: return 168;
        case 20: return 171;
        case 21: return 39;
        case 22: return 31;
        case 23: return 29;
        case 24: return 37;
        case 25: return 115;
        case 26: return 114;
        case 27: return 116;
        case 28: return 117;
        case 29: return 1;
        default: return 0;
    }
}

EffectRecord ChooseAvlEffect(int e, int x, const RandomSource& random, int& previousCode) {
    const int index = (e > 0 && e < kEffectCount) ? e : AvlFamilyIndex(x, random);
    return ResolveRandomFamily(PopulateEffectsList().records[size_t(index)], random, previousCode);
}

EffectRecord MapEffectParameters(EffectRecord r, int speed, int screenWidth, int pictureWidth,
                                 int pictureHeight) {
    const int s = std::clamp(speed, 0, 3);
    const int code = r.code;
    if (code >= 1 && code <= 4) {
        const int k = r.variant;
        if (k == kScrollOver) {
            static constexpr int kStep[] = {6, 4, 4, 2};
            static constexpr int kPause[] = {255, 255, 2, 0};
            r.code = uint8_t(code + 17);
            r.n = int32_t(int64_t(screenWidth) * 65536 + kStep[s]);
            r.p2 = 10;
            r.p3 = uint8_t(kPause[s]);
        } else {
            const int t = (k == kRevealPull || k == kRevealOver) ? s + 1 : s;
            r.p2 = 10;
            r.p3 = kNoCallback;
            r.n = 1;
            if (t == 0) r.n = 2;
            else if (t == 2) r.p3 = 1;
            else if (t == 3) r.p3 = 0;
            else if (t == 4) r.p2 = 40, r.p3 = 0;
        }
    } else if (code >= 5 && code <= 8) {
        static constexpr int kPieces[] = {4, 2, 1, 1};
        r.p2 = 10;
        r.p3 = s == 3 ? 0 : kNoCallback;
        r.n = kPieces[s];
    } else if (code >= 9 && code <= 13) {
        r.variant = 1;
        r.p2 = 20;
        r.p3 = kNoCallback;
        const int lowByte = r.n & 0xFF;
        if (code >= 10) r.n += 65536;
        const int s2 = (lowByte < 5 && s > 0) ? s - 1 : s;
        if (s2 == 1) r.p3 = 4;
        else if (s2 == 2) r.p3 = 2;
        else if (s2 == 3) r.p2 = 10, r.p3 = 0;
    } else if (code == kFxBlurIntro) {
        r.p2 = 20;
        r.p3 = kNoCallback;
    } else if (code == kFxImplode || code == kFxExplode) {
        static constexpr int kPieces[] = {0x40004, 0x20002, 0x10001, 0x10001};
        r.p2 = 20;
        r.p3 = s == 3 ? 0 : kNoCallback;
        r.n = kPieces[s];
    } else if (code >= 18 && code <= 21) {
        if (r.n < 65535) r.n = r.n * 65536 + 1;
        const int c = std::max(r.n / 65536, 1);
        const int p2 = c < 8 ? 200 : 50;
        r.p2 = uint8_t(s == 0 ? 10 : (p2 * s) % 256);
        r.p3 = uint8_t(100 / c);
    } else if (code == kFxRandomHorizontalLines || code == kFxRandomVerticalLines) {
        const bool horizontal = code == kFxRandomHorizontalLines;
        r.code = kFxMosaic;
        r.variant = 3;
        r.p3 = 0;
        const int w = std::clamp(pictureWidth, 1, 65535), h = std::clamp(pictureHeight, 1, 32767);
        if (horizontal) r.n = (s == 0 ? 3 : 1) * 65536 + w;
        else r.n = h * 65536 + (s == 0 ? 2 : 1);
        static constexpr int kStep[] = {1, 1, 10, 20};
        r.p2 = uint8_t(kStep[s]);
    } else {
        r.code = 0;
        r.variant = 0;
        r.n = 0;
        r.p2 = 20;
        r.p3 = kNoCallback;
    }
    if (pictureWidth < 65 || pictureHeight < 65) {
        r.code = 0;
        r.variant = 0;
        r.n = 0;
    }
    return r;
}

std::vector<int> DecodeEffectSelection(const std::vector<uint8_t>& value) {
    std::vector<int> out;
    if (value.size() != 256) return out;
    const int count = std::min<int>(value[255], 255);
    for (int i = 0; i < count; ++i)
        if (value[size_t(i)] < kEffectCount) out.push_back(value[size_t(i)]);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<uint8_t> EncodeEffectSelection(std::vector<int> indexes) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    std::vector<uint8_t> value(256, 0);
    int count = 0;
    for (int i : indexes)
        if (i >= 0 && i < kEffectCount && count < 255) value[size_t(count++)] = uint8_t(i);
    value[255] = uint8_t(count);
    return value;
}

int TransitionDurationMs(const EffectRecord& r, int speed) {
    const int s = std::clamp(speed, 0, 3);
    const int code = r.code, high = int(uint32_t(r.n) >> 16), low = r.n & 0xFFFF;
    int steps = 48;  // wipes, curtains, implodes and blur: 48 steps at full size
    int pause = r.p2;
    if (code == kFxNone) {
        return 0;
    } else if (code >= 1 && code <= 8) {
        steps = 48 / std::max(r.n, 1);  // n: steps taken at once
    } else if (code == kFxMosaic && r.variant == 3) {
        // Random lines: horizontal n = lines per step << 16 | width, vertical height << 16 | lines per step.
        steps = 64 / std::max(low < high ? low : high, 1);
    } else if (code >= kFxMosaic && code <= 13) {
        steps = 40;
    } else if (code == kFxImplode || code == kFxExplode) {
        steps = 48 / std::max(low, 1);
    } else if (code >= 18 && code <= 21) {
        // Blinds of `high` pixels (a whole screen for the scroll wipes) covered `low` pixels a step;
        // wide ones are drawn in at most 256 pixel steps' worth.
        const int step = std::max(low, 1);
        steps = (std::clamp(high, 1, 256) + step - 1) / step;
        // Few blinds are mapped 200 × speed, which wraps past a byte for Slower and Slowest.
        if (high < 8 && s > 0) pause = 200 * s;
    }
    int64_t ms = int64_t(steps) * kTransitionStepMs;
    if (r.p3 != kNoCallback) ms += int64_t(steps + r.p3) / (r.p3 + 1) * pause;
    return int(std::clamp<int64_t>(ms, kShortestTransitionMs, kLongestTransitionMs));
}

}  // namespace vimbra

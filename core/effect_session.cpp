#include "core/effect_session.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "core/workspace.h"

namespace vimbra {
namespace {

bool In(int code, int lo, int hi) { return lo <= code && code <= hi; }
bool OneOf(int code, std::initializer_list<int> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The masked composites reset to width 100 and level 99.
bool ResetsToMaskDefaults(int code) { return OneOf(code, {501, 502, 503, 531}); }

int32_t Limit(int32_t v, int32_t lo, int32_t hi) {
    if (lo > hi) std::swap(lo, hi);
    return std::clamp(v, lo, hi);
}

}  // namespace

EffectLayout LayoutFor(int code) {
    const std::array<std::string, 3> rgb{"&Red  ", "&Green", "&Blue "};
    const std::array<std::string, 3> hls{"H&ue", "&Lum", "&Sat"};
    const std::array<std::string, 3> bands{"H&ue band", "&Lum band", "&Sat band"};
    EffectLayout l;
    if (OneOf(code, {100, 102, 114, 120})) return {rgb, 3, "", ColorPanelPlace::Hidden, true};
    if (OneOf(code, {110, 112, 113, 131, 132})) return {rgb, 3, "Histogram", ColorPanelPlace::Hidden, true};
    if (OneOf(code, {156, 157})) return {rgb, 3, "", ColorPanelPlace::BesideSlider3, true};
    if (OneOf(code, {130, 133, 134, 135})) return {{"&Shadows", "High&Light", ""}, 2, "Histogram", ColorPanelPlace::Hidden, true};
    if (In(code, 410, 415)) return {{"&Center", "&Band", ""}, 2, "Histogram", ColorPanelPlace::Hidden, true};
    if (code == 416) return {{"&Brightness", "&Contrast", ""}, 2, "Histogram", ColorPanelPlace::Hidden, true};
    if (code == 510) return {{"&Blend", "&Field", ""}, 2, "", ColorPanelPlace::Hidden, true};
    if (In(code, 400, 403)) return {{"&Shadows", "&Median", "High&Light"}, 3, "Histogram", ColorPanelPlace::Hidden, true};
    if (In(code, 140, 143))
        return {{"&Center", "&Band", "&Gain"}, 3, "E&Q Curve", ColorPanelPlace::BesideSlider3, true};
    if (code == 150) return {hls, 3, "", ColorPanelPlace::BesideSlider3, true};
    if (OneOf(code, {151, 152, 155})) return {bands, 3, "Show mask", ColorPanelPlace::BesideSlider3, true};
    if (OneOf(code, {153, 154})) return {bands, 3, "", ColorPanelPlace::BesideSlider3, true};
    if (code == 160) return {{"&Match", "", ""}, 1, "", ColorPanelPlace::InPlaceOfSlider2, true};
    if (OneOf(code, {230, 231, 241, 520})) return {{"&Filter", "&Effect", ""}, 2, "", ColorPanelPlace::Hidden, true};
    if (OneOf(code, {501, 502, 503, 531})) return {{"&Band", "&Mask", ""}, 2, "", ColorPanelPlace::Hidden, true};
    l.names = {"&Filter", "", ""};
    l.resetShown = false;
    return l;
}

bool PreviewUsesDuplicate(int code) {
    return In(code, 151, 155) || In(code, 500, 503) || OneOf(code, {510, 520, 531});
}

bool ExtraButtonShowsMask(int code) { return OneOf(code, {151, 152, 155}); }

void TestValues(int code, const std::array<int32_t, 3>& p, Workspace& ws) {
    const EffectLayout l = LayoutFor(code);
    if (code == 500) {
        ws.EffectValue1 = ws.EffectValue2 = ws.EffectValue3 = p[0];
    } else if (code == 510) {
        ws.EffectValue1 = ws.EffectValue2 = p[0];
        ws.EffectValue3 = p[1];
    } else if (l.sliders == 1) {
        // Global variants and single-value filters: one value for every channel.
        ws.EffectValue1 = ws.EffectValue2 = ws.EffectValue3 = p[0];
    } else if (l.sliders == 2) {
        ws.EffectValue1 = p[0];
        ws.EffectValue2 = p[1];
        ws.EffectValue3 = p[0];
    } else {
        ws.EffectValue1 = p[0];
        ws.EffectValue2 = p[1];
        ws.EffectValue3 = p[2];
    }
}

Region PreviewRegion(int scrollX, int scrollY, int viewWidth, int viewHeight, int imageWidth,
                     int imageHeight) {
    Region r;
    if (imageWidth <= 0 || imageHeight <= 0 || viewWidth <= 0 || viewHeight <= 0) return r;
    r.width = std::min(imageWidth, viewWidth);
    r.height = std::min(imageHeight, viewHeight);
    // Kept whole inside the picture: a scroll position near the edge moves it back.
    r.x = std::clamp(scrollX, 0, imageWidth - r.width);
    r.y = std::clamp(scrollY, 0, imageHeight - r.height);
    return r;
}

Bitmap CopyRegion(const Bitmap& picture, const Region& r) {
    if (picture.depth() != 24 || r.width <= 0 || r.height <= 0 || r.x < 0 || r.y < 0 ||
        r.x + r.width > picture.width() || r.y + r.height > picture.height())
        return {};
    Bitmap out(r.width, r.height, 24);
    for (int y = 0; y < r.height; ++y)
        std::memcpy(out.scanLine(y), picture.scanLine(r.y + y) + 3 * size_t(r.x),
                    3 * size_t(r.width));
    return out;
}

TypedValue TypeValue(const std::string& text, int32_t current, int32_t min, int32_t max) {
    TypedValue t;
    if (text.empty()) {
        t.ignored = true;
        t.position = current;
        t.boxText = text;
        return t;
    }
    if (min > max) std::swap(min, max);
    int64_t v = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (first == last || ec == std::errc::invalid_argument || ptr != last) {
        t.position = current;
    } else if (ec == std::errc::result_out_of_range) {
        t.position = text[0] == '-' ? min : max;
    } else {
        t.position = int32_t(std::clamp<int64_t>(v, min, max));
    }
    t.boxText = std::to_string(t.position);
    // A value in range stays as typed ("+5" is not rewritten while typing).
    if (ec == std::errc() && ptr == last && first != last && v >= min && v <= max) t.boxText = text;
    return t;
}

ColorPick PickColor(int r, int g, int b) {
    ColorPick c;
    c.rgb = {r, g, b};
    c.hls = RGBtoHLS(r, g, b);
    c.caption = "H=" + std::to_string(c.hls.H) + " L=" + std::to_string(c.hls.L) +
                " S=" + std::to_string(c.hls.S);
    c.textColor = {255 - r, 255 - g, 255 - b};
    return c;
}

EffectSession::EffectSession(const FilterDlgParam& param, Workspace& ws)
    : param_(param), ws_(ws), layout_(LayoutFor(param.EffectCode)) {
    for (int i = 0; i < 3; ++i) {
        sliders_[i] = param.CustomLabels ? param.sliders[i] : param.sliders[0];
        if (!param.CustomLabels) {
            if (sliders_[i].LabelMin.empty()) sliders_[i].LabelMin = std::to_string(param.sliders[0].Min);
            if (sliders_[i].LabelMax.empty()) sliders_[i].LabelMax = std::to_string(param.sliders[0].Max);
        }
        // The command says how many sliders it uses when it has no layout of its own.
        p_[i] = initial_[i] = Limit(sliders_[i].Position, sliders_[i].Min, sliders_[i].Max);
    }
    if (param.sliderCount > 0 && layout_.names[0] == "&Filter" && layout_.sliders == 1)
        layout_.sliders = std::clamp(param.sliderCount, 1, 3);
    // Balance starts from the base colour its command left packed in EffectValue3.
    if (param.EffectCode == 160) panelColor_ = ws.EffectValue3;
}

void EffectSession::setPosition(int i, int32_t value) {
    const int32_t v = Limit(value, sliders_[i].Min, sliders_[i].Max);
    if (v == p_[i]) return;
    p_[i] = v;
    stale_ = true;
}

void EffectSession::reset() {
    if (ResetsToMaskDefaults(code())) {
        setPosition(0, 100);
        setPosition(1, 99);
    } else {
        for (int i = 0; i < 3; ++i) setPosition(i, initial_[i]);
    }
    stale_ = true;
}

ColorPick EffectSession::pick(int r, int g, int b) {
    const ColorPick c = PickColor(r, g, b);
    panelColor_ = r + 256 * g + 65536 * b;
    ws_.BandCentre[0] = c.hls.H;
    ws_.BandCentre[1] = c.hls.L;
    ws_.BandCentre[2] = c.hls.S;
    const int c0 = code();
    if (OneOf(c0, {114, 156, 157})) {
        setPosition(0, r);
        setPosition(1, g);
        setPosition(2, b);
    } else if (c0 == 140) {
        setPosition(0, (std::max({r, g, b}) + std::min({r, g, b})) / 2);
    } else if (In(c0, 141, 143)) {
        setPosition(0, c0 == 141 ? r : c0 == 142 ? g : b);
    }
    // The band centres and the balance base change what Apply would do.
    stale_ = true;
    return c;
}

void EffectSession::test(Bitmap& region, Bitmap duplicate, bool maskVariant) {
    previewValue_ = p_[0];
    TestValues(code(), p_, ws_);
    if (code() == 160) ws_.EffectValue3 = panelColor_;
    if (PreviewUsesDuplicate(code())) ws_.ScratchBitmap = std::move(duplicate);
    if (param_.preview && !region.isEmpty()) param_.preview(ws_, region, maskVariant);
    if (PreviewUsesDuplicate(code())) ws_.ScratchBitmap.clear();
    tested_p_ = p_;
    tested_ = true;
    stale_ = false;
}

int32_t EffectSession::apply() {
    // The preview may have rewritten the values (band unpacking, balance
    // offsets); these are the ones the command expects, as the Test left them.
    return tested_p_[0];
}

}  // namespace vimbra

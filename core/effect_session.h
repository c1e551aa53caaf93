#pragma once
// The logic of the effects dialog without its widgets: which sliders and
// extra controls an effect code shows, how a Test turns slider positions into
// the operation values, typed values, Reset, the colour pick, the preview
// region, and Apply that always applies what the last preview showed.
//
// A new command plugs in by giving its dialog record an EffectCode (for the
// layout; unknown codes get one "&Filter" slider) and, when its menu command
// is not an EditCommand, a preview function; the EditCommand's own run serves
// as the preview otherwise, and its bipLine is what Apply records.
#include <array>
#include <cstdint>
#include <string>

#include "core/frame_host.h"
#include "core/hls.h"

namespace vimbra {

class Workspace;

enum class ColorPanelPlace { Hidden, BesideSlider3, InPlaceOfSlider2 };

struct EffectLayout {
    std::array<std::string, 3> names;  // slider captions, with their & shortcut
    int sliders = 1;                   // visible sliders, 1..3
    std::string extraButton;           // "" when the extra button is hidden
    ColorPanelPlace panel = ColorPanelPlace::Hidden;
    bool resetShown = true;
};

EffectLayout LayoutFor(int effectCode);

// Whether the preview of this code reads the duplicate picture.
bool PreviewUsesDuplicate(int effectCode);
// Whether the extra button runs the preview's mask variant ("Show mask").
bool ExtraButtonShowsMask(int effectCode);

// Writes EffectValue1..3 from the positions as a Test of this code does.
void TestValues(int effectCode, const std::array<int32_t, 3>& p, Workspace& ws);

// The part of the picture a preview covers: from the before view's scroll
// position, the after view's size, clipped to the picture.
struct Region {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Region&) const = default;
};
Region PreviewRegion(int scrollX, int scrollY, int viewWidth, int viewHeight, int imageWidth,
                     int imageHeight);
// A 24-bit copy of that region of a 24-bit picture; empty when it does not fit.
Bitmap CopyRegion(const Bitmap& picture, const Region& region);

// What typing into a slider's edit box leads to.
struct TypedValue {
    bool ignored = false;   // empty text
    int32_t position = 0;   // the slider's new position
    std::string boxText;    // what the box shows afterwards
};
TypedValue TypeValue(const std::string& text, int32_t current, int32_t min, int32_t max);

// A colour picked in the before view.
struct ColorPick {
    RGB rgb;
    HLS hls;
    std::string caption;  // "H=.. L=.. S=.."
    RGB textColor;        // the complement, readable on the colour
};
ColorPick PickColor(int r, int g, int b);

class EffectSession {
public:
    EffectSession(const FilterDlgParam& param, Workspace& ws);

    int code() const { return param_.EffectCode; }
    const FilterDlgParam& param() const { return param_; }
    const EffectLayout& layout() const { return layout_; }
    // Range and steps slider i works with (slider 1's unless CustomLabels).
    const SliderParam& slider(int i) const { return sliders_[i]; }

    int32_t position(int i) const { return p_[i]; }
    // Clamped to the slider's range. Marks the preview stale when it moves.
    void setPosition(int i, int32_t value);
    const std::array<int32_t, 3>& initial() const { return initial_; }
    // Back to the starting positions (100 and 99 for the masked composites).
    void reset();

    // Sets the panel colour and the picked centres; moves the sliders the
    // code ties to the colour. The preview is stale afterwards.
    ColorPick pick(int r, int g, int b);
    int32_t panelColor() const { return panelColor_; }  // r + 256 g + 65536 b

    // Runs the preview on `region` (a copy of the picture's visible part);
    // `duplicate` is the same region of the duplicate, or empty.
    void test(Bitmap& region, Bitmap duplicate, bool maskVariant = false);
    bool tested() const { return tested_; }
    bool stale() const { return stale_; }
    int32_t PreviewValue() const { return previewValue_; }

    // The values Apply leaves for the command: those of the preview shown, so
    // the caller must Test first when stale(). Returns slider 1's position.
    int32_t apply();

private:
    FilterDlgParam param_;
    Workspace& ws_;
    EffectLayout layout_;
    std::array<SliderParam, 3> sliders_;
    std::array<int32_t, 3> p_{}, initial_{}, tested_p_{};
    int32_t previewValue_ = 0;
    int32_t panelColor_ = 0x808080;
    bool tested_ = false, stale_ = true;
};

}  // namespace vimbra

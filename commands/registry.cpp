#include "commands/registry.h"

#include <algorithm>

#include "commands/color_commands.h"
#include "commands/color_mask_commands.h"
#include "commands/compose_commands.h"
#include "commands/correction_commands.h"
#include "commands/depth_commands.h"
#include "commands/filter_commands.h"
#include "commands/geometry_commands.h"
#include "commands/keywords.h"
#include "commands/tone_commands.h"
#include "core/frame_host.h"
#include "filters/noise.h"
#include "filters/text_marks.h"

namespace vimbra {
namespace {

constexpr ArgCheck kAny{};
constexpr ArgCheck In(int32_t lo, int32_t hi) { return {true, lo, hi}; }
// An argument whose menu slider offers less than a line accepts.
constexpr ArgCheck Narrow(int32_t lo, int32_t hi, int32_t sliderLo, int32_t sliderHi) {
    return {true, lo, hi, sliderLo, sliderHi};
}
// A value a line does not check, on a slider of the menu's dialog.
constexpr ArgCheck SliderOnly(int32_t sliderLo, int32_t sliderHi) {
    return {false, 0, 0, sliderLo, sliderHi};
}
// The strength and the second value of the two-slider filters.
constexpr std::array<ArgCheck, 3> kTwoSliders{Narrow(0, 255, 1, 255), In(0, 255), kAny};

constexpr std::array<ArgCheck, 3> kNone{};
constexpr std::array<ArgCheck, 3> kConform{In(1, 254), In(1, 254), kAny};
constexpr std::array<ArgCheck, 3> k1To255{In(1, 255), kAny, kAny};
constexpr std::array<ArgCheck, 3> kCompositeMask{In(1, 500), In(0, 99), kAny};
constexpr std::array<ArgCheck, 3> kTwoBytes{In(0, 255), In(0, 255), kAny};
constexpr std::array<ArgCheck, 3> kThreeBytes{In(0, 255), In(0, 255), In(0, 255)};
constexpr std::array<ArgCheck, 3> kThreeGammas{In(1, 500), In(1, 500), In(1, 500)};
constexpr std::array<ArgCheck, 3> kThreeOffsets{In(-127, 127), In(-127, 127), In(-127, 127)};
constexpr std::array<ArgCheck, 3> kBorder{kAny, In(1, 239), In(1, 239)};
constexpr std::array<ArgCheck, 3> kParametricEq{In(0, 255), In(7, 127), In(-127, 127)};
constexpr std::array<ArgCheck, 3> kSize{In(1, 16384), In(1, 16384), kAny};

constexpr std::array<ArgCheck, 3> One(int32_t lo, int32_t hi) { return {In(lo, hi), kAny, kAny}; }

constexpr uint16_t kCtl = kControl;
constexpr uint16_t kStr = kString;
constexpr uint16_t kOp = kOperation;
constexpr uint16_t kLeaves = kLeavesBuffers;
constexpr std::string_view kAsks = " asks questions in list order.";

// One line per command. Order is dispatch order and decides where a trace
// confirmation falls, so keep it.
constexpr Command kTable[] = {
    {keyword::TEXTMARK_TOPLEFT, 'A', kNone, kStr, BipTextMarkTopLeft},
    {keyword::TEXTMARK_TOPRIGHT, 'A', kNone, kStr, BipTextMarkTopRight},
    {keyword::TEXTMARK_BOTTOMLEFT, 'A', kNone, kStr, BipTextMarkBottomLeft},
    {keyword::TEXTMARK_BOTTOMRIGHT, 'A', kNone, kStr, BipTextMarkBottomRight},

    {keyword::DELACE, 'B', kNone, kOp, BipDelace},
    {keyword::ENRICH, 'B', kNone, kOp, BipEnrich},
    {keyword::OPTIMIZE, 'B', kNone, kOp, BipOptimize},
    {keyword::NORMALIZE, 'B', kNone, kOp, BipNormalize},
    {keyword::ZEROMAP, 'B', kNone, kOp, BipZeroMap},
    {keyword::CENTER, 'B', kNone, kOp, BipCenter},
    {keyword::EQUALIZE, 'B', kNone, kOp, BipEqualize},
    {keyword::WHITEBALANCE, 'B', {SliderOnly(-127, 127), kAny, kAny}, kOp, BipWhiteBalance},
    {keyword::NEGATIVE, 'B', kNone, kOp, BipNegative},

    {keyword::MAP_RGB, 'C', kNone, kOp, BipMapRgb},
    {keyword::MAP_RED, 'C', kNone, kOp, BipMapRed},
    {keyword::MAP_GRN, 'C', kNone, kOp, BipMapGrn},
    {keyword::MAP_BLU, 'C', kNone, kOp, BipMapBlu},

    {keyword::CONFORM_RED, 'D', kConform, kOp, BipConformRed},
    {keyword::CONFORM_GRN, 'D', kConform, kOp, BipConformGrn},
    {keyword::CONFORM_BLU, 'D', kConform, kOp, BipConformBlu},
    {keyword::CONFORM_GAMMA_RGB, 'D', kNone, kOp, BipConformGammaRgb},
    {keyword::CONFORM_GAMMA, 'D', One(1, 254), kOp, BipConformGamma},
    {keyword::CONFORM_LIT, 'D', kConform, kOp, BipConformLit},
    {keyword::CONFORM_SAT, 'D', kConform, kOp, BipConformSat},

    {keyword::MAP_EQ, 'E', kNone, kOp, BipMapEq},
    {keyword::MAP_LIT, 'E', kNone, kOp, BipMapLit},
    {keyword::AUTO_SATURATE, 'E', kNone, kOp, BipAutoSaturate},
    {keyword::AUTO_LIGHTING, 'E', kNone, kOp, BipAutoLighting},
    {keyword::AUTO_CONTRAST, 'E', kNone, kOp, BipAutoContrast},
    {keyword::AUTO_FLASH, 'E', kNone, kOp, BipAutoFlash},
    {keyword::AUTO_GAMMA, 'E', kNone, kOp, BipAutoGamma},
    {keyword::AUTO_BALANCE, 'E', kNone, kOp, BipAutoBalance},
    {keyword::AUTO_WHITE, 'E', kNone, kOp, BipAutoWhite},
    {keyword::MAP_SAT, 'E', kNone, kOp, BipMapSat},
    {keyword::LIMIT_RED, 'E', kNone, kOp, BipLimitRed},
    {keyword::LIMIT_GRN, 'E', kNone, kOp, BipLimitGrn},
    {keyword::LIMIT_BLU, 'E', kNone, kOp, BipLimitBlu},
    {keyword::LIMIT_ALL, 'E', kNone, kOp, BipLimitAll},

    {keyword::RELOAD, 'F', kNone, kCtl | kLeaves, nullptr, ControlStep::Reload},
    {keyword::NOMODIFYFLAG, 'F', kNone, kCtl | kLeaves, nullptr, ControlStep::NoModifyFlag},
    {keyword::NEXT, 'F', kNone, kCtl | kLeaves, nullptr, ControlStep::Next},
    {keyword::PREVIOUS, 'F', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Previous,
     " goes back to the picture before."},

    {keyword::PROMPT, 'G', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Prompt, kAsks},
    {keyword::TRACE, 'G', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Trace, kAsks},
    {keyword::PROMPTSTRING, 'G', kNone, kCtl | kStr | kAcrossFiles, nullptr, ControlStep::PromptString, kAsks},
    {keyword::PROMPT_NOT_FILESTRING, 'G', kNone, kCtl | kStr | kAcrossFiles, nullptr,
     ControlStep::PromptNotFileString, kAsks},
    {keyword::PROMPT_HAS_FILESTRING, 'G', kNone, kCtl | kStr | kAcrossFiles, nullptr,
     ControlStep::PromptHasFileString, kAsks},
    {keyword::DELETE, 'G', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Delete,
     " must follow the saves in list order."},
    {keyword::LOOP, 'G', kNone, kCtl | kLeaves, nullptr, ControlStep::Loop},

    {keyword::CROP, 'H', kNone, kCtl | kLeaves, nullptr, ControlStep::Crop},
    {keyword::SAVE, 'H', kNone, kCtl | kStr | kLeaves, nullptr, ControlStep::Save},
    {keyword::ARTIFACT, 'H', kNone, kOp, BipArtifact},

    {keyword::DUPLICATE, 'I', kNone, kFillsDuplicate | kRenewsDuplicate, BipDuplicate},
    {keyword::SWAP, 'I', kNone, kFillsDuplicate, BipSwap},
    {keyword::COPYTOBACKUP, 'I', kNone, kFillsBackup | kRenewsBackup, BipCopyToBackup},
    {keyword::COPYFROMBACKUP, 'I', kNone, kOp, BipCopyFromBackup},
    {keyword::CLEARBUFFERS, 'I', kNone, kCtl | kRenewsDuplicate | kRenewsBackup, nullptr,
     ControlStep::ClearBuffers},
    {keyword::AVERAGE, 'I', {Narrow(1, 255, 1, 99), kAny, kAny}, kOp, BipAverage},
    {keyword::MULTIPLY, 'I', kNone, kOp, BipMultiply},
    {keyword::MINIMUM, 'I', kNone, kOp, BipMinimum},
    {keyword::MAXIMUM, 'I', kNone, kOp, BipMaximum},
    {keyword::DIFFERENCE, 'I', kNone, kOp, BipDifference},
    {keyword::SUBTRACT, 'I', kNone, kOp, BipSubtract},

    {keyword::MOSAIC, 'J', One(2, 16), kOp, BipMosaic},
    {keyword::DESCREEN_LIGHT, 'J', kNone, kOp, BipDescreenLight},
    {keyword::DESCREEN_MEDIUM, 'J', kNone, kOp, BipDescreenMedium},
    {keyword::DESCREEN_STRONG, 'J', kNone, kOp, BipDescreenStrong},
    {keyword::DESCREEN_HIGH, 'J', kNone, kOp, BipDescreenHigh},
    {keyword::DEFOCUS, 'J', k1To255, kOp, BipDefocus},
    {keyword::GAUSSIAN, 'J', k1To255, kOp, BipGaussian},
    {keyword::OUTLIER, 'J', k1To255, kOp, BipOutlier},
    {keyword::SOFTEN, 'J', One(1, 10), kOp, BipSoften},
    {keyword::DESPECKLE, 'J', One(1, 9), kOp, BipDespeckle},
    {keyword::UNSPOT, 'J', {Narrow(-127, 127, -8, 8), kAny, kAny}, kOp, BipUnSpot},
    {keyword::MEANREMOVAL, 'J', One(1, 8), kOp, BipMeanRemoval},
    {keyword::HIGHPASSMEDIUM, 'J', One(1, 4), kOp, BipHighPassMedium},
    {keyword::HIGHPASSLIGHT, 'J', One(1, 4), kOp, BipHighPassLight},

    {keyword::BORDER, 'K', kBorder, kOp, BipBorder},
    {keyword::BORDER_TOPBOT, 'K', kBorder, kOp, BipBorderTopBot},
    {keyword::INTERLACE, 'K', {Narrow(1, 255, 1, 99), In(0, 1), kAny}, kOp, BipInterlace},

    {keyword::MASK_HLS, 'L', kNone, kOp, BipMaskHls},
    {keyword::MASK_HLSINV, 'L', kNone, kOp, BipMaskHlsInv},
    {keyword::REPLACE_RGB, 'L', kNone, kOp, BipReplaceRgb},
    {keyword::REPLACE_RGBINV, 'L', kNone, kOp, BipReplaceRgbInv},
    {keyword::REPLACE_HLS, 'L', kNone, kOp, BipReplaceHls},
    {keyword::REPLACE_HLSINV, 'L', kNone, kOp, BipReplaceHlsInv},
    {keyword::AIRBRUSH, 'L', kNone, kOp, BipAirbrush},
    {keyword::MASK_GRAYSCALE, 'L', kNone, kOp, BipMaskGrayscale},
    {keyword::MASK_CONTRAST, 'L', kCompositeMask, kOp, BipMaskContrast},
    {keyword::MASK_MIDTONES, 'L', kCompositeMask, kOp, BipMaskMidtones},
    {keyword::MASK_SHADOWS, 'L', kCompositeMask, kOp, BipMaskShadows},
    {keyword::MASK_HIGHLIGHTS, 'L', kCompositeMask, kOp, BipMaskHighlights},

    {keyword::GAMMA, 'M', kThreeGammas, kOp, BipGamma},
    {keyword::GAMMA_SUPRESS, 'M', kThreeGammas, kOp, BipGammaSupress},
    {keyword::BRIGHTNESS, 'M', kThreeOffsets, kOp, BipBrightness},
    {keyword::SHIFT, 'M', kThreeOffsets, kOp, BipShift},
    {keyword::ZERO, 'M', kNone, kOp, BipZero},
    {keyword::CONTRAST, 'M', kThreeOffsets, kOp, BipContrast},
    {keyword::UNCOOK, 'M', kNone, kOp, BipUncook},
    {keyword::UNWASH, 'M', kNone, kOp, BipUnwash},
    {keyword::ATTENUATE, 'M', kNone, kOp, BipAttenuate},
    {keyword::SUPRESS, 'M', kTwoBytes, kOp, BipSupress},
    {keyword::ENHANCE, 'M', kTwoBytes, kOp, BipEnhance},
    {keyword::LIGHTING, 'M', kTwoBytes, kOp, BipLighting},
    {keyword::SATURATION, 'M', kTwoBytes, kOp, BipSaturation},
    // Gamma 0 would divide by zero in the curve; the menu offers 1..500 too.
    {keyword::GAMMA_SATURATION, 'M', One(1, 500), kOp, BipGammaSaturation},

    {keyword::UNSHARPMASK, 'N', kTwoSliders, kOp, BipUnsharpMask},
    {keyword::CLEAN, 'N', kTwoSliders, kOp, BipClean},
    {keyword::MASK_EDGES, 'N', {Narrow(0, 255, 1, 255), Narrow(0, 255, 1, 255), kAny}, kOp, BipMaskEdges},
    {keyword::DEFOG, 'N', kTwoSliders, kOp, BipDefog},

    {keyword::SHADOWS, 'O', kThreeBytes, kOp, BipShadows},
    {keyword::HIGHLIGHTS, 'O', kThreeBytes, kOp, BipHighlights},
    {keyword::HLS, 'O', {In(-999, 999), In(-999, 999), In(-999, 999)}, kOp, BipHLS},
    {keyword::RGBMAX, 'O', kNone, kOp, BipRGBMax},
    {keyword::GRAYSCALE, 'O', kNone, kOp, BipGrayscale},
    {keyword::TRUECOLOR, 'O', kNone, kCtl | kLeaves, nullptr, ControlStep::TrueColor},
    {keyword::REFRESH, 'O', kNone, kCtl | kLeaves, nullptr, ControlStep::Refresh},
    {keyword::POSTERIZE, 'O', One(2, 7), kRefreshWhenOutOfRange, BipPosterize},
    {keyword::QUANTIZE16, 'O', kNone, kOp, BipQuantize16},
    {keyword::QUANTIZE256, 'O', kNone, kOp, BipQuantize256},

    {keyword::PARAMETRIC_EQ_ALL, 'P', kParametricEq, kOp, BipParametricEqAll},
    {keyword::PARAMETRIC_EQ_RED, 'P', kParametricEq, kOp, BipParametricEqRed},
    {keyword::PARAMETRIC_EQ_GRN, 'P', kParametricEq, kOp, BipParametricEqGrn},
    {keyword::PARAMETRIC_EQ_BLU, 'P', kParametricEq, kOp, BipParametricEqBlu},

    {keyword::RESIZE, 'Q', kSize, kOp, BipResample},
    {keyword::RESAMPLE, 'Q', kSize, kOp, BipResample},
    {keyword::DOWNSAMPLE, 'Q', kSize, kOp, BipDownsample},
    {keyword::ROTATE, 'Q', One(1, 359), kOp, BipRotate},
};

constexpr size_t kCount = std::size(kTable);

// Table indices sorted by keyword, for binary search.
const std::array<uint8_t, kCount>& SortedIndex() {
    static const std::array<uint8_t, kCount> index = [] {
        std::array<uint8_t, kCount> order{};
        for (size_t i = 0; i < kCount; ++i) order[i] = uint8_t(i);
        std::stable_sort(order.begin(), order.end(), [](uint8_t x, uint8_t y) {
            return kTable[x].keyword < kTable[y].keyword;
        });
        return order;
    }();
    return index;
}

}  // namespace

bool Command::argumentsInRange(const Workspace& ws) const {
    return args[0].accepts(ws.EffectValue1) && args[1].accepts(ws.EffectValue2) &&
           args[2].accepts(ws.EffectValue3);
}

std::span<const Command> BipCommands() { return kTable; }

const Command* FindBipCommand(std::string_view keyword) {
    const auto& index = SortedIndex();
    // stable_sort keeps equal keywords in table order, so lower_bound finds the first.
    const auto it = std::lower_bound(index.begin(), index.end(), keyword,
                                     [](uint8_t i, std::string_view k) { return kTable[i].keyword < k; });
    if (it == index.end() || kTable[*it].keyword != keyword) return nullptr;
    return &kTable[*it];
}

size_t BipCommandIndex(const Command& command) { return size_t(&command - kTable); }

bool RunsBeforeTracePoint(const Command* command) {
    static const size_t prompt = BipCommandIndex(*FindBipCommand(keyword::PROMPT));
    return command != nullptr && BipCommandIndex(*command) < prompt;
}

BipDispatch RunBipCommand(const Command& command, Workspace& ws) {
    if (!command.argumentsInRange(ws)) {
        if (command.refreshesWhenOutOfRange()) ws.host().RefreshView(ws);
        return {BipOutcome::OutOfRange, &command};
    }
    if (command.isControl()) return {BipOutcome::Control, &command};
    if (command.run == nullptr) return {BipOutcome::NotBuilt, &command};
    command.run(ws);
    return {BipOutcome::Ran, &command};
}

std::vector<MenuCommandRef> MenuCommands() {
    std::vector<MenuCommandRef> out;
    const auto edits = [&](std::span<const EditCommand> family) {
        for (const EditCommand& c : family) out.push_back({&c, nullptr});
    };
    const auto customs = [&](std::span<const CustomMenuCommand> family) {
        for (const CustomMenuCommand& c : family) out.push_back({nullptr, &c});
    };
    edits(ToneMenuCommands());
    edits(CorrectionMenuCommands());
    edits(ColorMenuCommands());
    edits(ComposeMenuCommands());
    edits(ColorMaskMenuCommands());
    customs(ComposeCustomCommands());
    customs(ColorMaskCustomCommands());
    edits(FilterMenuCommands());
    customs(FilterCustomCommands());
    edits(GeometryMenuCommands());
    return out;
}

MenuCommandRef FindMenuCommand(std::string_view id) {
    static const std::vector<MenuCommandRef> all = MenuCommands();
    if (id.empty()) return {};
    for (const MenuCommandRef& ref : all)
        if (id == (ref.edit ? ref.edit->name : ref.custom->name)) return ref;
    return {};
}

MenuCommandRef FindMenuCommand(EditId id) {
    static const std::array<MenuCommandRef, kEditIdCount> byId = [] {
        std::array<MenuCommandRef, kEditIdCount> out{};
        for (size_t i = 0; i < kEditIdCount; ++i) out[i] = FindMenuCommand(kEditHandlers[i]);
        return out;
    }();
    return size_t(id) < byId.size() ? byId[size_t(id)] : MenuCommandRef{};
}

namespace {

const ArgCheck& Arg(std::string_view keyword, int arg) {
    static constexpr ArgCheck kNoArg{};
    const Command* c = FindBipCommand(keyword);
    return c != nullptr && arg >= 0 && arg < 3 ? c->args[size_t(arg)] : kNoArg;
}

}  // namespace

SliderParam ArgSlider(std::string_view keyword, int arg, int32_t position, int32_t largeStep,
                      std::string low, std::string high) {
    const ArgCheck& a = Arg(keyword, arg);
    return {a.sliderMin(), a.sliderMax(), position, largeStep, 1, std::move(low), std::move(high)};
}

BipDispatch DispatchBipKeyword(std::string_view keyword, Workspace& ws) {
    if (keyword.empty()) return {BipOutcome::Skipped};
    const Command* command = FindBipCommand(keyword);
    if (command == nullptr) return {BipOutcome::Unknown};
    return RunBipCommand(*command, ws);
}

}  // namespace vimbra

#include "commands/registry.h"

#include <algorithm>

#include "commands/color_commands.h"
#include "commands/color_mask_commands.h"
#include "commands/compose_commands.h"
#include "commands/correction_commands.h"
#include "commands/depth_commands.h"
#include "commands/filter_commands.h"
#include "commands/geometry_commands.h"
#include "commands/tone_commands.h"
#include "core/frame_host.h"
#include "filters/noise.h"
#include "filters/text_marks.h"

namespace vimbra {
namespace {

constexpr ArgCheck kAny{};
constexpr ArgCheck In(int32_t lo, int32_t hi) { return {true, lo, hi}; }

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
    {"TEXTMARK_TOPLEFT", 'A', kNone, kStr, BipTextMarkTopLeft},
    {"TEXTMARK_TOPRIGHT", 'A', kNone, kStr, BipTextMarkTopRight},
    {"TEXTMARK_BOTTOMLEFT", 'A', kNone, kStr, BipTextMarkBottomLeft},
    {"TEXTMARK_BOTTOMRIGHT", 'A', kNone, kStr, BipTextMarkBottomRight},

    {"DELACE", 'B', kNone, kOp, BipDelace},
    {"ENRICH", 'B', kNone, kOp, BipEnrich},
    {"OPTIMIZE", 'B', kNone, kOp, BipOptimize},
    {"NORMALIZE", 'B', kNone, kOp, BipNormalize},
    {"ZEROMAP", 'B', kNone, kOp, BipZeroMap},
    {"CENTER", 'B', kNone, kOp, BipCenter},
    {"EQUALIZE", 'B', kNone, kOp, BipEqualize},
    {"WHITEBALANCE", 'B', kNone, kOp, BipWhiteBalance},
    {"NEGATIVE", 'B', kNone, kOp, BipNegative},

    {"MAP_RGB", 'C', kNone, kOp, BipMapRgb},
    {"MAP_RED", 'C', kNone, kOp, BipMapRed},
    {"MAP_GRN", 'C', kNone, kOp, BipMapGrn},
    {"MAP_BLU", 'C', kNone, kOp, BipMapBlu},

    {"CONFORM_RED", 'D', kConform, kOp, BipConformRed},
    {"CONFORM_GRN", 'D', kConform, kOp, BipConformGrn},
    {"CONFORM_BLU", 'D', kConform, kOp, BipConformBlu},
    {"CONFORM_GAMMA_RGB", 'D', kNone, kOp, BipConformGammaRgb},
    {"CONFORM_GAMMA", 'D', One(1, 254), kOp, BipConformGamma},
    {"CONFORM_LIT", 'D', kConform, kOp, BipConformLit},
    {"CONFORM_SAT", 'D', kConform, kOp, BipConformSat},

    {"MAP_EQ", 'E', kNone, kOp, BipMapEq},
    {"MAP_LIT", 'E', kNone, kOp, BipMapLit},
    {"AUTO_SATURATE", 'E', kNone, kOp, BipAutoSaturate},
    {"AUTO_LIGHTING", 'E', kNone, kOp, BipAutoLighting},
    {"AUTO_CONTRAST", 'E', kNone, kOp, BipAutoContrast},
    {"AUTO_FLASH", 'E', kNone, kOp, BipAutoFlash},
    {"AUTO_GAMMA", 'E', kNone, kOp, BipAutoGamma},
    {"AUTO_BALANCE", 'E', kNone, kOp, BipAutoBalance},
    {"AUTO_WHITE", 'E', kNone, kOp, BipAutoWhite},
    {"MAP_SAT", 'E', kNone, kOp, BipMapSat},
    {"LIMIT_RED", 'E', kNone, kOp, BipLimitRed},
    {"LIMIT_GRN", 'E', kNone, kOp, BipLimitGrn},
    {"LIMIT_BLU", 'E', kNone, kOp, BipLimitBlu},
    {"LIMIT_ALL", 'E', kNone, kOp, BipLimitAll},

    {"RELOAD", 'F', kNone, kCtl | kLeaves, nullptr, ControlStep::Reload},
    {"NOMODIFYFLAG", 'F', kNone, kCtl | kLeaves, nullptr, ControlStep::NoModifyFlag},
    {"NEXT", 'F', kNone, kCtl | kLeaves, nullptr, ControlStep::Next},
    {"PREVIOUS", 'F', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Previous,
     " goes back to the picture before."},

    {"PROMPT", 'G', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Prompt, kAsks},
    {"TRACE", 'G', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Trace, kAsks},
    {"PROMPTSTRING", 'G', kNone, kCtl | kStr | kAcrossFiles, nullptr, ControlStep::PromptString, kAsks},
    {"PROMPT_NOT_FILESTRING", 'G', kNone, kCtl | kStr | kAcrossFiles, nullptr,
     ControlStep::PromptNotFileString, kAsks},
    {"PROMPT_HAS_FILESTRING", 'G', kNone, kCtl | kStr | kAcrossFiles, nullptr,
     ControlStep::PromptHasFileString, kAsks},
    {"DELETE", 'G', kNone, kCtl | kAcrossFiles, nullptr, ControlStep::Delete,
     " must follow the saves in list order."},
    {"LOOP", 'G', kNone, kCtl | kLeaves, nullptr, ControlStep::Loop},

    {"CROP", 'H', kNone, kCtl | kLeaves, nullptr, ControlStep::Crop},
    {"SAVE", 'H', kNone, kCtl | kStr | kLeaves, nullptr, ControlStep::Save},
    {"ARTIFACT", 'H', kNone, kOp, BipArtifact},

    {"DUPLICATE", 'I', kNone, kFillsDuplicate | kRenewsDuplicate, BipDuplicate},
    {"SWAP", 'I', kNone, kFillsDuplicate, BipSwap},
    {"COPYTOBACKUP", 'I', kNone, kFillsBackup | kRenewsBackup, BipCopyToBackup},
    {"COPYFROMBACKUP", 'I', kNone, kOp, BipCopyFromBackup},
    {"CLEARBUFFERS", 'I', kNone, kCtl | kRenewsDuplicate | kRenewsBackup, nullptr,
     ControlStep::ClearBuffers},
    {"AVERAGE", 'I', k1To255, kOp, BipAverage},
    {"MULTIPLY", 'I', kNone, kOp, BipMultiply},
    {"MINIMUM", 'I', kNone, kOp, BipMinimum},
    {"MAXIMUM", 'I', kNone, kOp, BipMaximum},
    {"DIFFERENCE", 'I', kNone, kOp, BipDifference},
    {"SUBTRACT", 'I', kNone, kOp, BipSubtract},

    {"MOSAIC", 'J', One(2, 16), kOp, BipMosaic},
    {"DESCREEN_LIGHT", 'J', kNone, kOp, BipDescreenLight},
    {"DESCREEN_MEDIUM", 'J', kNone, kOp, BipDescreenMedium},
    {"DESCREEN_STRONG", 'J', kNone, kOp, BipDescreenStrong},
    {"DESCREEN_HIGH", 'J', kNone, kOp, BipDescreenHigh},
    {"DEFOCUS", 'J', k1To255, kOp, BipDefocus},
    {"GAUSSIAN", 'J', k1To255, kOp, BipGaussian},
    {"OUTLIER", 'J', k1To255, kOp, BipOutlier},
    {"SOFTEN", 'J', One(1, 10), kOp, BipSoften},
    {"DESPECKLE", 'J', One(1, 9), kOp, BipDespeckle},
    {"UNSPOT", 'J', One(-127, 127), kOp, BipUnSpot},
    {"MEANREMOVAL", 'J', One(1, 8), kOp, BipMeanRemoval},
    {"HIGHPASSMEDIUM", 'J', One(1, 4), kOp, BipHighPassMedium},
    {"HIGHPASSLIGHT", 'J', One(1, 4), kOp, BipHighPassLight},

    {"BORDER", 'K', kBorder, kOp, BipBorder},
    {"BORDER_TOPBOT", 'K', kBorder, kOp, BipBorderTopBot},
    {"INTERLACE", 'K', {In(1, 255), In(0, 1), kAny}, kOp, BipInterlace},

    {"MASK_HLS", 'L', kNone, kOp, BipMaskHls},
    {"MASK_HLSINV", 'L', kNone, kOp, BipMaskHlsInv},
    {"REPLACE_RGB", 'L', kNone, kOp, BipReplaceRgb},
    {"REPLACE_RGBINV", 'L', kNone, kOp, BipReplaceRgbInv},
    {"REPLACE_HLS", 'L', kNone, kOp, BipReplaceHls},
    {"REPLACE_HLSINV", 'L', kNone, kOp, BipReplaceHlsInv},
    {"AIRBRUSH", 'L', kNone, kOp, BipAirbrush},
    {"MASK_GRAYSCALE", 'L', kNone, kOp, BipMaskGrayscale},
    {"MASK_CONTRAST", 'L', kCompositeMask, kOp, BipMaskContrast},
    {"MASK_MIDTONES", 'L', kCompositeMask, kOp, BipMaskMidtones},
    {"MASK_SHADOWS", 'L', kCompositeMask, kOp, BipMaskShadows},
    {"MASK_HIGHLIGHTS", 'L', kCompositeMask, kOp, BipMaskHighlights},

    {"GAMMA", 'M', kThreeGammas, kOp, BipGamma},
    {"GAMMA_SUPRESS", 'M', kThreeGammas, kOp, BipGammaSupress},
    {"BRIGHTNESS", 'M', kThreeOffsets, kOp, BipBrightness},
    {"SHIFT", 'M', kThreeOffsets, kOp, BipShift},
    {"ZERO", 'M', kNone, kOp, BipZero},
    {"CONTRAST", 'M', kThreeOffsets, kOp, BipContrast},
    {"UNCOOK", 'M', kNone, kOp, BipUncook},
    {"UNWASH", 'M', kNone, kOp, BipUnwash},
    {"ATTENUATE", 'M', kNone, kOp, BipAttenuate},
    {"SUPRESS", 'M', kTwoBytes, kOp, BipSupress},
    {"ENHANCE", 'M', kTwoBytes, kOp, BipEnhance},
    {"LIGHTING", 'M', kTwoBytes, kOp, BipLighting},
    {"SATURATION", 'M', kTwoBytes, kOp, BipSaturation},
    // Gamma 0 would divide by zero in the curve; the menu offers 1..500 too.
    {"GAMMA_SATURATION", 'M', One(1, 500), kOp, BipGammaSaturation},

    {"UNSHARPMASK", 'N', kTwoBytes, kOp, BipUnsharpMask},
    {"CLEAN", 'N', kTwoBytes, kOp, BipClean},
    {"MASK_EDGES", 'N', kTwoBytes, kOp, BipMaskEdges},
    {"DEFOG", 'N', kTwoBytes, kOp, BipDefog},

    {"SHADOWS", 'O', kThreeBytes, kOp, BipShadows},
    {"HIGHLIGHTS", 'O', kThreeBytes, kOp, BipHighlights},
    {"HLS", 'O', {In(-999, 999), In(-999, 999), In(-999, 999)}, kOp, BipHLS},
    {"RGBMAX", 'O', kNone, kOp, BipRGBMax},
    {"GRAYSCALE", 'O', kNone, kOp, BipGrayscale},
    {"TRUECOLOR", 'O', kNone, kCtl | kLeaves, nullptr, ControlStep::TrueColor},
    {"REFRESH", 'O', kNone, kCtl | kLeaves, nullptr, ControlStep::Refresh},
    {"POSTERIZE", 'O', One(2, 7), kRefreshWhenOutOfRange, BipPosterize},
    {"QUANTIZE16", 'O', kNone, kOp, BipQuantize16},
    {"QUANTIZE256", 'O', kNone, kOp, BipQuantize256},

    {"PARAMETRIC_EQ_ALL", 'P', kParametricEq, kOp, BipParametricEqAll},
    {"PARAMETRIC_EQ_RED", 'P', kParametricEq, kOp, BipParametricEqRed},
    {"PARAMETRIC_EQ_GRN", 'P', kParametricEq, kOp, BipParametricEqGrn},
    {"PARAMETRIC_EQ_BLU", 'P', kParametricEq, kOp, BipParametricEqBlu},

    {"RESIZE", 'Q', kSize, kOp, BipResample},
    {"RESAMPLE", 'Q', kSize, kOp, BipResample},
    {"DOWNSAMPLE", 'Q', kSize, kOp, BipDownsample},
    {"ROTATE", 'Q', One(1, 359), kOp, BipRotate},
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
    static const size_t prompt = BipCommandIndex(*FindBipCommand("PROMPT"));
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

BipDispatch DispatchBipKeyword(std::string_view keyword, Workspace& ws) {
    if (keyword.empty()) return {BipOutcome::Skipped};
    const Command* command = FindBipCommand(keyword);
    if (command == nullptr) return {BipOutcome::Unknown};
    return RunBipCommand(*command, ws);
}

}  // namespace vimbra

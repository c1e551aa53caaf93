#include "commands/correction_commands.h"

#include <algorithm>
#include <array>

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "commands/map_commands.h"
#include "core/auto_corrections.h"
#include "core/histogram.h"
#include "core/tone_curves.h"

namespace vimbra {
namespace {

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

// The histograms and sums the statistical BIP lines work from.
void Statistics(Workspace& ws) { DoCalcHistogram(ws, Main(ws), true, true, false); }

// A menu correction run by a script: the same work, no undo, no dialog, no line.
void RunScripted(Workspace& ws, void (*op)(Workspace&, PassTarget)) {
    op(ws, Main(ws));
    ws.host().AutoConvert(ws);
}

int FlashMode(int32_t value) { return value == 1 || value == 2 ? value : 0; }

// ---- Colors > Map and Tune > RGB --------------------------------------------

const char* MapSuffix(int code) {
    switch (code) {
        case kMapEqualize: return "(Equalize)";
        case kMapRed: return "(Red)";
        case kMapGreen: return "(Green)";
        case kMapBlue: return "(Blue)";
        case kMapSaturation: return "(Saturation)";
        default: return "(Lighting)";
    }
}

const char* MapKeyword(int code) {
    switch (code) {
        case kMapEqualize: return keyword::MAP_EQ;
        case kMapRed: return keyword::MAP_RED;
        case kMapGreen: return keyword::MAP_GRN;
        case kMapBlue: return keyword::MAP_BLU;
        case kMapSaturation: return keyword::MAP_SAT;
        case kMapLighting: return keyword::MAP_LIT;
        default: return keyword::MAP_RGB;
    }
}

template <int kCode>
void MapDialog(Workspace& ws, FilterDlgParam& p) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, Main(ws), true, true, false);
    const MapStart start = MapInitialPositions(ws, kCode);
    p.title = kCode == kTuneRgb ? std::string("Tune RGB color map")
                                : std::string("Normalize Map ") + MapSuffix(kCode);
    p.sliderCount = 2;
    p.CustomLabels = true;
    p.EffectCode = kCode;
    p.sliders[0] = {8, 240, start.mean, 8, 1, "8 (min)", "240 (max)"};
    p.sliders[1] = {3, 127, start.deviation, 8, 1, "3 (min)", "127 (max)"};
}

template <int kCode>
void MapRun(Workspace& ws, PassTarget target) {
    if constexpr (kCode == kTuneRgb) {
        const int meanOffset = ws.EffectValue1 - 128, deviationOffset = ws.EffectValue2 - 64;
        if (meanOffset != 0 || deviationOffset != 0) {
            ResetMaps(ws.curves);
            TuneRgb(ws, target, meanOffset, deviationOffset);
        }
    } else {
        MapNormalize(ws, target, kCode);
    }
    ws.host().StatusReady(ws);
}

// Map > Equalize records absolute targets, the others offsets from the start.
template <int kCode>
std::string MapLine(const Workspace& ws) {
    if constexpr (kCode == kMapEqualize)
        return BipLine(MapKeyword(kCode), {ws.EffectValue1, ws.EffectValue2});
    const MapStart start = MapInitialPositions(ws, kCode);
    return BipLine(MapKeyword(kCode),
                   {ws.EffectValue1 - start.mean, ws.EffectValue2 - start.deviation});
}

// ---- Colors > Limit ---------------------------------------------------------

const char* LimitSuffix(int code) {
    switch (code) {
        case kLimitRed: return "(Red)";
        case kLimitGreen: return "(Green)";
        case kLimitBlue: return "(Blue)";
        default: return "(All)";
    }
}

const char* LimitKeyword(int code) {
    switch (code) {
        case kLimitRed: return keyword::LIMIT_RED;
        case kLimitGreen: return keyword::LIMIT_GRN;
        case kLimitBlue: return keyword::LIMIT_BLU;
        default: return keyword::LIMIT_ALL;
    }
}

void LimitPrepare(Workspace& ws) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, Main(ws), true, false, false);
}

template <int kCode>
void LimitDialog(Workspace& ws, FilterDlgParam& p) {
    LimitPrepare(ws);
    p.title = std::string("Limit Intensities ") + LimitSuffix(kCode);
    p.sliderCount = 3;
    p.CustomLabels = true;
    p.EffectCode = kCode;
    p.sliders[0] = {0, 255, 0, 8, 1, "0 (less)", "255 (more)"};
    p.sliders[1] = {0, 255, 128, 8, 1, "0 (low)", "255 (high)"};
    p.sliders[2] = {0, 255, 255, 8, 1, "0 (more)", "255 (less)"};
}

template <int kCode>
void LimitRun(Workspace& ws, PassTarget target) {
    LimitIntensities(ws, target, kCode);
}

template <int kCode>
std::string LimitLine(const Workspace& ws) {
    return BipLine(LimitKeyword(kCode), {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3});
}

void LimitScripted(Workspace& ws, int code) {
    LimitPrepare(ws);
    LimitIntensities(ws, Main(ws), code);
    ws.host().AutoConvert(ws);
}

// ---- Colors > Tune ----------------------------------------------------------

// AutoFlash records only when it changed the picture, so it records itself,
// with its mode: a bare keyword would take the mode from the line before.
void AutoFlashFromMenu(Workspace& ws, PassTarget target) {
    if (AutoFlash(ws, target, 0) && !ws.BatchRunning)
        ws.host().RecordBatchLine(ws, BipLine(keyword::AUTO_FLASH, {0}));
}

// A BIP line without arguments, as a template argument.
template <size_t N>
struct Keyword {
    char text[N];
    constexpr Keyword(const char (&s)[N]) { std::copy_n(s, N, text); }
};
template <Keyword kKeyword>
std::string FixedLine(const Workspace&) {
    return kKeyword.text;
}

const std::array kCommands = {
    EditCommand{HandlerName(EditId::AutoContrast), nullptr, "Enhancing ...", AutoContrast,
                FixedLine<keyword::AUTO_CONTRAST>},
    EditCommand{HandlerName(EditId::AutoLighting), nullptr, "Enhancing ...", AutoLighting,
                FixedLine<keyword::AUTO_LIGHTING>},
    EditCommand{HandlerName(EditId::AutoSaturate), nullptr, "Enhancing ...", AutoSaturate,
                FixedLine<keyword::AUTO_SATURATE>},
    EditCommand{HandlerName(EditId::AutoBalance), nullptr, nullptr, AutoBalance,
                FixedLine<keyword::AUTO_BALANCE>},
    EditCommand{HandlerName(EditId::AutoGamma), nullptr, nullptr,
                [](Workspace& ws, PassTarget t) { AutoGamma(ws, t); },
                FixedLine<keyword::AUTO_GAMMA>},
    EditCommand{HandlerName(EditId::AutoFlash), nullptr, nullptr, AutoFlashFromMenu, nullptr},
    EditCommand{HandlerName(EditId::AutoWhite), nullptr, nullptr, AutoWhite, FixedLine<keyword::AUTO_WHITE>, false},
    EditCommand{HandlerName(EditId::Normalize), nullptr, nullptr, Normalize, FixedLine<keyword::NORMALIZE>},
    EditCommand{HandlerName(EditId::Optimize), nullptr, nullptr, Optimize, FixedLine<keyword::OPTIMIZE>},
    EditCommand{HandlerName(EditId::TuneEqualize), nullptr, nullptr, Equalize, FixedLine<keyword::EQUALIZE>},
    EditCommand{HandlerName(EditId::TuneRgb), MapDialog<kTuneRgb>, "Remapping ...", MapRun<kTuneRgb>,
                MapLine<kTuneRgb>},
    EditCommand{HandlerName(EditId::MapEqualize), MapDialog<kMapEqualize>, "Remapping ...",
                MapRun<kMapEqualize>, MapLine<kMapEqualize>},
    EditCommand{HandlerName(EditId::MapRed), MapDialog<kMapRed>, "Remapping ...", MapRun<kMapRed>,
                MapLine<kMapRed>},
    EditCommand{HandlerName(EditId::MapGreen), MapDialog<kMapGreen>, "Remapping ...", MapRun<kMapGreen>,
                MapLine<kMapGreen>},
    EditCommand{HandlerName(EditId::MapBlue), MapDialog<kMapBlue>, "Remapping ...", MapRun<kMapBlue>,
                MapLine<kMapBlue>},
    EditCommand{HandlerName(EditId::MapSaturation), MapDialog<kMapSaturation>, "Remapping ...",
                MapRun<kMapSaturation>, MapLine<kMapSaturation>},
    EditCommand{HandlerName(EditId::MapLighting), MapDialog<kMapLighting>, "Remapping ...",
                MapRun<kMapLighting>, MapLine<kMapLighting>},
    EditCommand{HandlerName(EditId::MapZero), nullptr, nullptr, MapZero, FixedLine<keyword::ZEROMAP>, false},
    EditCommand{HandlerName(EditId::MapCenter), nullptr, nullptr, MapCenter, FixedLine<keyword::CENTER>, false},
    EditCommand{HandlerName(EditId::LimitAll), LimitDialog<kLimitAll>, "Limiting ...", LimitRun<kLimitAll>,
                LimitLine<kLimitAll>},
    EditCommand{HandlerName(EditId::LimitRed), LimitDialog<kLimitRed>, "Limiting ...", LimitRun<kLimitRed>,
                LimitLine<kLimitRed>},
    EditCommand{HandlerName(EditId::LimitGreen), LimitDialog<kLimitGreen>, "Limiting ...",
                LimitRun<kLimitGreen>, LimitLine<kLimitGreen>},
    EditCommand{HandlerName(EditId::LimitBlue), LimitDialog<kLimitBlue>, "Limiting ...",
                LimitRun<kLimitBlue>, LimitLine<kLimitBlue>},
};

}  // namespace

void BipOptimize(Workspace& ws) { RunScripted(ws, Optimize); }
void BipNormalize(Workspace& ws) { RunScripted(ws, Normalize); }
void BipZeroMap(Workspace& ws) { RunScripted(ws, MapZero); }
void BipCenter(Workspace& ws) { RunScripted(ws, MapCenter); }
void BipEqualize(Workspace& ws) { RunScripted(ws, Equalize); }

void BipMapRgb(Workspace& ws) {
    const int a = ws.EffectValue1, b = ws.EffectValue2;
    Statistics(ws);
    TuneRgb(ws, Main(ws), a, b);
}

namespace {
void MapOneChannel(Workspace& ws, int channel) {
    const int a = ws.EffectValue1, b = ws.EffectValue2;
    Statistics(ws);
    MapChannelOffset(ws, Main(ws), channel, a, b);
}
void ConformOneChannel(Workspace& ws, int channel) {
    Statistics(ws);
    DoNormalize(ws, Main(ws), channel);
}
}  // namespace

void BipMapRed(Workspace& ws) { MapOneChannel(ws, kChannelRed); }
void BipMapGrn(Workspace& ws) { MapOneChannel(ws, kChannelGreen); }
void BipMapBlu(Workspace& ws) { MapOneChannel(ws, kChannelBlue); }
void BipMapLit(Workspace& ws) { MapOneChannel(ws, kChannelLightness); }
void BipMapSat(Workspace& ws) { MapOneChannel(ws, kChannelSaturation); }

void BipMapEq(Workspace& ws) {
    Statistics(ws);
    MapNormalize(ws, Main(ws), kMapEqualize);
}

void BipConformRed(Workspace& ws) { ConformOneChannel(ws, kChannelRed); }
void BipConformGrn(Workspace& ws) { ConformOneChannel(ws, kChannelGreen); }
void BipConformBlu(Workspace& ws) { ConformOneChannel(ws, kChannelBlue); }
void BipConformLit(Workspace& ws) { ConformOneChannel(ws, kChannelLightness); }
void BipConformSat(Workspace& ws) { ConformOneChannel(ws, kChannelSaturation); }
void BipConformGammaRgb(Workspace& ws) { DoConformGammaRGB(ws, Main(ws)); }
void BipConformGamma(Workspace& ws) { DoConformGamma(ws, Main(ws)); }

void BipAutoSaturate(Workspace& ws) { RunScripted(ws, AutoSaturate); }
void BipAutoLighting(Workspace& ws) { RunScripted(ws, AutoLighting); }
void BipAutoContrast(Workspace& ws) { RunScripted(ws, AutoContrast); }

void BipAutoFlash(Workspace& ws) {
    AutoFlash(ws, Main(ws), FlashMode(ws.EffectValue1));
    ws.host().AutoConvert(ws);
}

void BipAutoGamma(Workspace& ws) {
    AutoGamma(ws, Main(ws));
    ws.host().AutoConvert(ws);
    ws.host().RefreshView(ws);
}

void BipAutoBalance(Workspace& ws) { RunScripted(ws, AutoBalance); }
void BipAutoWhite(Workspace& ws) { AutoWhite(ws, Main(ws)); }

void BipLimitAll(Workspace& ws) { LimitScripted(ws, kLimitAll); }
void BipLimitRed(Workspace& ws) { LimitScripted(ws, kLimitRed); }
void BipLimitGrn(Workspace& ws) { LimitScripted(ws, kLimitGreen); }
void BipLimitBlu(Workspace& ws) { LimitScripted(ws, kLimitBlue); }

std::span<const EditCommand> CorrectionMenuCommands() { return kCommands; }

const EditCommand* FindCorrectionMenuCommand(std::string_view name) {
    for (const EditCommand& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace vimbra

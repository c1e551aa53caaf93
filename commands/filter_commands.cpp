#include "commands/filter_commands.h"

#include <array>
#include <string>

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "commands/registry.h"
#include "filters/convolution.h"
#include "filters/defog.h"
#include "filters/library_failure.h"
#include "filters/lightness_filters.h"
#include "filters/median.h"
#include "filters/scale_rotate.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {
namespace {

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

using Remembered = Workspace::Remembered;

// One dialog command: its entry (the slider ranges), where its strength is
// remembered and, for the two-slider commands, its second value; large step
// and texts.
struct FilterDialog {
    const char* keyword;
    int32_t Remembered::*tag;
    int32_t Remembered::*second;  // used when twoSliders
    bool twoSliders;
    int effectCode;
    int32_t largeStep;
    const char* title;
    // The end labels: the slider's range with these words ("1 (weak)").
    const char* low = "weak";
    const char* high = "strong";
    // Labels that are not the range with words.
    const char* lowLabel = nullptr;
    const char* highLabel = nullptr;
};

std::string EndLabel(const char* label, int32_t value, const char* word) {
    return label ? std::string(label) : std::to_string(value) + " (" + word + ")";
}

template <const FilterDialog& D>
void Dialog(Workspace& ws, FilterDlgParam& p) {
    p.title = D.title;
    p.EffectCode = D.effectCode;
    p.sliderCount = D.twoSliders ? 2 : 1;
    const ArgCheck& strength = FindBipCommand(D.keyword)->args[0];
    p.sliders[0] = ArgSlider(D.keyword, 0, ws.remembered.*D.tag, D.largeStep,
                             EndLabel(D.lowLabel, strength.sliderMin(), D.low),
                             EndLabel(D.highLabel, strength.sliderMax(), D.high));
    // The second slider carries the first one's labels.
    if (D.twoSliders)
        p.sliders[1] = ArgSlider(D.keyword, 1, ws.remembered.*D.second, D.largeStep,
                                 p.sliders[0].LabelMin, p.sliders[0].LabelMax);
}

template <const FilterDialog& D>
void Chosen(Workspace& ws, int value) {
    ws.remembered.*D.tag = value;
    ws.EffectValue1 = value;
    if (D.twoSliders) ws.remembered.*D.second = ws.EffectValue2;
}

constexpr FilterDialog kGaussian{keyword::GAUSSIAN, &Remembered::Gaussian, &Remembered::Gaussian, false, 30,
                                 16, "Set Smoothing (Gaussian) effect to"};
constexpr FilterDialog kOutlier{keyword::OUTLIER, &Remembered::Outlier, &Remembered::Outlier, false, 1, 16,
                                "Set Outlier effect to"};
constexpr FilterDialog kDefocus{keyword::DEFOCUS, &Remembered::Defocus, &Remembered::Defocus, false, 31, 16,
                                "Set Smoothing (Defocus) effect to"};
constexpr FilterDialog kSoften{keyword::SOFTEN, &Remembered::Soften, &Remembered::Soften, false, 3, 1,
                               "Set Soften (Low Pass) effect to"};
constexpr FilterDialog kDespeckle{keyword::DESPECKLE, &Remembered::Despeckle, &Remembered::Despeckle, false,
                                  4, 1, "Set Despeckle (Median) effect to"};
constexpr FilterDialog kUnSpot{keyword::UNSPOT, &Remembered::UnSpot, &Remembered::UnSpot, false, 36, 1,
                               "Set Spot Remover to clean", "", "", "-8 pepper", "+8 salt"};
constexpr FilterDialog kMeanRemoval{keyword::MEANREMOVAL, &Remembered::MeanRemoval, &Remembered::MeanRemoval,
                                    false, 32, 1, "Set Sharpening (Mean Removal) effect to"};
constexpr FilterDialog kHighpassMedium{keyword::HIGHPASSMEDIUM, &Remembered::HighpassMedium,
                                       &Remembered::HighpassMedium, false, 33, 1,
                                       "Set Sharpening (Medium High Pass) effect to"};
constexpr FilterDialog kHighpassLight{keyword::HIGHPASSLIGHT, &Remembered::HighpassLight,
                                      &Remembered::HighpassLight, false, 34, 1,
                                      "Set Sharpening (Light High Pass) effect to"};
constexpr FilterDialog kUnsharp{keyword::UNSHARPMASK, &Remembered::UnsharpMask, &Remembered::UnsharpAmount,
                                true, 230, 16, "Set UnSharp Mask effect to"};
constexpr FilterDialog kClean{keyword::CLEAN, &Remembered::Clean, &Remembered::CleanBlend, true, 231, 16,
                              "Set Cleaning Mask effect to"};
constexpr FilterDialog kDefog{keyword::DEFOG, &Remembered::Defog, &Remembered::DefogAmount, true, 241, 16,
                              "Set DeFog effect to"};

// --- Passes with the current values (working picture or preview)

void GaussianRun(Workspace& ws, PassTarget t) { GaussianBlur3x3(ws, t, 255 - ws.EffectValue1, false, 9); }
void OutlierRun(Workspace& ws, PassTarget t) { GaussianBlur3x3(ws, t, 255 - ws.EffectValue1, true, 8); }
void DefocusRun(Workspace& ws, PassTarget t) { DeFocus(ws, t, 255 - ws.EffectValue1); }
void SoftenRun(Workspace& ws, PassTarget t) { Soften(ws, t, ws.EffectValue1); }
void DespeckleRun(Workspace& ws, PassTarget t) { Median(ws, t, ws.EffectValue1, 0); }
void UnSpotRun(Workspace& ws, PassTarget t) { Median(ws, t, 1, ws.EffectValue1); }
void MeanRemovalRun(Workspace& ws, PassTarget t) { MeanRemoval(ws, t, ws.EffectValue1); }
void HighpassMediumRun(Workspace& ws, PassTarget t) { HighPassMedium(ws, t, ws.EffectValue1); }
void HighpassLightRun(Workspace& ws, PassTarget t) { HighPassLight(ws, t, ws.EffectValue1); }
void UnsharpRun(Workspace& ws, PassTarget t) {
    UnSharpGaussianBlur5x5(ws, t, 255 - ws.EffectValue1, ws.EffectValue2);
}
void CleanRun(Workspace& ws, PassTarget t) {
    SharpGaussianBlur5x5(ws, t, ws.EffectValue1, ws.EffectValue2);
}
void DefogRun(Workspace& ws, PassTarget t) { DoDefog(ws, t, ws.EffectValue1, ws.EffectValue2); }

template <const char* Keyword>
std::string OneValue(const Workspace& ws) {
    return BipLine(Keyword, {ws.EffectValue1});
}
template <const char* Keyword>
std::string TwoValues(const Workspace& ws) {
    return BipLine(Keyword, {ws.EffectValue1, ws.EffectValue2});
}


const std::array<EditCommand, 12> kCommands{{
    {HandlerName(EditId::Gaussian), Dialog<kGaussian>, "Blurring ...", GaussianRun, OneValue<keyword::GAUSSIAN>,
     true, true, Chosen<kGaussian>},
    {HandlerName(EditId::Outlier), Dialog<kOutlier>, "Cleaning ...", OutlierRun, OneValue<keyword::OUTLIER>, true,
     true, Chosen<kOutlier>},
    {HandlerName(EditId::Defocus), Dialog<kDefocus>, "Defocusing ...", DefocusRun, OneValue<keyword::DEFOCUS>,
     true, true, Chosen<kDefocus>},
    {HandlerName(EditId::Soften), Dialog<kSoften>, "Softening ...", SoftenRun, OneValue<keyword::SOFTEN>, true,
     true, Chosen<kSoften>},
    {HandlerName(EditId::Despeckle), Dialog<kDespeckle>, "Cleaning ...", DespeckleRun,
     OneValue<keyword::DESPECKLE>, true, true, Chosen<kDespeckle>},
    {HandlerName(EditId::Unspot), Dialog<kUnSpot>, "Cleaning ...", UnSpotRun, OneValue<keyword::UNSPOT>, true,
     true, Chosen<kUnSpot>},
    {HandlerName(EditId::MeanRemoval), Dialog<kMeanRemoval>, "Sharpening ...", MeanRemovalRun,
     OneValue<keyword::MEANREMOVAL>, true, true, Chosen<kMeanRemoval>},
    {HandlerName(EditId::HighPassMedium), Dialog<kHighpassMedium>, "Sharpening ...", HighpassMediumRun,
     OneValue<keyword::HIGHPASSMEDIUM>, true, true, Chosen<kHighpassMedium>},
    {HandlerName(EditId::HighPassLight), Dialog<kHighpassLight>, "Sharpening ...", HighpassLightRun,
     OneValue<keyword::HIGHPASSLIGHT>, true, true, Chosen<kHighpassLight>},
    // The Unsharp mask, Clean and DeFog items share one handler in the menu.
    {HandlerName(EditId::UnsharpMask), Dialog<kUnsharp>, "Unsharp mask ...", UnsharpRun,
     TwoValues<keyword::UNSHARPMASK>, true, true, Chosen<kUnsharp>},
    {HandlerName(EditId::Clean), Dialog<kClean>, "Cleaning mask ...", CleanRun, TwoValues<keyword::CLEAN>, true,
     true, Chosen<kClean>},
    {HandlerName(EditId::Defog), Dialog<kDefog>, "Defogging ...", DefogRun, TwoValues<keyword::DEFOG>, true, true,
     Chosen<kDefog>},
}};

// --- Commands without a dialog

template <int Mode>
void DescreenFilter(Workspace& ws) {
    if (Mode < 0)
        Soften(ws, Main(ws), 7);
    else
        DeScreen5x5(ws, Main(ws), Mode);
}

template <int Mode>
void DescreenCommand(Workspace& ws) {
    static constexpr const char* kLines[] = {keyword::DESCREEN_LIGHT, keyword::DESCREEN_MEDIUM, keyword::DESCREEN_STRONG,
                                             keyword::DESCREEN_HIGH};
    FrameHost& host = ws.host();
    if (!ws.BatchRunning) {
        if (!host.AutoBackUp(ws)) return;
        host.ShowBusy(ws, "Descreening...");
    }
    // The kernels read three bytes a pixel.
    ws.ForceTrueColor();
    DescreenFilter<Mode>(ws);
    if (!ws.BatchRunning) host.RecordBatchLine(ws, kLines[Mode + 1]);
}

void AutoFilter(Workspace& ws, bool sharpen) {
    ws.ForceTrueColor();
    if (sharpen)
        UnSharpGaussianBlur5x5(ws, Main(ws), 160, 48);
    else
        SharpGaussianBlur5x5(ws, Main(ws), 95, 240);
}

void DelaceCommand(Workspace& ws) { DelaceOrEnrich(ws, false); }
void EnrichCommand(Workspace& ws) { DelaceOrEnrich(ws, true); }
void AutoCleanCommand(Workspace& ws) { AutoFilter(ws, false); }
void AutoSharpenCommand(Workspace& ws) { AutoFilter(ws, true); }

const std::array<CustomMenuCommand, 8> kCustom{{
    {HandlerName(EditId::DescreenLight), DescreenCommand<-1>},
    {HandlerName(EditId::DescreenMedium), DescreenCommand<0>},
    {HandlerName(EditId::DescreenStrong), DescreenCommand<1>},
    {HandlerName(EditId::DescreenHigh), DescreenCommand<2>},
    {HandlerName(EditId::Delace), DelaceCommand},
    {HandlerName(EditId::Enrich), EnrichCommand},
    {HandlerName(EditId::AutoClean), AutoCleanCommand},
    {HandlerName(EditId::AutoSharpen), AutoSharpenCommand},
}};

// Reports a failed library call and stops a running batch.
bool LibraryFailed(Workspace& ws) {
    return vimbra::LibraryFailed(ws, "The imaging library could not scale the picture.");
}

// The pass a BIP line runs on the working picture, made 24-bit first.
template <void (*Run)(Workspace&, PassTarget)>
void OnWorkingPicture(Workspace& ws) {
    ws.ForceTrueColor();
    Run(ws, Main(ws));
}

}  // namespace

std::span<const EditCommand> FilterMenuCommands() { return kCommands; }

const EditCommand* FindFilterMenuCommand(std::string_view name) {
    for (const EditCommand& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::span<const CustomMenuCommand> FilterCustomCommands() { return kCustom; }

const CustomMenuCommand* FindFilterCustomCommand(std::string_view name) {
    for (const CustomMenuCommand& c : kCustom)
        if (name == c.name) return &c;
    return nullptr;
}

bool DelaceOrEnrich(Workspace& ws, bool enrich) {
    FrameHost& host = ws.host();
    if (!ws.BatchRunning) {
        if (host.WarnSVGA(ws)) return false;
        if (!host.AutoBackUp(ws)) return false;
    }
    ws.ForceTrueColor();
    const int w = ws.Image.width(), h = ws.Image.height();
    if (w == 0 || h == 0) return false;
    CurrentImg picture;
    picture.replace(ImgFromBitmap(ws.Image));
    if (!picture) return LibraryFailed(ws);
    host.ShowBusy(ws, enrich ? "Enriching..." : "Delacing...");
    const int w1 = enrich ? 2 * w + w / 2 : w + w / 2;
    const int h1 = enrich ? 2 * h + h / 2 : h + h / 2;
    picture.replace(ImgCopy(picture.get(), w1, h1, nullptr, kImgCopyNormal));
    Bitmap large;
    if (!picture || !ImgToBitmap(picture.get(), large)) return LibraryFailed(ws);
    picture.close();
    large.convertTo24();
    Progress progress(host);
    progress.ProgressReset();
    if (enrich)
        SharpGaussianBlur5x5Bitmap(large, 239, 96, &progress);
    else
        MedianBitmap(large, 4, 0, &progress);
    picture.replace(ImgFromBitmap(std::move(large)));
    if (!picture) return LibraryFailed(ws);
    picture.replace(ImgCopy(picture.get(), w, h, nullptr, kImgCopySmooth));
    Bitmap result;
    if (!picture || !ImgToBitmap(picture.get(), result)) return LibraryFailed(ws);
    result.convertTo24();
    ws.Image = std::move(result);
    ws.ImageBitDepth = 24;
    ws.syncImageSize();
    EndPass(ws, Main(ws));
    if (!ws.BatchRunning) {
        host.AutoConvert(ws);
        host.RecordBatchLine(ws, enrich ? keyword::ENRICH : keyword::DELACE);
    }
    return true;
}

void BipGaussian(Workspace& ws) { OnWorkingPicture<GaussianRun>(ws); }
void BipOutlier(Workspace& ws) { OnWorkingPicture<OutlierRun>(ws); }
void BipDefocus(Workspace& ws) { OnWorkingPicture<DefocusRun>(ws); }
void BipSoften(Workspace& ws) { OnWorkingPicture<SoftenRun>(ws); }
void BipDespeckle(Workspace& ws) { OnWorkingPicture<DespeckleRun>(ws); }
void BipUnSpot(Workspace& ws) { OnWorkingPicture<UnSpotRun>(ws); }
void BipMeanRemoval(Workspace& ws) { OnWorkingPicture<MeanRemovalRun>(ws); }
void BipHighPassMedium(Workspace& ws) { OnWorkingPicture<HighpassMediumRun>(ws); }
void BipHighPassLight(Workspace& ws) { OnWorkingPicture<HighpassLightRun>(ws); }
void BipUnsharpMask(Workspace& ws) { OnWorkingPicture<UnsharpRun>(ws); }
void BipClean(Workspace& ws) { OnWorkingPicture<CleanRun>(ws); }
void BipDefog(Workspace& ws) { OnWorkingPicture<DefogRun>(ws); }
void BipDescreenLight(Workspace& ws) { DescreenCommand<-1>(ws); }
void BipDescreenMedium(Workspace& ws) { DescreenCommand<0>(ws); }
void BipDescreenStrong(Workspace& ws) { DescreenCommand<1>(ws); }
void BipDescreenHigh(Workspace& ws) { DescreenCommand<2>(ws); }
void BipDelace(Workspace& ws) { DelaceOrEnrich(ws, false); }
void BipEnrich(Workspace& ws) { DelaceOrEnrich(ws, true); }

}  // namespace vimbra

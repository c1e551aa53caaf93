#include "commands/compose_commands.h"

#include <array>
#include <string>

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "commands/registry.h"
#include "filters/composite_masks.h"
#include "filters/composition.h"

namespace vimbra {
namespace {

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

void Record(Workspace& ws, const std::string& line) {
    if (!ws.BatchRunning) ws.host().RecordBatchLine(ws, line);
}

// Warns when the duplicate cannot be combined with the picture.
bool ComputeReady(Workspace& ws) {
    if (Ok2ComputeFull(ws)) return true;
    ws.host().Ask(MessageKind::Warning, kDuplicateMismatch, Buttons::Ok);
    return false;
}

// The blends and masks warn before anything else, then take the undo snapshot
// like every other editing command; a cancelled dialog restores it.
bool OpenDialog(Workspace& ws, const FilterDlgParam& param, int& result) {
    FrameHost& host = ws.host();
    if (!host.AutoBackUp(ws)) return false;
    result = host.ExecuteEffectsDlg(ws, param);
    if (result != kDialogCancelled) return true;
    host.Undo(ws);
    return false;
}

// --- Duplicate and Swap

void DuplicateCommand(Workspace& ws) {
    // A copy that failed is not reported or recorded as done.
    if (!DuplicateWorkingImage(ws)) return;
    Record(ws, keyword::DUPLICATE);
    ws.StatusText = "Duplicated.";
}

// Swap keeps Modified as it was: a second Swap gives both pictures back.
void SwapCommand(Workspace& ws) {
    if (!SwapWithDuplicate(ws)) return;
    ws.host().RefreshView(ws);
    Record(ws, keyword::SWAP);
}

// --- Average and Interlace

void AverageCommand(Workspace& ws) {
    if (!ComputeReady(ws)) return;
    FilterDlgParam p;
    p.title = "Compute Average Bitmap (%)";
    p.sliderCount = 1;
    p.EffectCode = 500;
    p.sliders[0] = ArgSlider(keyword::AVERAGE, 0, ws.remembered.Average, 10, "1 (less)", "99 (more)");
    p.preview = [](Workspace& w, Bitmap& b, bool) { DoAverageBitmap(w, PassTarget::preview(b)); };
    int c = 0;
    if (!OpenDialog(ws, p, c)) return;
    ws.remembered.Average = c;
    ws.EffectValue2 = c;
    DoAverageBitmap(ws, Main(ws));
    Record(ws, BipLine(keyword::AVERAGE, {c}));
}

// The dialog leaves the blend as its result and the field in EffectValue3.
void InterlaceCommand(Workspace& ws) {
    if (!ComputeReady(ws)) return;
    FilterDlgParam p;
    p.title = "Compute Interlaced Bitmap (%)";
    p.sliderCount = 2;
    p.CustomLabels = true;
    p.EffectCode = 510;
    p.sliders[0] = ArgSlider(keyword::INTERLACE, 0, ws.remembered.InterLace, 10, "1 (less)", "99 (more)");
    p.sliders[1] = ArgSlider(keyword::INTERLACE, 1, ws.remembered.InterlaceField, 1, "Even", "Odd");
    // The field shown is the field applied.
    p.preview = [](Workspace& w, Bitmap& b, bool) {
        DoAverageField(w, PassTarget::preview(b), w.EffectValue3 != 0 ? 1 : 0);
    };
    int c = 0;
    if (!OpenDialog(ws, p, c)) return;
    const int field = ws.EffectValue3 != 0 ? 1 : 0;
    ws.remembered.InterLace = c;
    ws.remembered.InterlaceField = field;
    ws.EffectValue2 = c;
    ws.EffectValue3 = field;
    DoAverageField(ws, Main(ws), field);
    Record(ws, BipLine(keyword::INTERLACE, {c, field}));
}

// --- Masked composites

enum class MaskCommandKind { Shadows, Highlights, Midtones, Contrast };

struct MaskDialog {
    const char* title;
    const char* keyword;
    int32_t effectCode;
    int32_t Workspace::Remembered::*tag;
};

constexpr MaskDialog kMaskDialogs[] = {
    {"Mask Bitmap Shadows", keyword::MASK_SHADOWS, 502, &Workspace::Remembered::MaskShadows},
    {"Mask Bitmap Highlights", keyword::MASK_HIGHLIGHTS, 503, &Workspace::Remembered::MaskShadows},
    {"Mask Bitmap Midtones", keyword::MASK_MIDTONES, 501, &Workspace::Remembered::MaskMidtones},
    {"Mask Bitmap Contrast", keyword::MASK_CONTRAST, 531, &Workspace::Remembered::MaskContrast},
};

void RunMask(Workspace& ws, PassTarget target, MaskCommandKind kind) {
    switch (kind) {
        case MaskCommandKind::Shadows: DoCompositeMask(ws, target, true); break;
        case MaskCommandKind::Highlights: DoCompositeMask(ws, target, false); break;
        case MaskCommandKind::Midtones: DoCompositeMidTones(ws, target); break;
        case MaskCommandKind::Contrast: DoCompositeContrast(ws, target); break;
    }
}

template <MaskCommandKind K>
void MaskCommand(Workspace& ws) {
    const MaskDialog& mask = kMaskDialogs[int(K)];
    if (!ComputeReady(ws)) return;
    FilterDlgParam p;
    p.title = mask.title;
    p.sliderCount = 2;
    p.CustomLabels = true;
    p.EffectCode = mask.effectCode;
    int32_t& tag = ws.remembered.*mask.tag;
    // The level always starts at its highest.
    p.sliders[0] = ArgSlider(mask.keyword, 0, tag, 10, "1 (narrow)", "500 (wide)");
    p.sliders[1] = ArgSlider(mask.keyword, 1, 99, 10, "0 (min)", "99 (max)");
    p.preview = [](Workspace& w, Bitmap& b, bool) { RunMask(w, PassTarget::preview(b), K); };
    ws.EffectValue2 = p.sliders[1].Position;
    int a = 0;
    if (!OpenDialog(ws, p, a)) return;
    tag = a;
    // Applied and recorded with the values the dialog previewed last.
    RunMask(ws, Main(ws), K);
    Record(ws, BipLine(mask.keyword, {ws.EffectValue1, ws.EffectValue2}));
}

void MaskGrayscaleCommand(Workspace& ws) {
    FrameHost& host = ws.host();
    if (!ws.BatchRunning) {
        if (host.WarnSVGA(ws) || !host.AutoBackUp(ws)) return;
        ws.ForceTrueColor();
    }
    if (!ComputeReady(ws)) return;
    DoCompositeGray(ws, Main(ws));
    Record(ws, keyword::MASK_GRAYSCALE);
}

// --- Per-channel arithmetic

template <Arithmetic Op>
void ArithmeticCommand(Workspace& ws) {
    static constexpr const char* kKeywords[] = {keyword::MULTIPLY, keyword::MINIMUM, keyword::MAXIMUM, keyword::DIFFERENCE,
                                                keyword::SUBTRACT};
    FrameHost& host = ws.host();
    if (!host.AutoBackUp(ws)) return;
    if constexpr (Op == Arithmetic::Subtract) {
        if (!ComputeReady(ws)) return;
    } else {
        ws.ForceTrueColor();
        if (!Ok2ComputeFull(ws)) return;
    }
    CombineBitmaps(ws.Image, ws.DuplicateBitmap, Op);
    // The picture changed, so it is marked for saving outside a batch too.
    EndPass(ws, Main(ws));
    Record(ws, kKeywords[int(Op)]);
}

// --- Mask Edges, in the standard frame

void MaskEdgesDialog(Workspace& ws, FilterDlgParam& p) {
    p.title = "Set Mask Edges effect to";
    p.sliderCount = 2;
    p.EffectCode = 520;
    p.sliders[0] = ArgSlider(keyword::MASK_EDGES, 0, ws.remembered.MaskEdges, 16, "1 (weak)", "255 (strong)");
    p.sliders[1] =
        ArgSlider(keyword::MASK_EDGES, 1, ws.remembered.MaskEdgesAmount, 16, "1 (weak)", "255 (strong)");
    ws.EffectValue2 = ws.remembered.MaskEdgesAmount;
}

// The dialog leaves the amount in EffectValue2; the threshold is its result.
void MaskEdgesChosen(Workspace& ws, int v) {
    ws.EffectValue1 = v;
    ws.remembered.MaskEdges = v;
    ws.remembered.MaskEdgesAmount = ws.EffectValue2;
}

void MaskEdgesRun(Workspace& ws, PassTarget target) {
    DoMaskEdges(ws, target, ws.EffectValue1, ws.EffectValue2);
}

std::string MaskEdgesLine(const Workspace& ws) {
    return BipLine(keyword::MASK_EDGES, {ws.EffectValue1, ws.EffectValue2});
}

const std::array<EditCommand, 1> kCommands{{
    {HandlerName(EditId::MaskEdges), MaskEdgesDialog, "Masking edges ...", MaskEdgesRun, MaskEdgesLine,
     true, true, MaskEdgesChosen},
}};

const std::array<CustomMenuCommand, 14> kCustomCommands{{
    {HandlerName(EditId::Duplicate), DuplicateCommand},
    {HandlerName(EditId::Swap), SwapCommand},
    {HandlerName(EditId::Average), AverageCommand},
    {HandlerName(EditId::Interlace), InterlaceCommand},
    {HandlerName(EditId::MaskShadows), MaskCommand<MaskCommandKind::Shadows>},
    {HandlerName(EditId::MaskHighlights), MaskCommand<MaskCommandKind::Highlights>},
    {HandlerName(EditId::MaskMidtones), MaskCommand<MaskCommandKind::Midtones>},
    {HandlerName(EditId::MaskGrayscale), MaskGrayscaleCommand},
    {HandlerName(EditId::MaskContrast), MaskCommand<MaskCommandKind::Contrast>},
    {HandlerName(EditId::Multiply), ArithmeticCommand<Arithmetic::Multiply>},
    {HandlerName(EditId::Minimum), ArithmeticCommand<Arithmetic::Minimum>},
    {HandlerName(EditId::Maximum), ArithmeticCommand<Arithmetic::Maximum>},
    {HandlerName(EditId::Difference), ArithmeticCommand<Arithmetic::Difference>},
    {HandlerName(EditId::Subtract), ArithmeticCommand<Arithmetic::Subtract>},
}};

}  // namespace

std::span<const EditCommand> ComposeMenuCommands() { return kCommands; }

const EditCommand* FindComposeMenuCommand(std::string_view name) {
    for (const EditCommand& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::span<const CustomMenuCommand> ComposeCustomCommands() { return kCustomCommands; }

const CustomMenuCommand* FindComposeCustomCommand(std::string_view name) {
    for (const CustomMenuCommand& c : kCustomCommands)
        if (name == c.name) return &c;
    return nullptr;
}

void BipDuplicate(Workspace& ws) { DuplicateCommand(ws); }
void BipSwap(Workspace& ws) { SwapCommand(ws); }
void BipCopyToBackup(Workspace& ws) { CopyToBackUp(ws); }
void BipCopyFromBackup(Workspace& ws) { CopyFromBackUp(ws); }

void BipAverage(Workspace& ws) {
    ws.EffectValue2 = ws.EffectValue1;
    DoAverageBitmap(ws, Main(ws));
}

void BipInterlace(Workspace& ws) {
    const int field = ws.EffectValue2;
    ws.EffectValue2 = ws.EffectValue1;
    ws.EffectValue3 = field;
    DoAverageField(ws, Main(ws), field);
}

void BipMultiply(Workspace& ws) { ArithmeticCommand<Arithmetic::Multiply>(ws); }
void BipMinimum(Workspace& ws) { ArithmeticCommand<Arithmetic::Minimum>(ws); }
void BipMaximum(Workspace& ws) { ArithmeticCommand<Arithmetic::Maximum>(ws); }
void BipDifference(Workspace& ws) { ArithmeticCommand<Arithmetic::Difference>(ws); }
void BipSubtract(Workspace& ws) { ArithmeticCommand<Arithmetic::Subtract>(ws); }

void BipMaskGrayscale(Workspace& ws) { DoCompositeGray(ws, Main(ws)); }
void BipMaskContrast(Workspace& ws) { DoCompositeContrast(ws, Main(ws)); }
void BipMaskMidtones(Workspace& ws) { DoCompositeMidTones(ws, Main(ws)); }
void BipMaskShadows(Workspace& ws) { DoCompositeMask(ws, Main(ws), true); }
void BipMaskHighlights(Workspace& ws) { DoCompositeMask(ws, Main(ws), false); }
void BipMaskEdges(Workspace& ws) { DoMaskEdges(ws, Main(ws), ws.EffectValue1, ws.EffectValue2); }

}  // namespace vimbra

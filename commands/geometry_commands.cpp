#include "commands/geometry_commands.h"

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "commands/registry.h"
#include "filters/library_failure.h"

#include <array>
#include <new>

#include "filters/memory_guard.h"

namespace vimbra {
namespace {

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

void Record(Workspace& ws, const std::string& line) {
    if (!ws.BatchRunning) ws.host().RecordBatchLine(ws, line);
}

bool Cancelled(int32_t width) { return width == -1; }

// --- Mosaic, in the standard frame

void MosaicDialog(Workspace& ws, FilterDlgParam& p) {
    p.title = "Set Mosaic Tile to";
    p.sliderCount = 1;
    p.EffectCode = 250;
    p.sliders[0] = ArgSlider(keyword::MOSAIC, 0, ws.remembered.Mosaic, 1, "2x2", "16x16");
}

void MosaicChosen(Workspace& ws, int n) {
    ws.EffectValue1 = n;
    ws.remembered.Mosaic = n;
}

void MosaicRun(Workspace& ws, PassTarget target) {
    Progress progress(ws.host());
    TileBitmap(target.bitmap, ws.EffectValue1, target.isMainPicture ? &progress : nullptr);
    EndPass(ws, target);
}

std::string MosaicCommandLine(const Workspace& ws) { return MosaicLine(ws.EffectValue1); }

const std::array<EditCommand, 1> kCommands{{
    {HandlerName(EditId::Mosaic), MosaicDialog, "Tiling ...", MosaicRun, MosaicCommandLine, true, true,
     MosaicChosen},
}};

// The resample a script line or Auto Resize asks for.
bool Resample(Workspace& ws, int32_t width, int32_t height) {
    if (!ResampleChangesSize(ws, width, height)) return false;
    if (!ws.host().AutoBackUp(ws)) return false;
    ws.host().ShowBusy(ws, "Resampling...");
    return ResampleWorkingImage(ws, width, height);
}

void PaintBorder(Workspace& ws, uint32_t rgb, int32_t a, int32_t b, bool topAndBottomOnly) {
    ws.ForceTrueColor();
    if (topAndBottomOnly)
        MergeBorderTopBotBitmap(ws.Image, rgb, a, b);
    else
        MergeBorderBitmap(ws.Image, rgb, a, b);
    EndPass(ws, Main(ws));
}

}  // namespace

// --- BIP lines

std::string ResizeLine(int32_t width, int32_t height) { return BipLine(keyword::RESIZE, {width, height}); }
std::string ResampleLine(int32_t width, int32_t height) { return BipLine(keyword::RESAMPLE, {width, height}); }

std::string RotateLine(int32_t libraryAngle) {
    const int32_t angle = ((libraryAngle % 36000) + 36000) % 36000;
    return BipLine(keyword::ROTATE, {(360 - angle / 100) % 360});
}

std::string CropLine(const SelRect& r) {
    const auto pack = [](int32_t high, int32_t low) {
        return int32_t((uint32_t(high) << 16) | (uint32_t(low) & 0xFFFFu));
    };
    return BipLine(keyword::CROP, {pack(r.top, r.left), pack(r.bottom, r.right)});
}

std::string MosaicLine(int32_t tile) { return BipLine(keyword::MOSAIC, {tile}); }

std::string BorderLine(int32_t colourValue, int32_t x, int32_t y) {
    return BipLine(keyword::BORDER, {colourValue, x, y});
}

// --- Menu commands

void ResizeCommand(Workspace& ws, int32_t width, int32_t height, int copyOpIndex) {
    if (Cancelled(width) || (width == ws.Image.width() && height == ws.Image.height())) return;
    if (!ws.host().AutoBackUp(ws)) return;
    ws.host().ShowBusy(ws, "Resizing...");
    if (ResizeWorkingImage(ws, width, height, CopyModeForIndex(copyOpIndex))) Record(ws, ResizeLine(width, height));
}

bool ResampleRunsResize(const Workspace& ws) { return ws.Image.depth() < 8; }

void ResampleCommand(Workspace& ws, int32_t width, int32_t height) {
    if (Cancelled(width)) return;
    if (Resample(ws, width, height)) Record(ws, ResampleLine(width, height));
}

void AutoResizeCommand(Workspace& ws, int32_t areaWidth, int32_t areaHeight) {
    const bool modified = ws.Modified;
    const PictureSize size = FitIntoBox({ws.Image.width(), ws.Image.height()}, {areaWidth, areaHeight});
    if (Resample(ws, size.width, size.height)) Record(ws, ResampleLine(size.width, size.height));
    ws.Modified = modified;
}

void RotateCommand(Workspace& ws, int32_t libraryAngle) {
    ws.host().ShowBusy(ws, "Rotating...");
    if (!ws.host().AutoBackUp(ws)) return;
    if (RotateWorkingImage(ws, libraryAngle, ws.BackgroundColor)) Record(ws, RotateLine(libraryAngle));
}

void MirrorCommand(Workspace& ws, bool vertical) {
    if (!ws.host().AutoBackUp(ws)) return;
    ws.host().ShowBusy(ws, "Flipping...");
    MirrorWorkingImage(ws, vertical);
}

bool CropWorkingImage(Workspace& ws, const SelRect& rect) {
    if (!ValidCropRect(rect, ws.Image.width(), ws.Image.height())) return false;
    try {
        ws.Image = CropBitmap(ws.Image, rect);
    } catch (const std::bad_alloc&) {
        return LibraryFailed(ws, "Not enough memory to crop the picture.");
    }
    ws.ImageBitDepth = int16_t(ws.Image.depth());
    ws.syncImageSize();
    ws.Modified = true;
    return true;
}

bool CropCommand(Workspace& ws, bool undoCopy) {
    if (MemoryRunningLow(ws)) return false;
    const SelRect rect = ClampToPicture(ws.SelectionRect, ws.Image.width(), ws.Image.height());
    if (rect.isEmpty()) return false;
    if (undoCopy && !ws.host().AutoBackUp(ws)) return false;
    if (!CropWorkingImage(ws, rect)) return false;
    ws.SelectionRect = rect;
    EndPass(ws, Main(ws));
    Record(ws, CropLine(rect));
    return true;
}

std::optional<Bitmap> CopySelectionBitmap(Workspace& ws) {
    if (MemoryRunningLow(ws)) return std::nullopt;
    const SelRect rect = ClampToPicture(ws.SelectionRect, ws.Image.width(), ws.Image.height());
    if (rect.isEmpty()) return std::nullopt;
    try {
        return CropBitmap(ws.Image, rect);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool TrimCommand(Workspace& ws) {
    if (ws.Image.isEmpty() || !ws.host().AutoBackUp(ws)) return false;
    SelRect region = ClampToPicture(ws.SelectionRect, ws.Image.width(), ws.Image.height());
    if (region.isEmpty()) region = {0, 0, ws.Image.width(), ws.Image.height()};
    // A region of one colour only has nothing to trim to: the picture stays.
    const std::optional<SelRect> kept = TrimRect(ws.Image, region);
    if (!kept || !CropWorkingImage(ws, *kept)) return false;
    EndPass(ws, Main(ws));
    return true;
}

void BorderCommand(Workspace& ws, int32_t colourValue, int32_t x, int32_t y) {
    if (Cancelled(x) || !ws.host().AutoBackUp(ws)) return;
    PaintBorder(ws, BorderColourRgb(colourValue), x, y, false);
    ws.remembered.Border = x * 256 + y % 128;
    Record(ws, BorderLine(colourValue, x, y));
}

std::span<const EditCommand> GeometryMenuCommands() { return kCommands; }

const EditCommand* FindGeometryMenuCommand(std::string_view name) {
    for (const EditCommand& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

// --- BIP handlers

void BipResample(Workspace& ws) { Resample(ws, ws.EffectValue1, ws.EffectValue2); }

void BipDownsample(Workspace& ws) {
    const PictureSize size = DownsampleSize({ws.Image.width(), ws.Image.height()}, ws.EffectValue1, ws.EffectValue2);
    Resample(ws, size.width, size.height);
}

void BipRotate(Workspace& ws) {
    RotateWorkingImage(ws, RotateAngleForDegrees(ws.EffectValue1), ws.BackgroundColor);
}

void BipMosaic(Workspace& ws) {
    ws.ForceTrueColor();
    MosaicRun(ws, Main(ws));
}

void BipBorder(Workspace& ws) {
    PaintBorder(ws, BorderColourRgb(ws.EffectValue1), ws.EffectValue2, ws.EffectValue3, false);
}

void BipBorderTopBot(Workspace& ws) {
    PaintBorder(ws, BorderColourRgb(ws.EffectValue1), ws.EffectValue2, ws.EffectValue3, true);
}

}  // namespace vimbra

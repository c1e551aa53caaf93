#pragma once
// All the state one editing session works on: the working picture, its companion
// bitmaps, the tone curves, statistics, current operation values, selection and
// activity flags. The main window and the CLI each own one; tests make fresh ones.
#include <cstdint>
#include <memory>
#include <string>

#include "core/bitmap.h"
#include "core/tone_tables.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

class FrameHost;

struct SelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    bool operator==(const SelRect&) const = default;
    bool isEmpty() const { return right <= left || bottom <= top; }
};

// The non-interactive host a workspace without one gets for itself: a copy
// starts with a fresh one, so what one records never shows in another.
class OwnFrameHost {
public:
    OwnFrameHost();
    OwnFrameHost(const OwnFrameHost&);
    OwnFrameHost(OwnFrameHost&&) noexcept;
    OwnFrameHost& operator=(const OwnFrameHost&);
    OwnFrameHost& operator=(OwnFrameHost&&) noexcept;
    ~OwnFrameHost();
    FrameHost& get() const { return *host_; }

private:
    std::unique_ptr<FrameHost> host_;
};

class Workspace {
public:
    Workspace() = default;
    explicit Workspace(FrameHost& host) : host_(&host) {}

    FrameHost& host() const { return host_ ? *host_ : ownHost_.get(); }
    void setHost(FrameHost& host) { host_ = &host; }

    // The working picture (the display control's bitmap) and its companions.
    Bitmap Image;
    // What the file of the working picture carried (its orientation already
    // applied unless that was turned off). Undo keeps it: a snapshot never
    // outlives the file it was taken of.
    PictureMetadata Metadata;
    Bitmap UndoBitmap, BackupBitmap, DuplicateBitmap, ScratchBitmap;

    int16_t ImageBitDepth = 24;
    int32_t ImageWidth = 0, ImageHeight = 0;
    int32_t DisplayBitDepth = 24;
    // The viewer's background colour (0x00BBGGRR): the corners of a rotation.
    uint32_t BackgroundColor = 0x00FFFFFF;

    ToneCurves curves;
    Histograms hist;
    ChannelStats stats;

    int32_t EffectValue1 = 0, EffectValue2 = 0, EffectValue3 = 0;

    // Values a menu command remembers for its next dialog.
    struct Remembered {
        int32_t Posterize = 3;  // bits per channel
        int32_t Balance = 0;    // white-balance match value
        // Smooth, Sharpen and DeFog strengths.
        int32_t Gaussian = 192, Defocus = 112, Soften = 7, Outlier = 255, Despeckle = 4;
        int32_t UnSpot = -7, UnsharpMask = 160, MeanRemoval = 4, HighpassMedium = 3;
        int32_t HighpassLight = 3, Clean = 240, Defog = 255;
        // Second values of the two-slider filters.
        int32_t UnsharpAmount = 48, CleanBlend = 64, DefogAmount = 64;
        // Compute submenu.
        int32_t Average = 50, InterLace = 99, InterlaceField = 1;
        int32_t MaskShadows = 100, MaskMidtones = 150, MaskContrast = 150;
        int32_t MaskEdges = 64, MaskEdgesAmount = 255;
        // Text marks: the last text entered, the outline colour (0xRRGGBB), the
        // font (QFont::toString(); empty: the default) and its colour.
        std::string MarkText;
        uint32_t OutlineColor = 0x808080;
        std::string MarkFont;
        uint32_t MarkFontColor = 0x000000;
        int32_t Artifact = 48;  // JPEG quality of Add noise > Artifacts
        // Geometry: border widths as x × 256 + y, mosaic tile, grid cells.
        int32_t Border = 257, Mosaic = 4, GridColumns = 2, GridRows = 2;
    } remembered;
    // Centre of the HLS colour band (hue, lightness, saturation on 0..3600),
    // unpacked from the band values or picked in the effects dialog.
    int32_t BandCentre[3] = {0, 0, 0};
    std::string BatchString;
    SelRect SelectionRect;

    bool Modified = false;
    bool BatchRunning = false;
    bool RecordingActive = false;
    bool CriticalProcess = false;
    bool StopRequested = false;
    bool CancelRequested = false;
    std::string StatusText = "Ready.";
    std::string CurrentFileName;

    // Replaces the working picture (a load or a new picture): sizes and depth
    // follow it, Modified is cleared, and the picture carries no metadata
    // until the load sets it.
    void setImage(Bitmap image);
    // Re-reads ImageWidth/ImageHeight from the working picture.
    void syncImageSize();
    // Makes the working picture 24-bit (colours kept); ImageBitDepth becomes 24.
    void ForceTrueColor();
    // Empties the four companion bitmaps.
    void clearBuffers();

private:
    FrameHost* host_ = nullptr;  // null: ownHost_
    OwnFrameHost ownHost_;
};

// Maps a rubber band drawn on the display to picture pixels and back.
struct ViewGeometry {
    bool fitToWindow = true;
    int controlWidth = 1, controlHeight = 1;  // size of the display control
    int zoomPercent = 100;
};
SelRect DisplayToImageRect(const SelRect& screen, const ViewGeometry& view, int bitmapWidth,
                           int bitmapHeight);
SelRect ImageToDisplayRect(const SelRect& image, const ViewGeometry& view, int bitmapWidth,
                           int bitmapHeight);

}  // namespace vimbra

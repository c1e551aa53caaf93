#include "core/workspace.h"

#include "core/frame_host.h"

namespace vimbra {
OwnFrameHost::OwnFrameHost() : host_(std::make_unique<FrameHost>()) {}
OwnFrameHost::OwnFrameHost(const OwnFrameHost&) : OwnFrameHost() {}
OwnFrameHost::OwnFrameHost(OwnFrameHost&&) noexcept = default;
OwnFrameHost& OwnFrameHost::operator=(const OwnFrameHost&) { return *this; }
OwnFrameHost& OwnFrameHost::operator=(OwnFrameHost&&) noexcept = default;
OwnFrameHost::~OwnFrameHost() = default;

void Workspace::setImage(Bitmap image) {
    Image = std::move(image);
    Metadata = {};
    ImageBitDepth = int16_t(Image.depth());
    syncImageSize();
    Modified = false;
}

void Workspace::syncImageSize() {
    ImageWidth = Image.width();
    ImageHeight = Image.height();
}

void Workspace::ForceTrueColor() {
    Image.convertTo24();
    ImageBitDepth = 24;
}

void Workspace::clearBuffers() {
    UndoBitmap.clear();
    BackupBitmap.clear();
    DuplicateBitmap.clear();
    ScratchBitmap.clear();
}

SelRect DisplayToImageRect(const SelRect& s, const ViewGeometry& v, int bw, int bh) {
    SelRect r;
    if (v.fitToWindow) {
        const int64_t cw = v.controlWidth > 0 ? v.controlWidth : 1;
        const int64_t ch = v.controlHeight > 0 ? v.controlHeight : 1;
        r.left = int32_t(int64_t(bw) * s.left / cw);
        r.top = int32_t(int64_t(bh) * s.top / ch);
        r.right = int32_t(int64_t(bw) * s.right / cw + 1);
        r.bottom = int32_t(int64_t(bh) * s.bottom / ch + 1);
    } else {
        const int64_t z = v.zoomPercent > 0 ? v.zoomPercent : 100;
        r.left = int32_t(int64_t(s.left) * 100 / z);
        r.top = int32_t(int64_t(s.top) * 100 / z);
        r.right = int32_t(int64_t(s.right) * 100 / z + 1);
        r.bottom = int32_t(int64_t(s.bottom) * 100 / z + 1);
    }
    if (r.bottom > bh) r.bottom = bh;
    if (r.right > bw) r.right = bw;
    return r;
}

SelRect ImageToDisplayRect(const SelRect& i, const ViewGeometry& v, int bw, int bh) {
    SelRect r;
    if (v.fitToWindow) {
        const int64_t w = bw > 0 ? bw : 1, h = bh > 0 ? bh : 1;
        r.left = int32_t(int64_t(i.left) * v.controlWidth / w);
        r.top = int32_t(int64_t(i.top) * v.controlHeight / h);
        r.right = int32_t(int64_t(i.right) * v.controlWidth / w);
        r.bottom = int32_t(int64_t(i.bottom) * v.controlHeight / h);
    } else {
        r.left = int32_t(int64_t(i.left) * v.zoomPercent / 100);
        r.top = int32_t(int64_t(i.top) * v.zoomPercent / 100);
        r.right = int32_t(int64_t(i.right) * v.zoomPercent / 100);
        r.bottom = int32_t(int64_t(i.bottom) * v.zoomPercent / 100);
    }
    return r;
}

}  // namespace vimbra

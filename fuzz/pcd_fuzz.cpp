// Feeds arbitrary bytes to the Photo CD reader and the imaging library's
// openers; only ImageFileError may escape, and library calls never throw.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/photocd.h"

namespace {

void ReadPack(vimbra::ByteSpan bytes) {
    try {
        vimbra::PcdHandle h = 0;
        vimbra::PCDopenMem(bytes, h);
        vimbra::PCDreadImageInfo(h);
        vimbra::PCDsetResolution(h, 0);
        std::vector<uint8_t> block;
        vimbra::PCDloadImage(h, nullptr, block);
        vimbra::PcdRemoveTable(block);
        const vimbra::ImgHandle img = vimbra::ImgFromDIB(block);
        vimbra::ImgClose(img);
        vimbra::PCDclose(h);
    } catch (const vimbra::ImageFileError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    ReadPack(bytes);
    // Most inputs are far too short for a pack: lay them over a valid one so
    // the information sectors get exercised too.
    static std::vector<uint8_t> pack;
    if (pack.empty()) {
        pack.assign(vimbra::kPcdMinFileSize, 0x80);
        std::memcpy(pack.data() + 0x800, "PCD_IPI", 7);
    }
    std::vector<uint8_t> overlay = pack;
    std::copy_n(data, std::min(size, overlay.size() - 0x807), overlay.begin() + 0x807);
    ReadPack(overlay);
    const vimbra::ImgHandle h = vimbra::ImgOpenMem(bytes, "");
    if (h) {
        vimbra::ImgSetPage(h, vimbra::ImgPageCount(h) - 1);
        vimbra::ImgClose(h);
    }
    vimbra::ImgClose(vimbra::ImgFromDIB(bytes));
    return 0;
}

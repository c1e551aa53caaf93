// Feeds arbitrary bytes to the zip reader: listing, every check and the
// decompression of every entry, in memory. Nothing may escape or crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "desktop/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)vimbra::ListZipBytes(bytes);
    vimbra::ZipExtractOptions options;
    // Small limits keep the fuzzer's memory low; the checks stay the same.
    options.bombBytes = int64_t(1) << 20;
    (void)vimbra::TestZipBytes(bytes, options);
    return 0;
}

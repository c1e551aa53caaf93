// Feeds arbitrary bytes to the RTF reader of text pages; it must return, with
// a message when the input is refused, and never crash or run away.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <QTextDocument>

#include "filters/text_marks.h"
#include "media/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool fonts = vimbra::FontEngineReady();
    (void)fonts;
    QTextDocument doc;
    const vimbra::RtfReadResult r =
        vimbra::ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size), doc);
    if (!r.ok && r.message.rfind("Bad RTF file: ", 0) != 0) __builtin_trap();
    return 0;
}

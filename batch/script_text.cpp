#include "batch/script_text.h"

#include <cstdint>

namespace vimbra {

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t c = uint8_t(s[i]);
        int extra = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + size_t(extra) >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const uint8_t t = uint8_t(s[i + size_t(k)]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += size_t(extra) + 1;
    }
    return true;
}

std::string ScriptTextToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const uint8_t c = uint8_t(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace vimbra

#include "imagefiles/text_encoding.h"

#include <cstdint>

namespace vimbra {

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(begin, i - begin));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        begin = i + 1;
    }
    if (begin < text.size()) lines.emplace_back(text.substr(begin));
    return lines;
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = uint8_t(text[i]);
        int follow = 0;
        uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            follow = 1, code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2, code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3, code = c & 0x07;
        } else {
            return false;
        }
        if (i + size_t(follow) >= text.size()) return false;
        for (int k = 1; k <= follow; ++k) {
            const auto b = uint8_t(text[i + size_t(k)]);
            if ((b & 0xC0) != 0x80) return false;
            code = code << 6 | (b & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((follow == 2 && code < 0x800) || (follow == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += size_t(follow) + 1;
    }
    return true;
}

std::string TextAsUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = uint8_t(ch);
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

#include "batch/bip_line.h"

#include <limits>

namespace vimbra {
namespace {

// Keywords whose argument is text, not numbers. Matched anywhere in the line, so
// e.g. "GAUSSIAN=5 STRING" is a string line too and GAUSSIAN keeps old values.
bool IsStringClass(std::string_view upper) {
    for (std::string_view marker : {"TEXTMARK", "SAVE", "STRING"})
        if (upper.find(marker) != std::string_view::npos) return true;
    return false;
}

// Takes the next comma-separated argument off rest; the last one keeps its commas.
std::string_view TakeArgument(std::string_view& rest) {
    const size_t comma = rest.find(',');
    std::string_view arg = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return arg;
}

}  // namespace

std::string BipUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return upper;
}

std::optional<int32_t> ParseBipArgument(std::string_view text) {
    if (text.empty()) return 0;
    size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') i = 1;
    if (i == text.size()) return std::nullopt;
    // The magnitude of INT32_MIN is the largest we may accumulate.
    constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kLimit) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return int32_t(value);
}

ParsedBipLine ParseBipLine(std::string_view line, Workspace& ws) {
    ParsedBipLine out;
    const std::string upper = BipUpper(line);
    ws.BatchString.assign(line);

    // "=" in column 1 does not count: the whole line is then the keyword.
    const size_t eq = upper.find('=');
    out.hasEquals = eq != std::string::npos && eq >= 1;

    if (IsStringClass(upper)) {
        out.stringClass = true;
        if (out.hasEquals) {
            out.keyword = upper.substr(0, eq);
            ws.BatchString.assign(line.substr(eq + 1));
        } else {
            out.keyword = upper;
        }
        return out;
    }
    if (!out.hasEquals) {
        out.keyword = upper;
        return out;
    }

    out.keyword = upper.substr(0, eq);
    std::string_view rest = std::string_view(upper).substr(eq + 1);
    std::string_view args[3];
    args[0] = TakeArgument(rest);
    args[1] = TakeArgument(rest);
    args[2] = rest;

    int32_t* const targets[3] = {&ws.EffectValue1, &ws.EffectValue2, &ws.EffectValue3};
    for (int i = 0; i < 3; ++i) {
        std::string_view arg = args[i];
        const size_t first = arg.find_first_not_of(' ');
        arg = first == std::string_view::npos ? std::string_view() : arg.substr(first);
        const std::optional<int32_t> value = ParseBipArgument(arg);
        if (!value) {
            // Values converted before the failure stay set.
            out.keyword.clear();
            return out;
        }
        *targets[i] = *value;
    }
    return out;
}

std::vector<std::string> SplitBipScript(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = ++i;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinBipScript(std::span<const std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

SelRect UnpackCrop(int32_t a, int32_t b) {
    SelRect rect;
    rect.left = LowWord(a);
    rect.top = HighWord(a);
    rect.right = LowWord(b);
    rect.bottom = HighWord(b);
    return rect;
}

}  // namespace vimbra

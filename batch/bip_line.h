#pragma once
// The BIP script format: script text to lines and back, one line to a keyword
// and the operation values, and the packed 16-bit pairs some commands carry.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/workspace.h"

namespace vimbra {

// What one script line asks for. The values themselves go to the workspace.
struct ParsedBipLine {
    std::string keyword;       // upper case; empty: the line is skipped
    bool stringClass = false;  // TEXTMARK/SAVE/STRING line: BatchString holds the text
    bool hasEquals = false;    // "=" at column 2 or later
};

// Parses one line. Every line sets ws.BatchString (to the text after "=" for a
// string-class line with "=", else to the raw line). A numeric line with "="
// sets EffectValue1..3 left to right; a value that does not convert clears the
// keyword and leaves the later values as they were. Other lines keep the values.
ParsedBipLine ParseBipLine(std::string_view line, Workspace& ws);

// A numeric argument: optional sign and decimal digits, nothing else, within
// 32-bit range. Empty gives 0; leading spaces must be removed by the caller.
std::optional<int32_t> ParseBipArgument(std::string_view text);

// ASCII upper case; other bytes are left alone so the length never changes.
std::string BipUpper(std::string_view text);

// Script text to lines: CR LF, CR or LF end a line; a final line end does not
// start another line.
std::vector<std::string> SplitBipScript(std::string_view text);
// Lines to script text, each followed by CR LF.
std::string JoinBipScript(std::span<const std::string> lines);

// Packed pairs: first × 65536 + second, split as an unsigned 32-bit value.
constexpr uint16_t LowWord(int32_t packed) { return uint16_t(uint32_t(packed) & 0xFFFFu); }
constexpr uint16_t HighWord(int32_t packed) { return uint16_t(uint32_t(packed) >> 16); }
// A high word of 32768 or more gives a negative value, as a 32-bit integer would.
constexpr int32_t PackWords(uint16_t high, uint16_t low) {
    return int32_t((uint32_t(high) << 16) | low);
}

// CROP=a,b with a = top × 65536 + left and b = bottom × 65536 + right.
SelRect UnpackCrop(int32_t a, int32_t b);

}  // namespace vimbra

#pragma once
// A small reader for the rich text that text pages use: paragraphs, bold,
// italic, underline, font sizes and families, colours of the colour table,
// alignment, \uN escapes, code-page 1252 text, \par, \line and \tab. Unknown
// destinations and pictures are skipped. Input is treated as hostile: nesting,
// group count, control words and binary runs are bounded.
#include <cstddef>
#include <string>
#include <string_view>

class QTextDocument;

namespace vimbra {

inline constexpr size_t kMaxRtfBytes = size_t(32) << 20;
inline constexpr int kMaxRtfDepth = 200;
inline constexpr int kMaxRtfGroups = 1000000;
inline constexpr int kMaxRtfTableEntries = 4096;  // fonts and colours each

struct RtfReadResult {
    bool ok = false;
    std::string message;  // why not ok: "Bad RTF file: ..."
};

// Replaces the document's content with the text of `data`. On failure the
// document is left empty.
RtfReadResult ReadRtf(std::string_view data, QTextDocument& document);

// The character of code page 1252 for a byte (the 0x80..0x9F block holds the
// typographic quotes, dashes and the euro sign; its five holes map to
// themselves as C1 controls).
char16_t Cp1252ToUnicode(unsigned char byte);

}  // namespace vimbra

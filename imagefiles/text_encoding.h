#pragma once
// Text found in files: line splitting and the UTF-8 / Latin-1 decision.
#include <string>
#include <string_view>
#include <vector>

namespace vimbra {

// CR LF, CR or LF end a line; a final line end does not start another line.
std::vector<std::string> SplitTextLines(std::string_view text);

bool IsValidUtf8(std::string_view text);
// The bytes as they are when they are valid UTF-8, else read as Latin-1.
std::string TextAsUtf8(std::string_view bytes);

}  // namespace vimbra

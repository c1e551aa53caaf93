#pragma once
// Script files are UTF-8; older ones were written in Latin-1. Text that is not
// valid UTF-8 is taken as Latin-1.
#include <string>
#include <string_view>

#include "imagefiles/text_encoding.h"

namespace vimbra {

// Largest script file read (a script is a few hundred lines).
inline constexpr size_t kMaxScriptBytes = 4u << 20;

// The file's bytes as UTF-8 text.
inline std::string ScriptTextToUtf8(std::string_view bytes) { return TextAsUtf8(bytes); }

}  // namespace vimbra

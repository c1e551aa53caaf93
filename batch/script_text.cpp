#include "batch/script_text.h"

#include "imagefiles/text_encoding.h"

namespace vimbra {

std::string ScriptTextToUtf8(std::string_view bytes) { return TextAsUtf8(bytes); }

}  // namespace vimbra

#pragma once
// Whether a script treats every picture of a list alike and on its own, so
// that parts of the list can run apart (side by side, or on other machines)
// and give what one run over the whole list gives.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vimbra {

struct ScriptSplit {
    std::string refusal;  // why the list cannot be split; empty when it can
    // The operation values every pass but the first starts with: what the
    // lines of one pass leave behind.
    std::array<int32_t, 3> laterValues{};
    bool ok() const { return refusal.empty(); }
};

// Splittable: exactly one NEXT, nothing but LOOP after it, a LOOP; no
// PREVIOUS, DELETE, prompt or TRACE; and every buffer the script fills is
// filled afresh before any operation of a pass can read it.
ScriptSplit CheckScriptSplit(const std::vector<std::string>& lines);

}  // namespace vimbra

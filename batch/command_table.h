#pragma once
// The one table of BIP commands, in dispatch order (groups A to Q), and the
// dispatcher that runs a parsed line's keyword against it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/workspace.h"

namespace vimbra {

// Range check of one numeric argument; unchecked accepts any value.
struct ArgCheck {
    bool checked = false;
    int32_t lo = 0, hi = 0;
    constexpr bool accepts(int32_t v) const { return !checked || (lo <= v && v <= hi); }
};

// Entry traits, combined with |.
enum BipTraits : uint8_t {
    kOperation = 0,
    // Run by the interpreter itself (flow, prompts, files, buffers); no handler.
    kControl = 1,
    // Takes BatchString rather than numbers.
    kString = 2,
    // Out-of-range arguments still repaint the display (POSTERIZE).
    kRefreshWhenOutOfRange = 4,
};

struct BipCommand {
    std::string_view keyword;
    char group;  // 'A'..'Q'
    std::array<ArgCheck, 3> args;
    uint8_t traits;
    // Reads EffectValue1..3 / BatchString, already range-checked. Null: not built
    // yet, the line does nothing.
    void (*run)(Workspace&);

    constexpr bool isControl() const { return traits & kControl; }
    constexpr bool takesString() const { return traits & kString; }
    constexpr bool refreshesWhenOutOfRange() const { return traits & kRefreshWhenOutOfRange; }
    bool argumentsInRange(const Workspace& ws) const;
};

// The whole table in dispatch order.
std::span<const BipCommand> BipCommands();

// The entry of a keyword (already upper case), or null. Keywords are unique, so
// the first match in table order is the only one.
const BipCommand* FindBipCommand(std::string_view keyword);

// Position of the entry in the table.
size_t BipCommandIndex(const BipCommand& command);

// With tracing on, the confirmation comes at PROMPT's place in the table: after
// the commands before it have run, before any later command (or an unknown
// keyword, which falls through the whole table).
bool RunsBeforeTracePoint(const BipCommand* command);

enum class BipOutcome {
    Skipped,     // empty keyword
    Unknown,     // no entry (disabled ">" lines, separators, typing errors)
    OutOfRange,  // skipped silently; POSTERIZE has repainted the display
    Control,     // the interpreter must act on the entry
    NotBuilt,    // the entry has no handler yet
    Ran,
};

struct BipDispatch {
    BipOutcome outcome;
    const BipCommand* command = nullptr;  // set unless Skipped or Unknown
};

// Checks the ranges and runs the handler of one entry.
BipDispatch RunBipCommand(const BipCommand& command, Workspace& ws);
// Looks the keyword up and runs it.
BipDispatch DispatchBipKeyword(std::string_view keyword, Workspace& ws);

}  // namespace vimbra

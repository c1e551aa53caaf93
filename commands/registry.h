#pragma once
// The one table of editing commands. Each entry says, once, what the BIP
// interpreter, the script splitter and the menus need of a command: keyword,
// group, argument ranges, the step a control keyword asks of the interpreter,
// what the line does to the buffers, and the function it runs. Table order is
// dispatch order (groups A to Q). The menu halves of the commands (dialogs,
// busy texts, recorded lines) are found here too, by handler id.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/menu_ids.h"
#include "core/frame.h"

namespace vimbra {

// One numeric argument: the range a line may carry (unchecked accepts any
// value) and, when the menu's dialog offers less on its slider, the slider's
// range (both 0: lo..hi).
struct ArgCheck {
    bool checked = false;
    int32_t lo = 0, hi = 0;
    int32_t sliderLo = 0, sliderHi = 0;
    constexpr bool accepts(int32_t v) const { return !checked || (lo <= v && v <= hi); }
    constexpr bool narrowSlider() const { return sliderLo != 0 || sliderHi != 0; }
    constexpr int32_t sliderMin() const { return narrowSlider() ? sliderLo : lo; }
    constexpr int32_t sliderMax() const { return narrowSlider() ? sliderHi : hi; }
};

// Entry traits, combined with |.
enum CommandTraits : uint16_t {
    kOperation = 0,
    // Run by the interpreter itself (flow, prompts, files, buffers); no handler.
    kControl = 1,
    // Takes BatchString rather than numbers.
    kString = 2,
    // Out-of-range arguments still repaint the display (POSTERIZE).
    kRefreshWhenOutOfRange = 4,
    // What the line does to the duplicate and backup buffers: fills one (its
    // content may come from what the buffer held), or renews one from the
    // picture alone whatever it held.
    kFillsDuplicate = 8,
    kFillsBackup = 16,
    kRenewsDuplicate = 32,
    kRenewsBackup = 64,
    // A control line that neither reads nor fills a buffer.
    kLeavesBuffers = 128,
    // Depends on the order of the list across NEXT (going back, deleting,
    // asking): a list with such a line cannot be cut into parts.
    kAcrossFiles = 256,
};

// What a control keyword asks the interpreter to do.
enum class ControlStep : uint8_t {
    None,
    Reload,
    NoModifyFlag,
    Next,
    Previous,
    Prompt,
    Trace,
    PromptString,
    PromptNotFileString,
    PromptHasFileString,
    Delete,
    Loop,
    Crop,
    Save,
    ClearBuffers,
    TrueColor,
    Refresh,
};

struct Command {
    std::string_view keyword;
    char group;  // 'A'..'Q'
    std::array<ArgCheck, 3> args;
    uint16_t traits;
    // Reads EffectValue1..3 / BatchString, already range-checked. Null: not built
    // yet, the line does nothing.
    void (*run)(Workspace&);
    ControlStep control = ControlStep::None;
    // Why a list holding this line cannot be split, after the keyword
    // (kAcrossFiles only).
    std::string_view splitRefusal = {};

    constexpr bool isControl() const { return traits & kControl; }
    constexpr bool takesString() const { return traits & kString; }
    constexpr bool refreshesWhenOutOfRange() const { return traits & kRefreshWhenOutOfRange; }
    constexpr bool has(CommandTraits t) const { return traits & t; }
    bool argumentsInRange(const Workspace& ws) const;
};

// The whole table in dispatch order.
std::span<const Command> BipCommands();

// The entry of a keyword (already upper case), or null. Keywords are unique, so
// the first match in table order is the only one.
const Command* FindBipCommand(std::string_view keyword);

// Position of the entry in the table.
size_t BipCommandIndex(const Command& command);

// With tracing on, the confirmation comes at PROMPT's place in the table: after
// the commands before it have run, before any later command (or an unknown
// keyword, which falls through the whole table).
bool RunsBeforeTracePoint(const Command* command);

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
    const Command* command = nullptr;  // set unless Skipped or Unknown
};

// Checks the ranges and runs the handler of one entry.
BipDispatch RunBipCommand(const Command& command, Workspace& ws);
// Looks the keyword up and runs it.
BipDispatch DispatchBipKeyword(std::string_view keyword, Workspace& ws);

// A slider over argument `arg` (0..2) of `keyword`'s entry: the entry's
// slider range, the position, the steps and the labels at both ends.
SliderParam ArgSlider(std::string_view keyword, int arg, int32_t position, int32_t largeStep,
                      std::string low, std::string high);

// The menu half of an editing command, by handler id ("onGaussian").
struct MenuCommandRef {
    const EditCommand* edit = nullptr;
    const CustomMenuCommand* custom = nullptr;
    explicit operator bool() const { return edit || custom; }
};
MenuCommandRef FindMenuCommand(std::string_view id);
// The menu half an id names; every id has one (the registry test checks).
MenuCommandRef FindMenuCommand(EditId id);
// Every menu half the menus can place, in family order.
std::vector<MenuCommandRef> MenuCommands();

}  // namespace vimbra

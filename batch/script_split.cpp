#include "batch/script_split.h"

#include "batch/bip_line.h"
#include "commands/registry.h"
#include "core/workspace.h"

namespace vimbra {
namespace {

constexpr unsigned kDuplicate = 1, kBackup = 2;

unsigned Fills(const Command& c) {
    return (c.has(kFillsDuplicate) ? kDuplicate : 0) | (c.has(kFillsBackup) ? kBackup : 0);
}

// Lines that set a buffer from the picture alone, whatever it held before.
unsigned Renews(const Command& c) {
    return (c.has(kRenewsDuplicate) ? kDuplicate : 0) | (c.has(kRenewsBackup) ? kBackup : 0);
}

}  // namespace

ScriptSplit CheckScriptSplit(const std::vector<std::string>& lines) {
    ScriptSplit split;
    Workspace scratch;
    std::vector<const Command*> commands;
    unsigned filled = 0;
    for (const std::string& line : lines) {
        const ParsedBipLine parsed = ParseBipLine(line, scratch);
        // Lines that are no command do nothing; their values still count.
        const Command* command = FindBipCommand(parsed.keyword);
        if (command == nullptr) continue;
        commands.push_back(command);
        filled |= Fills(*command);
    }
    split.laterValues = {scratch.EffectValue1, scratch.EffectValue2, scratch.EffectValue3};

    auto refuse = [&](std::string why) {
        split.refusal = std::move(why);
        return split;
    };
    int nexts = 0;
    bool loop = false, renewing = filled != 0;
    unsigned renewed = 0;
    for (const Command* c : commands) {
        const std::string k(c->keyword);
        if (c->has(kAcrossFiles)) return refuse(k + std::string(c->splitRefusal));
        if (c->control == ControlStep::Loop) {
            loop = true;
            continue;
        }
        if (nexts > 0) return refuse(k + " after NEXT works on the next picture.");
        if (c->control == ControlStep::Next) {
            ++nexts;
            continue;
        }
        if (renewing && !c->has(kLeavesBuffers)) {
            renewed |= Renews(*c);
            if ((renewed & filled) == filled) {
                renewing = false;
            } else if (!Renews(*c)) {
                return refuse(k + " may use a buffer kept from the picture before.");
            }
        }
    }
    if (nexts == 0) return refuse("the script has no NEXT, so it works on the first file only.");
    if (!loop) return refuse("the script has no LOOP, so it works on the first file only.");
    return split;
}

}  // namespace vimbra

#include "batch/script_split.h"

#include <string_view>

#include "batch/bip_line.h"
#include "batch/command_table.h"
#include "core/workspace.h"

namespace vimbra {
namespace {

enum Buffer : unsigned { kDuplicate = 1, kBackup = 2 };

bool IsPrompt(std::string_view k) {
    return k == "PROMPT" || k == "PROMPTSTRING" || k == "PROMPT_NOT_FILESTRING" ||
           k == "PROMPT_HAS_FILESTRING";
}

// Control lines that neither read nor fill a buffer.
bool LeavesBuffersAlone(std::string_view k) {
    return k == "NEXT" || k == "LOOP" || k == "SAVE" || k == "NOMODIFYFLAG" || k == "RELOAD" ||
           k == "TRUECOLOR" || k == "REFRESH" || k == "CROP";
}

unsigned Fills(std::string_view k) {
    if (k == "DUPLICATE" || k == "SWAP") return kDuplicate;
    if (k == "COPYTOBACKUP") return kBackup;
    return 0;
}

// Lines that set a buffer from the picture alone, whatever it held before.
unsigned Renews(std::string_view k) {
    if (k == "DUPLICATE") return kDuplicate;
    if (k == "COPYTOBACKUP") return kBackup;
    if (k == "CLEARBUFFERS") return kDuplicate | kBackup;
    return 0;
}

}  // namespace

ScriptSplit CheckScriptSplit(const std::vector<std::string>& lines) {
    ScriptSplit split;
    Workspace scratch;
    std::vector<std::string> keywords;
    unsigned filled = 0;
    for (const std::string& line : lines) {
        const ParsedBipLine parsed = ParseBipLine(line, scratch);
        // Lines that are no command do nothing; their values still count.
        const BipCommand* command = FindBipCommand(parsed.keyword);
        if (command == nullptr) continue;
        keywords.push_back(parsed.keyword);
        filled |= Fills(parsed.keyword);
    }
    split.laterValues = {scratch.EffectValue1, scratch.EffectValue2, scratch.EffectValue3};

    auto refuse = [&](std::string why) {
        split.refusal = std::move(why);
        return split;
    };
    int nexts = 0;
    bool loop = false, renewing = filled != 0;
    unsigned renewed = 0;
    for (const std::string& k : keywords) {
        if (k == "PREVIOUS") return refuse("PREVIOUS goes back to the picture before.");
        if (k == "DELETE") return refuse("DELETE must follow the saves in list order.");
        if (IsPrompt(k) || k == "TRACE") return refuse(k + " asks questions in list order.");
        if (k == "LOOP") {
            loop = true;
            continue;
        }
        if (nexts > 0) return refuse(k + " after NEXT works on the next picture.");
        if (k == "NEXT") {
            ++nexts;
            continue;
        }
        if (renewing && !LeavesBuffersAlone(k)) {
            renewed |= Renews(k);
            if ((renewed & filled) == filled) {
                renewing = false;
            } else if (!Renews(k)) {
                return refuse(k + " may use a buffer kept from the picture before.");
            }
        }
    }
    if (nexts == 0) return refuse("the script has no NEXT, so it works on the first file only.");
    if (!loop) return refuse("the script has no LOOP, so it works on the first file only.");
    return split;
}

}  // namespace vimbra

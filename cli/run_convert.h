#pragma once
// vimbra-cli batch-convert: the list converted into one folder, over N parts
// side by side (--jobs) with the output of one, a report line per input and
// the progress line on a terminal.
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_convert.h"

namespace vimbra::cli {

struct BatchConvertSetup {
    std::vector<std::string> files;
    std::string outDir;
    ConvertFormat format = ConvertFormat::Jpg;
    std::optional<int> quality;
    std::vector<std::string> script;  // run on each picture first; may be empty
    int jobs = 1;
    std::string report;  // --report FILE.jsonl; empty: none
    bool quiet = false;
    bool stripMetadata = false;    // --strip-metadata: outputs carry no metadata
    bool keepOrientation = false;  // --keep-orientation: pictures left as stored
};

// Exit status: 0 every file converted, 1 otherwise (messages on stderr).
int RunBatchConvert(const BatchConvertSetup& setup);

}  // namespace vimbra::cli

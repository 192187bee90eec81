// The command-line options both sweeps take.
#pragma once

#include "sweeps/engine_stages.h"
#include "sweeps/export_table.h"

#include <functional>
#include <vector>

namespace mur::sweep {

struct SweepOptions {
    bool full = false;       // every base and pair; every failure point
    bool verbose = false;
    std::vector<Stage> stages;
    const char* only = nullptr;  // one export by name
};

// Reads --full, --verbose, --stage NAME and --export NAME; `more(i)` reads
// any other option at argv[i] (advancing i past its value) and says whether
// it knew it. An unknown option prints `usage` and ends the program.
SweepOptions parse_sweep_options(int argc, char** argv, std::vector<Stage> stages, const char* usage,
                                 const std::function<bool(int& i)>& more = {});

// Builds each chosen stage in turn and calls visit(stage, image, export) for
// each chosen export in it; the engine is reset after each stage.
void for_each_stage_export(const SweepOptions& options,
                           const std::function<void(Stage, const ImageSize&, const ExportInfo&)>& visit);

}  // namespace mur::sweep

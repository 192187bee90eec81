#include "sweeps/sweep_options.h"

#include "support/engine_reset.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mur::sweep {

SweepOptions parse_sweep_options(int argc, char** argv, std::vector<Stage> stages, const char* usage,
                                 const std::function<bool(int& i)>& more)
{
    SweepOptions o;
    o.stages = std::move(stages);
    for (int i = 1; i < argc; ++i) {
        Stage stage;
        if (std::strcmp(argv[i], "--full") == 0) {
            o.full = true;
        } else if (std::strcmp(argv[i], "--verbose") == 0) {
            o.verbose = true;
        } else if (std::strcmp(argv[i], "--stage") == 0 && i + 1 < argc && stage_from_name(argv[i + 1], stage)) {
            o.stages = {stage};
            ++i;
        } else if (std::strcmp(argv[i], "--export") == 0 && i + 1 < argc) {
            o.only = argv[++i];
        } else if (!more || !more(i)) {
            std::fprintf(stderr, "usage: %s %s\n", argv[0], usage);
            std::exit(2);
        }
    }
    return o;
}

void for_each_stage_export(const SweepOptions& options,
                           const std::function<void(Stage, const ImageSize&, const ExportInfo&)>& visit)
{
    for (Stage stage : options.stages) {
        build_stage(stage);
        const ImageSize image = current_image();
        for (std::size_t e = 0; e < kExportCount; ++e)
            if (!options.only || std::strcmp(options.only, kExports[e].name) == 0) visit(stage, image, kExports[e]);
        test::reset_engine();
    }
}

}  // namespace mur::sweep

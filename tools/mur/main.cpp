// mur: the command-line host of the engine. It drives libmurcore through the
// public C interface only, as a paint program would.
#include "demo.h"
#include "filters_sheet.h"
#include "murcore.h"
#include "soak.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage()
{
    std::puts("usage: mur --version | mur demo [OUT_DIR] | mur filters IN.png OUT.png\n"
              "       mur soak [--minutes N] [--steps N] [--seed S] [--trace]");
    return 2;
}

int soak_command(int argc, char** argv)
{
    mur_tool::SoakOptions options;
    options.shareDir = MUR_SHARE_DIR;
    for (int i = 2; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--minutes") == 0 && hasValue)
            options.minutes = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--steps") == 0 && hasValue)
            options.steps = std::atol(argv[++i]);
        else if (std::strcmp(argv[i], "--seed") == 0 && hasValue)
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--trace") == 0)
            options.trace = true;
        else
            return usage();
    }
    return mur_tool::soak(options);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage();
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("mur %s\n", MUR_VERSION);
        return 0;
    }
    if (std::strcmp(argv[1], "demo") == 0) return mur_tool::demo(argc > 2 ? argv[2] : "out");
    if (std::strcmp(argv[1], "filters") == 0 && argc == 4) return mur_tool::filters_sheet(argv[2], argv[3]);
    if (std::strcmp(argv[1], "soak") == 0) return soak_command(argc, argv);
    return usage();
}

// mur: the command-line host of the engine. It drives libmurcore through the
// public C interface only, as a paint program would.
#include "demo.h"
#include "filters_sheet.h"
#include "murcore.h"

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::puts("usage: mur --version | mur demo [OUT_DIR] | mur filters IN.png OUT.png");
    return 2;
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
    return usage();
}

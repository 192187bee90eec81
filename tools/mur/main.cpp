// mur: the command-line host of the engine. It drives libmurcore through the
// public C interface only, as a paint program would.
#include "demo.h"
#include "clip_commands.h"
#include "device_commands.h"
#include "draw_sheet.h"
#include "effects_sheet.h"
#include "filters_sheet.h"
#include "geometry_sheet.h"
#include "lua_command.h"
#include "murcore.h"
#include "quantise_sheet.h"
#include "record.h"
#include "replay.h"
#include "share_dir.h"
#include "soak.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The manual page (mur.1) describes the same commands in the same words; a
// test keeps the two in step.
const char kHelp[] =
    "usage: mur COMMAND [ARGUMENTS]\n"
    "\n"
    "The command-line host of the murcore painting engine.\n"
    "\n"
    "commands:\n"
    "  capture OUT.png          capture the X screen (DISPLAY) through the engine and write it to\n"
    "                           OUT.png\n"
    "  demo [OUT_DIR]           paint a small layered document and a landscape, and write their views\n"
    "                           as PNG files into OUT_DIR (default: out)\n"
    "  draw OUT.png [PHOTO]     fill, draw rectangles, ellipses, gradients and text, shift colours,\n"
    "                           pop, displace and blur PHOTO (a PNG; default a made-up picture) and\n"
    "                           write a contact sheet labelled by the engine's text tool to OUT.png\n"
    "  effects IN.png OUT.png   run every effect of the catalogue at its default values on IN.png\n"
    "                           and write a contact sheet labelled with the names to OUT.png\n"
    "  filters IN.png OUT.png   run every native filter on IN.png and write a contact sheet of the\n"
    "                           results to OUT.png\n"
    "  geometry IN.png OUT.png  resize, seam-carve, anchor, crop, turn, mirror, pan and push a\n"
    "                           two-layer document made from IN.png and write a contact sheet of the\n"
    "                           results to OUT.png\n"
    "  lua SCRIPT.lua IN.png OUT.png [SLIDERS]  run a Lua filter script on IN.png and write the\n"
    "                           result to OUT.png; SLIDERS are up to six whole numbers 0..1000 (the\n"
    "                           script's sliderVal1..6 times 1000); Ctrl-C stops the script; a script\n"
    "                           error is printed; the current directory is the script's start\n"
    "                           directory: its paint_ functions record a drawing script into\n"
    "                           scripts/luapaint.srp (the folder is created)\n"
    "  plugins FOLDER           list the filter plug-ins (.8bf files) under FOLDER and its subfolders,\n"
    "                           one 'Category :: Name :: path' line each, the last found first\n"
    "  quantise IN OUT.png      reduce IN to 256 colours with the engine's GIF writer and with\n"
    "                           ImageMagick's -colors 256, write original | ours | ImageMagick side by\n"
    "                           side to OUT.png and print each mean error against the original\n"
    "  record [OUT_DIR]         paint a short picture stroke by stroke, recording the view every few\n"
    "                           dabs into OUT_DIR/stroke.avi and OUT_DIR/stroke.gif and its four\n"
    "                           stages into OUT_DIR/stroke.pdf (default: out)\n"
    "  replay SCRIPT.srp OUT.png [IN.png]  replay a drawing script with the engine and write the\n"
    "                           page to OUT.png; IN.png is the page's background; a record whose\n"
    "                           tool the engine lacks is skipped with a line on stderr (exit status\n"
    "                           3), a bad script stops at its line (exit status 1)\n"
    "  scan OUT.png             scan one picture with the first scanner SANE finds and write it to\n"
    "                           OUT.png\n"
    "  soak [OPTIONS]           drive the engine through a seeded random walk of host calls, checking\n"
    "                           its invariants after every step (options --minutes N, --steps N,\n"
    "                           --seed S, --trace); a failing seed replays exactly\n"
    "  textclips TEXT FOLDER    write each character of TEXT as a text-brush clip FOLDER/clipN.png\n"
    "                           and a sheet of them, with the first pasted through the clipboard at\n"
    "                           four angles, to FOLDER/sheet.png\n"
    "  --version                print the version\n"
    "  --help, -h               print this help\n";

int usage()
{
    std::fputs("usage: mur --version | mur --help | mur demo [OUT_DIR] | mur filters IN.png OUT.png\n"
               "       mur capture OUT.png | mur textclips TEXT FOLDER\n"
               "       mur draw OUT.png [PHOTO] | mur effects IN.png OUT.png\n"
               "       mur geometry IN.png OUT.png\n"
               "       mur lua SCRIPT.lua IN.png OUT.png [SLIDERS]\n"
               "       mur plugins FOLDER\n"
               "       mur quantise IN OUT.png\n"
               "       mur record [OUT_DIR]\n"
               "       mur replay SCRIPT.srp OUT.png [IN.png]\n"
               "       mur scan OUT.png\n"
               "       mur soak [--minutes N] [--steps N] [--seed S] [--trace]\n",
               stderr);
    return 2;
}

int soak_command(int argc, char** argv)
{
    mur_tool::SoakOptions options;
    const std::string share = mur_tool::share_dir();
    options.shareDir = share.c_str();
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
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "demo") == 0) return mur_tool::demo(argc > 2 ? argv[2] : "out");
    if (std::strcmp(argv[1], "effects") == 0 && argc == 4) return mur_tool::effects_sheet(argv[2], argv[3]);
    if (std::strcmp(argv[1], "filters") == 0 && argc == 4) return mur_tool::filters_sheet(argv[2], argv[3]);
    if (std::strcmp(argv[1], "draw") == 0 && (argc == 3 || argc == 4))
        return mur_tool::draw_sheet(argv[2], argc == 4 ? argv[3] : nullptr);
    if (std::strcmp(argv[1], "geometry") == 0 && argc == 4) return mur_tool::geometry_sheet(argv[2], argv[3]);
    if (std::strcmp(argv[1], "lua") == 0 && argc >= 5 && argc <= 11) {
        int32_t sliders[6] = {};
        for (int i = 5; i < argc; ++i) {
            char* end = nullptr;
            const long v = std::strtol(argv[i], &end, 10);
            if (*end != '\0' || v < 0 || v > 1000) return usage();
            sliders[i - 5] = static_cast<int32_t>(v);
        }
        return mur_tool::lua_command(argv[2], argv[3], argv[4], sliders);
    }
    if (std::strcmp(argv[1], "plugins") == 0 && argc == 3) return mur_tool::plugins_command(argv[2]);
    if (std::strcmp(argv[1], "scan") == 0 && argc == 3) return mur_tool::scan_command(argv[2]);
    if (std::strcmp(argv[1], "quantise") == 0 && argc == 4) return mur_tool::quantise_sheet(argv[2], argv[3]);
    if (std::strcmp(argv[1], "record") == 0 && argc <= 3) return mur_tool::record(argc > 2 ? argv[2] : "out");
    if (std::strcmp(argv[1], "replay") == 0 && (argc == 4 || argc == 5))
        return mur_tool::replay_command(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (std::strcmp(argv[1], "capture") == 0 && argc == 3) return mur_tool::capture_command(argv[2]);
    if (std::strcmp(argv[1], "textclips") == 0 && argc == 4) return mur_tool::textclips_command(argv[2], argv[3]);
    if (std::strcmp(argv[1], "soak") == 0) return soak_command(argc, argv);
    return usage();
}

// `mur replay`: a drawing script recorded by the paint_ functions of a Lua
// filter script, replayed with the engine through its public interface.
// The page is two layers: slot 1 the background (white, or the picture
// given), slot 2 the drawing layer every record works on.
#pragma once

#include "png_files.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace mur_tool {

struct ReplayOptions {
    const Picture* background = nullptr;  // the page's background, and its size before any SetPage
    int32_t maxSide = 10000;              // larger pages are refused (the engine's own limit)
    std::FILE* log = stderr;              // one line for each skipped record
};

struct ReplayOutcome {
    int status = 0;          // 0 all replayed, 3 some records skipped, 1 the script is bad
    int32_t records = 0;     // records replayed
    int32_t skipped = 0;
    int64_t dabs = 0;
    std::string error;       // status 1: "line N: what"
    int32_t width = 0;       // the page at the end; 0 without one
    int32_t height = 0;
};

// Replays the script into the engine's image, which stays for the caller
// to read (page_pixels) and delete (MUR_DeleteImage).
ReplayOutcome replay_script(std::string_view text, const ReplayOptions& options);

// The page as the view shows it: RGB rows of width x 3 bytes; false when
// there is no page.
bool page_pixels(const ReplayOutcome& outcome, std::vector<uint8_t>& rgb);

// mur replay SCRIPT.srp OUT.png [IN.png]; the exit status of replay_script,
// 1 for unreadable files as well.
int replay_command(const char* scriptPath, const char* outPath, const char* inPath);

}  // namespace mur_tool

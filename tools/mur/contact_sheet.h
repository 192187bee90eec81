// What the contact sheets of mur share: shrinking a picture for its cell,
// laying RGBA over a checkerboard, labels in a 5 x 7 font of capitals, and
// the sheet itself, a grid of labelled cells.
#pragma once

#include "png_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mur_tool {

// Shrinks by the smallest whole factor that brings the width to at most
// `width`, averaging boxes; narrower pictures come back as they are.
Picture shrink_to_width(const Picture& in, int width);

// Reads the picture a sheet is made from and shrinks it to at most `width`
// wide; false, with the reason on stderr after "mur COMMAND: ", when it
// cannot be read or comes out smaller than minSide on a side.
bool read_sheet_picture(const char* command, const char* path, int width, int minSide, Picture& photo);

// RGB of the picture laid over a grey checkerboard.
std::vector<uint8_t> over_checkerboard(const std::vector<uint8_t>& rgba, int w, int h);

// Draws the capitals of `text` (other characters leave a gap) at (x0, y0)
// of an RGB picture `sheetWidth` pixels wide.
void draw_label(std::vector<uint8_t>& rgb, int sheetWidth, int x0, int y0, const char* text);

// The engine's selection mask as a grey RGB picture of w x h (white =
// editable), for the sheets of the mask makers.
std::vector<uint8_t> mask_as_grey(int w, int h);

// One picture of a sheet with its label.
struct Cell {
    std::string label;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // rows of width * 3 bytes
};

// Lays the cells out `columns` to a row, each in a box as large as the
// largest cell, its label above it, and writes the sheet as a PNG file.
bool write_sheet(const std::string& path, const std::vector<Cell>& cells, int columns, std::string& error);

}  // namespace mur_tool

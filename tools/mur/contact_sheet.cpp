#include "contact_sheet.h"

#include "murcore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mur_tool {
namespace {

constexpr int kGap = 6;
constexpr int kLabelHeight = 13;  // one line of the 5 x 7 font, scaled 1, with margins

// Rows of a capital letter or a digit, '#' for ink; null for anything else.
const char* const* glyph(char c)
{
    static const char* const letters[26][7] = {
        {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // A
        {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."},  // B
        {".####", "#....", "#....", "#....", "#....", "#....", ".####"},  // C
        {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."},  // D
        {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},  // E
        {"#####", "#....", "#....", "####.", "#....", "#....", "#...."},  // F
        {".####", "#....", "#....", "#..##", "#...#", "#...#", ".####"},  // G
        {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // H
        {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},  // I
        {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."},  // J
        {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"},  // K
        {"#....", "#....", "#....", "#....", "#....", "#....", "#####"},  // L
        {"#...#", "##.##", "#.#.#", "#...#", "#...#", "#...#", "#...#"},  // M
        {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"},  // N
        {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // O
        {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."},  // P
        {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"},  // Q
        {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},  // R
        {".####", "#....", "#....", ".###.", "....#", "....#", "####."},  // S
        {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // T
        {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // U
        {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},  // V
        {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"},  // W
        {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"},  // X
        {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."},  // Y
        {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"},  // Z
    };
    static const char* const digits[10][7] = {
        {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},  // 0
        {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
        {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
        {"####.", "....#", "....#", ".###.", "....#", "....#", "####."},  // 3
        {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},  // 4
        {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},  // 5
        {".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."},  // 6
        {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},  // 7
        {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},  // 8
        {".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."},  // 9
    };
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c >= '0' && c <= '9') return digits[c - '0'];
    return c >= 'A' && c <= 'Z' ? letters[c - 'A'] : nullptr;
}

}  // namespace

Picture shrink_to_width(const Picture& in, int width)
{
    const int factor = std::max(1, (in.width + width - 1) / std::max(width, 1));
    if (factor == 1) return in;
    Picture out;
    out.width = in.width / factor;
    out.height = in.height / factor;
    out.rgba.resize(std::size_t(out.width) * out.height * 4);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int j = 0; j < factor; ++j)
                    for (int i = 0; i < factor; ++i)
                        sum += in.rgba[((std::size_t(y) * factor + j) * in.width + x * factor + i) * 4 + c];
                out.rgba[(std::size_t(y) * out.width + x) * 4 + c] = static_cast<uint8_t>(sum / (factor * factor));
            }
    return out;
}

bool read_sheet_picture(const char* command, const char* path, int width, int minSide, Picture& photo)
{
    Picture original;
    std::string error;
    if (!read_png(path, original, error)) {
        std::fprintf(stderr, "mur %s: %s\n", command, error.c_str());
        return false;
    }
    photo = shrink_to_width(original, width);
    if (photo.width < minSide || photo.height < minSide) {
        std::fprintf(stderr, "mur %s: %s is too small\n", command, path);
        return false;
    }
    return true;
}

std::vector<uint8_t> over_checkerboard(const std::vector<uint8_t>& rgba, int w, int h)
{
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
            const int board = ((x / 8 + y / 8) % 2) ? 200 : 150;
            for (int c = 0; c < 3; ++c)
                rgb[(std::size_t(y) * w + x) * 3 + c] = static_cast<uint8_t>((p[c] * p[3] + board * (255 - p[3])) / 255);
        }
    return rgb;
}

void draw_label(std::vector<uint8_t>& rgb, int sheetWidth, int x0, int y0, const char* text)
{
    for (int i = 0; text[i]; ++i) {
        if (x0 + i * 6 + 5 > sheetWidth) break;
        const char* const* g = glyph(text[i]);
        if (!g) continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (g[row][col] != '#') continue;
                uint8_t* p = &rgb[(std::size_t(y0 + row) * sheetWidth + x0 + i * 6 + col) * 3];
                p[0] = p[1] = p[2] = 20;
            }
    }
}

bool write_sheet(const std::string& path, const std::vector<Cell>& cells, int columns, std::string& error)
{
    int boxW = 0, boxH = 0;
    for (const Cell& cell : cells) boxW = std::max(boxW, cell.width), boxH = std::max(boxH, cell.height);
    const int count = static_cast<int>(cells.size());
    const int rows = (count + columns - 1) / columns;
    const int cellW = boxW + kGap, cellH = boxH + kLabelHeight + kGap;
    const int sheetW = columns * cellW + kGap, sheetH = rows * cellH + kGap;
    std::vector<uint8_t> sheet(std::size_t(sheetW) * sheetH * 3, 240);
    for (int n = 0; n < count; ++n) {
        const Cell& cell = cells[n];
        const int x0 = kGap + (n % columns) * cellW, y0 = kGap + (n / columns) * cellH;
        for (int y = 0; y < cell.height; ++y)
            std::memcpy(&sheet[(std::size_t(y0 + kLabelHeight + y) * sheetW + x0) * 3], &cell.rgb[std::size_t(y) * cell.width * 3],
                        std::size_t(cell.width) * 3);
        draw_label(sheet, sheetW, x0 + 1, y0 + 3, cell.label.c_str());
    }
    return write_png(path, sheet.data(), sheetW, sheetH, 3, error);
}

// The mask as grey (white = editable).
std::vector<uint8_t> mask_as_grey(int w, int h)
{
    std::vector<uint16_t> mask(std::size_t(w) * h);
    MUR_GetMaskData16(mask.data());
    std::vector<uint8_t> rgb(mask.size() * 3);
    for (std::size_t i = 0; i < mask.size(); ++i) rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = mask[i] >> 8;
    return rgb;
}

}  // namespace mur_tool

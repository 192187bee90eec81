// Text-brush clips and the font choosers: characters split as UTF-8 with
// Windows-1252 for stray bytes (iconv is the reference), one PNG a
// character read back by ImageMagick, and fonts confirmed through
// fontconfig.
#include "io/external_readers.h"
#include "io/io.h"
#include "platform/fonts.h"
#include "support/engine_fixture.h"

#include <iconv.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace mur::test {
namespace {

using TextClips = EngineTest;

// What iconv makes of one byte as Windows-1252; 0 when it has no character.
uint32_t cp1252(unsigned char byte)
{
    iconv_t cd = iconv_open("UTF-32LE", "CP1252");
    if (cd == iconv_t(-1)) return 0;
    char in[1] = {char(byte)};
    unsigned char out[4] = {};
    char* inp = in;
    char* outp = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = 4;
    const size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    return done == size_t(-1) ? 0 : uint32_t(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

TEST_F(TextClips, CharactersAreUtf8AndStrayBytesWindows1252)
{
    // Every byte alone: ASCII as itself, the rest as Windows-1252 (bytes it
    // leaves without a character stand for themselves).
    for (int b = 1; b < 256; ++b) {
        const char text[2] = {char(b), 0};
        std::size_t at = 0;
        const uint32_t got = io::next_character(text, at);
        EXPECT_EQ(at, 1u);
        const uint32_t want = cp1252(uint8_t(b));
        EXPECT_EQ(got, want ? want : uint32_t(b)) << b;
    }
    // Every code point that UTF-8 can carry, encoded by iconv, comes back.
    iconv_t cd = iconv_open("UTF-8", "UTF-32LE");
    ASSERT_NE(cd, iconv_t(-1));
    for (uint32_t c = 1; c <= 0x10FFFF; c += (c < 0x3000 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        unsigned char in[4] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24)};
        char out[8] = {};
        char* inp = reinterpret_cast<char*>(in);
        char* outp = out;
        size_t inLeft = 4, outLeft = 7;
        ASSERT_NE(iconv(cd, &inp, &inLeft, &outp, &outLeft), size_t(-1)) << c;
        std::size_t at = 0;
        ASSERT_EQ(io::next_character(out, at), c);
        ASSERT_EQ(at, std::strlen(out));
    }
    iconv_close(cd);
    // Broken sequences: overlong, surrogates, cut short, beyond U+10FFFF.
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\xF8\x88"}) {
        std::size_t at = 0;
        const uint32_t first = io::next_character(bad, at);
        EXPECT_EQ(at, 1u) << bad;
        const uint32_t want = cp1252(uint8_t(bad[0]));
        EXPECT_EQ(first, want ? want : uint32_t(uint8_t(bad[0])));
    }
}

TEST_F(TextClips, EachCharacterBecomesAnRgbaPngAtOneHundredDpi)
{
    if (!have_imagemagick()) GTEST_SKIP() << "ImageMagick's identify is needed";
    ScratchDir dir;
    ASSERT_EQ(MUR_SetFontByName(1, "DejaVu Sans", 40, 700, 0), 1) << "fonts-dejavu-core (scripts/deps.sh) is needed";
    EXPECT_EQ(MUR_BuildTextBrushClips(200, 30, 10, "A\xE9", dir.path.c_str()), 2);  // 0xE9: é as Windows-1252
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"clip0.png", "clip1.png"}));
    for (const std::string name : {"clip0.png", "clip1.png"}) {
        const std::string file = dir / name;
        EXPECT_EQ(identify(file, "%m %z %[channels] %[fx:round(resolution.x*100)] %U"),
                  "PNG 8 srgba 3937 PixelsPerCentimeter");
        // The colour where a glyph covers fully, nothing where it does not.
        const std::string stats = identify(file, "%[fx:maxima.a] %[fx:minima.a]");
        EXPECT_EQ(stats, "1 0") << name;
        const std::string colour = command_output("convert " + shell_quoted(file) +
                                                  " -alpha on -fx 'a==1?u:0' -alpha off -format '%[fx:maxima.r*255] "
                                                  "%[fx:maxima.g*255] %[fx:maxima.b*255]' info:");
        EXPECT_EQ(colour, "200 30 10") << name;
    }
    // The accented character is taller than the capital without one.
    EXPECT_GE(std::stoi(identify(dir / "clip1.png", "%h")), std::stoi(identify(dir / "clip0.png", "%h")));
    EXPECT_EQ(MUR_BuildTextBrushClips(0, 0, 0, "", dir.path.c_str()), 0);
    EXPECT_EQ(MUR_BuildTextBrushClips(0, 0, 0, nullptr, dir.path.c_str()), 0);
    EXPECT_EQ(MUR_BuildTextBrushClips(INT_MIN, INT_MAX, 0, "x", nullptr), 0);
    EXPECT_EQ(MUR_BuildTextBrushClips(0, 0, 0, "xy", (dir / "no/such/folder").c_str()), 0);
    EXPECT_EQ(MUR_BuildTextBrushClips(0, 0, 0, "xy", ""), 0);  // never the root folder
}

TEST_F(TextClips, TheChoosersConfirmThroughFontconfigAndWriteTheFaceBack)
{
    for (int32_t which : {0, 1}) {
        platform::clear_font_record(which);
        ASSERT_EQ(which ? MUR_ChooseTextBrushFont() : MUR_ChooseFont(), 1);
        const platform::FontRecord* r = platform::font_record(which);
        EXPECT_EQ(r->pixelHeight, 16);
        EXPECT_STRNE(r->family, "sans-serif");  // the face found, by name
        EXPECT_STRNE(r->file, "");
        // A named face stays that face.
        ASSERT_EQ(MUR_SetFontByName(which, "DejaVu Serif", 30, 400, 1), 1);
        ASSERT_EQ(which ? MUR_ChooseTextBrushFont() : MUR_ChooseFont(), 1);
        EXPECT_STREQ(r->family, "DejaVu Serif");
        EXPECT_EQ(r->pixelHeight, 30);
    }
    EXPECT_STREQ(MUR_GetLastError(), "");
    EXPECT_STREQ(io::font_error_text(0x2001), "Font Err: CFERR_NOFONTS");
    EXPECT_STREQ(io::font_error_text(3), "Font Err: Other Error");
}

}  // namespace
}  // namespace mur::test

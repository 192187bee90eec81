// PDF documents of picture files: pdfinfo's pages and page sizes, poppler's
// rendering of a page at 96 dpi, the JPEG file inside the document as it
// was, and which files are deleted.
#include "io/external_readers.h"
#include "support/engine_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace mur::test {
namespace {

std::vector<uint8_t> file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle)
{
    return !needle.empty() && std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}
bool contains(const std::vector<uint8_t>& haystack, const std::string& text)
{
    return contains(haystack, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> picture(int w, int h, int channels, int seed)
{
    std::vector<uint8_t> v(std::size_t(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &v[(std::size_t(y) * w + x) * channels];
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t(seed * 50 + (x / 8 + y / 8) % 2 * 100);
            if (channels == 4) p[3] = x < w / 2 ? 255 : 0;  // the right half transparent
        }
    return v;
}

// "Pages: N" and each page's size as pdfinfo prints them.
std::string pdfinfo_pages(const std::string& path)
{
    std::istringstream in(command_output("pdfinfo -f 1 -l 99 " + shell_quoted(path) + " 2>&1"));
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("Pages:", 0) == 0 || (line.rfind("Page ", 0) == 0 && line.find(" size:") != std::string::npos)) {
            std::string squeezed;
            for (char c : line)
                if (c != ' ' || (squeezed.size() && squeezed.back() != ' ')) squeezed += c;
            out += squeezed.substr(0, squeezed.find(" (")) + "\n";
        }
    return out;
}

// Page n rendered at 96 dpi by poppler, RGB24 with its size.
std::vector<uint8_t> render_page(const std::string& pdf, int page, int& w, int& h)
{
    const std::string out = command_output("pdftoppm -r 96 -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                           " -singlefile " + shell_quoted(pdf) + " 2>/dev/null");
    std::istringstream in(out);
    std::string magic;
    int maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255) return {};
    const std::size_t at = std::size_t(in.tellg());
    return {out.begin() + long(at), out.end()};
}

class PdfExport : public EngineTest {
protected:
    ScratchDir dir;
};

// Three pictures of three kinds, one damaged file and one missing: three
// pages of the pictures' sizes plus the border; the JPEG's bytes inside the
// document as they were; a page rendered at 96 dpi shows the gray border
// and the picture; the three files are gone, the damaged one is kept.
TEST_F(PdfExport, EveryReadablePictureMakesAPageAndIsDeletedAfterwards)
{
    const std::string png = dir / "a.png", jpg = dir / "b.jpg", bmp = dir / "c.bmp", bad = dir / "bad.png",
                      pdf = dir / "doc.pdf";
    const std::vector<uint8_t> first = picture(61, 37, 4, 0), second = picture(80, 50, 3, 1),
                               third = picture(30, 20, 3, 2);
    ASSERT_EQ(MUR_WriteToFileRGBA32(first.data(), 61, 37, png.c_str(), ".png", 0), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(second.data(), 80, 50, jpg.c_str(), ".jpg", 0), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(third.data(), 30, 20, bmp.c_str(), ".bmp", 0), 1);
    std::ofstream(bad) << "\x89PNG\r\n\x1a\n not really";
    const std::vector<uint8_t> jpegBytes = file_bytes(jpg);
    for (const std::string& p : {png, bad, jpg, dir / "missing.png", bmp}) ASSERT_EQ(MUR_I2PDF_AddImage(p.c_str()), 1);
    EXPECT_EQ(MUR_I2PDF_AddImage(nullptr), 0);
    EXPECT_EQ(MUR_I2PDF_AddImage(""), 0);
    ASSERT_EQ(MUR_I2PDF_MakePDF(pdf.c_str()), 1);

    const std::vector<uint8_t> document = file_bytes(pdf);
    EXPECT_TRUE(contains(document, jpegBytes));
    EXPECT_FALSE(contains(document, "/FullScreen"));
    std::vector<std::string> names = dir.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"bad.png", "doc.pdf"}));
    // The list is empty after a document.
    EXPECT_EQ(MUR_I2PDF_MakePDF((dir / "again.pdf").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "again.pdf"));

    if (!have_program("pdfinfo") || !have_program("pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
    EXPECT_EQ(pdfinfo_pages(pdf), "Pages: 3\n"
                                  "Page 1 size: 75.75 x 57.75 pts\n"
                                  "Page 2 size: 90 x 67.5 pts\n"
                                  "Page 3 size: 52.5 x 45 pts\n");
    int w = 0, h = 0;
    const std::vector<uint8_t> page = render_page(pdf, 1, w, h);
    ASSERT_EQ(w, 101);
    ASSERT_EQ(h, 77);
    ASSERT_EQ(page.size(), std::size_t(w) * h * 3);
    double border = 0, inside = 0;
    int borderCount = 0, insideCount = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &page[(std::size_t(y) * w + x) * 3];
            const int px = x - 20, py = y - 20;
            if (px < -1 || py < -1 || px > 61 || py > 37) {
                for (int c = 0; c < 3; ++c) border += std::abs(p[c] - 196);
                borderCount += 3;
            } else if (px >= 1 && py >= 1 && px < 61 && py < 37) {
                // poppler samples half a pixel off: the rendered value lies
                // within the values of the 2 x 2 source pixels around it.
                for (int c = 0; c < 3; ++c) {
                    int lo = 255, hi = 0;
                    for (int sy = py - 1; sy <= py; ++sy)
                        for (int sx = px - 1; sx <= px; ++sx) {
                            const uint8_t* s = &first[(std::size_t(sy) * 61 + sx) * 4];
                            const int v = s[3] ? s[c] : 255;  // transparent: white
                            lo = std::min(lo, v);
                            hi = std::max(hi, v);
                        }
                    inside += std::max({0, lo - p[c], p[c] - hi});
                }
                insideCount += 3;
            }
        }
    EXPECT_LT(border / borderCount, 0.5);
    EXPECT_LT(inside / insideCount, 0.5);
}

// The slide show: full-screen page mode and every page with a transition of
// 1 second and a display time of 4.
TEST_F(PdfExport, SlideShowOpensFullScreenWithTransitionsAndTimes)
{
    const std::string a = dir / "a.bmp", b = dir / "b.bmp", pdf = dir / "show.pdf";
    ASSERT_EQ(MUR_WriteToFileRGB24(picture(20, 10, 3, 0).data(), 20, 10, a.c_str(), ".bmp", 0), 1);
    ASSERT_EQ(MUR_WriteToFileRGB24(picture(20, 10, 3, 1).data(), 20, 10, b.c_str(), ".bmp", 0), 1);
    MUR_I2PDF_AddImage((dir / "stale.bmp").c_str());
    MUR_I2PDF_Reset();  // forgets the stale entry
    ASSERT_EQ(MUR_I2PDF_AddImage(a.c_str()), 1);
    ASSERT_EQ(MUR_I2PDF_AddImage(b.c_str()), 1);
    ASSERT_EQ(MUR_I2PDF_MakePDFSlideshow(pdf.c_str()), 1);
    std::string text;
    for (uint8_t c : file_bytes(pdf)) text += char(c);
    EXPECT_NE(text.find("/PageMode /FullScreen"), std::string::npos);
    std::size_t transitions = 0, durations = 0;
    for (std::size_t at = 0; (at = text.find("/Type /Trans", at)) != std::string::npos; ++at) ++transitions;
    for (std::size_t at = 0; (at = text.find("/Dur 4", at)) != std::string::npos; ++at) ++durations;
    EXPECT_EQ(transitions, 2u);
    EXPECT_EQ(durations, 2u);
    EXPECT_NE(text.find("/S /Box"), std::string::npos);
    EXPECT_NE(text.find("/D 1"), std::string::npos);
    if (!have_program("pdfinfo")) GTEST_SKIP() << "poppler-utils is not installed";
    EXPECT_EQ(pdfinfo_pages(pdf), "Pages: 2\nPage 1 size: 45 x 37.5 pts\nPage 2 size: 45 x 37.5 pts\n");
}

// No page, no file; a document that cannot be written deletes nothing.
TEST_F(PdfExport, NoPagesOrAFailedWriteLeaveNoFileAndDeleteNothing)
{
    const std::string a = dir / "a.bmp", bad = dir / "bad.bmp";
    EXPECT_EQ(MUR_I2PDF_MakePDF((dir / "empty.pdf").c_str()), 0);
    std::ofstream(bad) << "BM garbage";
    ASSERT_EQ(MUR_I2PDF_AddImage(bad.c_str()), 1);
    EXPECT_EQ(MUR_I2PDF_MakePDF((dir / "unreadable.pdf").c_str()), 0);
    ASSERT_EQ(MUR_WriteToFileRGB24(picture(20, 10, 3, 0).data(), 20, 10, a.c_str(), ".bmp", 0), 1);
    ASSERT_EQ(MUR_I2PDF_AddImage(a.c_str()), 1);
    EXPECT_EQ(MUR_I2PDF_MakePDF((dir.path / "no-folder" / "x.pdf").c_str()), 0);
    ASSERT_EQ(MUR_I2PDF_AddImage(a.c_str()), 1);
    EXPECT_EQ(MUR_I2PDF_MakePDF(nullptr), 0);
    std::vector<std::string> names = dir.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.bmp", "bad.bmp"}));
}

}  // namespace
}  // namespace mur::test

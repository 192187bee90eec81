#include "imaging/pdf_document.h"

#include "engine/memory.h"
#include "imaging/picture_reader.h"
#include "imaging/replacing_file.h"

#include <hpdf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mur::imaging {
namespace {

constexpr float kPointsPerPixel = 0.75f;  // 72 / 96
constexpr int32_t kBorderPixels = 20;
constexpr float kBorderGray = 196.0f / 255.0f;

struct Messages {
    char* text;
    int32_t bytes;
};

// The library's errors are noted, not reported: the caller sees the pages.
void on_error(HPDF_STATUS error, HPDF_STATUS detail, void* user)
{
    auto* m = static_cast<Messages*>(user);
    if (!m->text || m->bytes <= 0) return;
    const std::size_t used = strnlen(m->text, std::size_t(m->bytes));
    if (used + 1 >= std::size_t(m->bytes)) return;
    std::snprintf(m->text + used, std::size_t(m->bytes) - used, "libharu error 0x%04X (detail %u)\n", unsigned(error),
                  unsigned(detail));
}

void* allocate(HPDF_UINT size) { return mem::try_alloc_uninit(size); }
void release(void* block) { mem::release_nothrow(block); }

// R, G, B of an RGBA32 picture over white.
bool over_white(const Rgba32Picture& picture, uint8_t* rgb)
{
    const std::size_t pixels = std::size_t(picture.width) * std::size_t(picture.height);
    const uint8_t* p = picture.pixels;
    for (std::size_t i = 0; i < pixels; ++i, p += 4, rgb += 3) {
        const uint32_t a = p[3], white = 255 * (255 - a);
        for (int c = 0; c < 3; ++c) rgb[c] = uint8_t((p[c] * a + white + 127) / 255);
    }
    return true;
}

// The picture of one file as a PDF image, or null.
HPDF_Image load_picture(HPDF_Doc pdf, const char* path, int32_t& width, int32_t& height)
{
    ByteBlock file;
    if (!read_file_bytes(path, file)) return nullptr;
    Rgba32Picture picture;
    const bool read = read_picture_from_memory(file.data, file.size, picture);
    HPDF_Image image = nullptr;
    if (read && picture.width <= kMaxPdfPictureSide && picture.height <= kMaxPdfPictureSide) {
        width = picture.width;
        height = picture.height;
        // A JPEG goes in as it is when the library takes it and its colours
        // need no conversion.
        if (detect_picture_format(file.data, file.size) == PictureFormat::Jpeg && file.size <= 0xFFFFFFFFu) {
            image = HPDF_LoadJpegImageFromMem(pdf, file.data, HPDF_UINT(file.size));
            const char* space = image ? HPDF_Image_GetColorSpace(image) : nullptr;
            if (!image || !space || std::strcmp(space, "DeviceCMYK") == 0 ||
                HPDF_Image_GetWidth(image) != HPDF_UINT(width) || HPDF_Image_GetHeight(image) != HPDF_UINT(height))
                image = nullptr;
            HPDF_ResetError(pdf);
        }
        if (!image) {
            const mem::Owned<uint8_t> rgb(
                static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(width) * std::size_t(height) * 3)));
            if (rgb && over_white(picture, rgb.get()))
                image = HPDF_LoadRawImageFromMem(pdf, rgb.get(), HPDF_UINT(width), HPDF_UINT(height),
                                                 HPDF_CS_DEVICE_RGB, 8);
            if (!image) HPDF_ResetError(pdf);
        }
    }
    release_picture(picture);
    release_block(file);
    return image;
}

bool add_page(HPDF_Doc pdf, HPDF_Image image, int32_t width, int32_t height, const PdfOptions& options)
{
    HPDF_Page page = HPDF_AddPage(pdf);
    if (!page) return false;
    const float pageWidth = float(width + 2 * kBorderPixels) * kPointsPerPixel;
    const float pageHeight = float(height + 2 * kBorderPixels) * kPointsPerPixel;
    const float border = float(kBorderPixels) * kPointsPerPixel;
    bool ok = HPDF_Page_SetWidth(page, pageWidth) == HPDF_OK && HPDF_Page_SetHeight(page, pageHeight) == HPDF_OK &&
              HPDF_Page_SetRGBFill(page, kBorderGray, kBorderGray, kBorderGray) == HPDF_OK &&
              HPDF_Page_Rectangle(page, 0, 0, pageWidth, pageHeight) == HPDF_OK && HPDF_Page_Fill(page) == HPDF_OK &&
              HPDF_Page_DrawImage(page, image, border, border, float(width) * kPointsPerPixel,
                                  float(height) * kPointsPerPixel) == HPDF_OK;
    if (ok && options.slideShow)
        ok = HPDF_Page_SetSlideShow(page, HPDF_TransitionStyle(std::clamp<int32_t>(options.transition, 0, HPDF_TS_EOF - 1)),
                                    float(options.displaySeconds), float(options.transitionSeconds)) == HPDF_OK;
    return ok;
}

}  // namespace

int32_t write_pdf_document(const char* pdfPath, const char* const* paths, int32_t count, const PdfOptions& options,
                           bool* paged, char* messages, int32_t messageBytes) noexcept
{
    if (messages && messageBytes > 0) messages[0] = '\0';
    if (paged)
        for (int32_t i = 0; i < count; ++i) paged[i] = false;
    if (!pdfPath || !paths || count <= 0) return 0;
    Messages sink{messages, messageBytes};
    HPDF_Doc pdf = HPDF_NewEx(on_error, allocate, release, 0, &sink);
    if (!pdf) return 0;
    int32_t pages = 0;
    bool ok = HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL) == HPDF_OK;
    if (ok && options.slideShow) ok = HPDF_SetPageMode(pdf, HPDF_PAGE_MODE_FULL_SCREEN) == HPDF_OK;
    for (int32_t i = 0; i < count && ok; ++i) {
        int32_t width = 0, height = 0;
        HPDF_Image image = paths[i] ? load_picture(pdf, paths[i], width, height) : nullptr;
        if (!image) continue;
        ok = add_page(pdf, image, width, height, options);
        if (ok) {
            ++pages;
            if (paged) paged[i] = true;
        }
    }
    // The document goes to a new file beside the destination, which takes its
    // name once the library has written it whole.
    ReplacingFile file;
    ok = ok && pages > 0 && open_replacing(file, pdfPath);
    if (ok) {
        ok = HPDF_SaveToFile(pdf, file.tempPath) == HPDF_OK;
        ok = ok ? commit_replacing(file) : (abandon_replacing(file), false);
    }
    HPDF_Free(pdf);
    if (!ok && paged)
        for (int32_t i = 0; i < count; ++i) paged[i] = false;
    return ok ? pages : 0;
}

}  // namespace mur::imaging

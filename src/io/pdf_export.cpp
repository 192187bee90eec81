// PDF documents and slide shows of picture files: the host adds the files,
// then makes the document; the files that became pages are deleted once the
// document is written.
#include "engine/export_state.h"
#include "engine/guard.h"
#include "engine/memory.h"
#include "imaging/pdf_document.h"
#include "imaging/replacing_file.h"
#include "io/io.h"

#include <cstdio>
#include <cstring>

namespace mur {
namespace {

// The slide show: the library's transition style 9 (boxes closing in on the
// middle), a transition of 1 second, each page shown for 4 seconds.
constexpr imaging::PdfOptions kSlideShow{true, 9, 1, 4};

}  // namespace

void io::pdf_reset()
{
    PdfImageList& list = exporting.pdf;
    if (list.paths)
        for (int32_t i = 0; i < list.count; ++i) mem::release_nothrow(list.paths[i]);
    mem::release_nothrow(list.paths);
    list = PdfImageList{};
}

int32_t io::pdf_add_image(const char* imagePath)
{
    PdfImageList& list = exporting.pdf;
    if (!imagePath || !*imagePath || list.count >= kMaxPdfImages) return 0;
    const std::size_t length = strnlen(imagePath, imaging::kMaxPathBytes + 1);
    if (length > imaging::kMaxPathBytes) return 0;
    if (!list.paths) {
        list.paths = mem::try_alloc_array<char*>(kMaxPdfImages);
        if (!list.paths) return 0;
    }
    auto* copy = static_cast<char*>(mem::try_alloc(length + 1));
    if (!copy) return 0;
    std::memcpy(copy, imagePath, length);
    list.paths[list.count++] = copy;
    return 1;
}

int32_t io::make_pdf(const char* pdfPath, bool slideShow)
{
    PdfImageList& list = exporting.pdf;
    int32_t written = 0;
    if (pdfPath && list.count > 0) {
        const mem::Owned<bool> paged(mem::try_alloc_array<bool>(std::size_t(list.count)));
        if (!paged) return 0;
        // The library's messages stay here: the caller learns only whether
        // the document was written.
        char messages[1024];
        const imaging::PdfOptions options = slideShow ? kSlideShow : imaging::PdfOptions{};
        written = imaging::write_pdf_document(pdfPath, list.paths, list.count, options, paged.get(), messages,
                                              int32_t(sizeof messages)) > 0;
        if (written)
            for (int32_t i = 0; i < list.count; ++i)
                if (paged[i]) std::remove(list.paths[i]);
    }
    pdf_reset();
    return written;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_I2PDF_Reset(void)
{
    guard("I2PDF_Reset", [&] { io::pdf_reset(); });
}

MUR_API int32_t MUR_I2PDF_AddImage(const char* imagePath)
{
    return guard("I2PDF_AddImage", int32_t{0}, [&] { return io::pdf_add_image(imagePath); });
}

MUR_API int32_t MUR_I2PDF_MakePDF(const char* pdfPath)
{
    return guard("I2PDF_MakePDF", int32_t{0}, [&] { return io::make_pdf(pdfPath, false); });
}

MUR_API int32_t MUR_I2PDF_MakePDFSlideshow(const char* pdfPath)
{
    return guard("I2PDF_MakePDFSlideshow", int32_t{0}, [&] { return io::make_pdf(pdfPath, true); });
}

}  // extern "C"

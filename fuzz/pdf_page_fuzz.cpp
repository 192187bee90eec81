// A PDF document of one picture file of arbitrary bytes: the picture
// readers, then libharu's JPEG header parser for the files our reader took
// as JPEG, then the document written.
#include "imaging/pdf_document.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string base = "/tmp/mur_fuzz_pdf_" + std::to_string(getpid());
    static const std::string picture = base + ".pic", document = base + ".pdf";
    std::FILE* f = std::fopen(picture.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const char* paths[] = {picture.c_str()};
    bool paged = false;
    char messages[1024];
    mur::imaging::write_pdf_document(document.c_str(), paths, 1, {}, &paged, messages, int32_t(sizeof messages));
    std::remove(document.c_str());
    return 0;
}

// The JPEG reader on arbitrary bytes (see picture_target.h).
#include "imaging/jpeg_reader.h"
#include "picture_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_picture_reader(data, size, mur::imaging::read_jpeg_from_memory);
}

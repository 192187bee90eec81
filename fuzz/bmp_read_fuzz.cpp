// The BMP reader on arbitrary bytes (see picture_target.h).
#include "imaging/bmp_reader.h"
#include "picture_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_picture_reader(data, size, mur::imaging::read_bmp_from_memory);
}

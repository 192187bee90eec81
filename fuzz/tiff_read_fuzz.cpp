// The TIFF reader on arbitrary bytes (see picture_target.h).
#include "imaging/tiff_reader.h"
#include "picture_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_picture_reader(data, size, mur::imaging::read_tiff_from_memory);
}

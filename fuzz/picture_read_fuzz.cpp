// Reading a picture of any kind from memory (PNG, JPEG, GIF, TIFF, BMP, TGA,
// chosen by content) on arbitrary bytes (see picture_target.h).
#include "imaging/picture_reader.h"
#include "picture_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_picture_reader(data, size, mur::imaging::read_picture_from_memory);
}

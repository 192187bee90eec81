// Clipboard blocks (DIBs without a file header) on arbitrary bytes (see
// picture_target.h).
#include "picture_target.h"
#include "platform/clipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_picture_reader(data, size, mur::platform::decode_dib);
}

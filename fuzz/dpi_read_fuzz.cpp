// The header resolution reader on arbitrary bytes (BMP, JPEG, PNG, TIFF, PSD
// and PCX headers): every field is read within the data, and the result is
// a resolution of 0 or more; snapped, one of the common values or 72.
#include "imaging/resolution.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int32_t dpi = mur::imaging::read_dpi_from_memory(data, size);
    if (dpi < 0) __builtin_trap();
    const int32_t snapped = mur::imaging::snap_dpi(dpi);
    if (snapped != 72 && snapped != 96 && snapped != 150 && snapped != 200 && snapped != 300 && snapped != 450 &&
        snapped != 600)
        __builtin_trap();
    return 0;
}

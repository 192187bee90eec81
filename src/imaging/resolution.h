// The resolution a picture file records in its header, in dots per inch.
//
// Read from BMP (pixels per metre), JPEG (JFIF density: per inch or per
// centimetre), PNG (pHYs: per metre), TIFF (XResolution with its unit: per
// inch or per centimetre), PSD (ResolutionInfo, which keeps pixels per inch
// whichever unit it is shown in) and PCX (dots per inch). Per centimetre becomes truncate(value *
// 2.5400000025908), per metre truncate(value * 0.025400000025908). A file
// of another kind, without a resolution or with another unit gives 72.
// Only the bytes of the data are read, each bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

inline constexpr int32_t kDefaultDpi = 72;

// The header's resolution before snapping.
int32_t read_dpi_from_memory(const uint8_t* data, std::size_t size) noexcept;

// The common resolutions within one of their value: 95..97 -> 96, 149..151
// -> 150, 199..201 -> 200, 299..301 -> 300, 449..451 -> 450, 599..601 ->
// 600; every other value -> 72.
int32_t snap_dpi(int32_t dpi) noexcept;

// A file's snapped resolution; 72 when it cannot be opened. Only the first
// megabyte is read.
int32_t read_dpi(const char* path) noexcept;

}  // namespace mur::imaging

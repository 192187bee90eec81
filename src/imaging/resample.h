// Resampling of RGBA32 and RGBA64 pictures to any size with a choice of
// filters.
//
// The resampler is separable: one pass along the rows and one along the
// columns (whichever order costs less), each output sample a weighted sum of
// the source samples under the filter, with the weights of every output
// column and row worked out once per call. When shrinking, a filter is
// stretched by the reduction factor so that it averages instead of skipping
// pixels; near the picture edges the weights of the pixels that exist are
// renormalised. Colours are filtered premultiplied by their alpha (pictures
// with one alpha throughout skip that step), so transparent pixels, whatever
// colour they hold, do not bleed into their neighbours. Rows are shared among
// OpenMP threads; every output value is computed the same way whatever their
// number.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// The library's filter ids.
enum class ResizeFilter : int32_t {
    Box = 0,
    Triangle = 1,
    Hamming = 2,
    Gaussian = 3,
    Bell = 4,
    BSpline = 5,
    Cubic1 = 6,
    Cubic2 = 7,
    Lanczos3 = 8,
    Mitchell = 9,
    Sinc = 10,
    Hermite = 11,
    Hanning = 12,
    Catrom = 13,
    AreaAverage = 15,
    Bicubic = 17,
    Nearest = 18,
};

// How a filter turns source pixels into an output pixel.
enum class FilterSampling {
    Kernel,    // a weighting function over the source positions around the output's centre
    Coverage,  // each source pixel by the share of the output pixel it covers
    Nearest,   // the one source pixel under the output's centre
};

struct FilterRecord {
    ResizeFilter id;
    const char* name;  // as the geometry operations name it
    FilterSampling sampling;
    double (*kernel)(double x, const FilterRecord& self);  // Kernel sampling only; even in x
    double support;    // the kernel is 0 beyond this distance, at scale 1
    double b;          // cubics: Mitchell-Netravali B; the Gaussian: its sigma
    double c;          // cubics: Mitchell-Netravali C
};

// The record of a filter id; null for ids that are not filters (14, 16, ...).
const FilterRecord* filter_record(ResizeFilter id) noexcept;
const FilterRecord* filter_record(int32_t id) noexcept;

// The filter of a name of the resize operation ("Area Average", "Nearest
// Neighbor", "Bilinear", "Bicubic", "Box", ... "Catrom"; exact case). Any
// other name, and null, is "Lanczos3".
ResizeFilter resize_filter_from_name(const char* name) noexcept;

// Resamples `src` into `dst`, both RGBA32 (bytesPerPixel 4) or both RGBA64
// (bytesPerPixel 8, 16-bit channels), of any sizes. The views must not
// overlap. False when the views are unusable or memory cannot be had; `dst`
// is then untouched.
bool resample(const ConstImageView& src, const ImageView& dst, ResizeFilter filter) noexcept;

// The general resize: `mode` is a filter id (8 Lanczos3, 15 area average,
// 17 bicubic, ...); false for a number that is no filter.
bool general_resize(const ConstImageView& src, const ImageView& dst, int32_t mode) noexcept;

// The plain resize: bilinear (a triangle filter, stretched when shrinking).
bool plain_resize(const ConstImageView& src, const ImageView& dst) noexcept;

// Decimation: every output pixel the average of the source area it covers.
bool decimate(const ConstImageView& src, const ImageView& dst) noexcept;

}  // namespace mur::imaging

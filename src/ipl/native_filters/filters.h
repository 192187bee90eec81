// The native filters, one function each; the table in native_filter_table.cpp
// gives them their names.
#pragma once

#include "ipl/native_filters/native_filter.h"

namespace mur::ipl::filters {

// Directional smears (smear_filters.cpp): eight in-place passes each.
void value_blur(NativeFilterContext& ctx);
void noise_reduction(NativeFilterContext& ctx);
void noise_reduction_rgb(NativeFilterContext& ctx);
void anti_alias(NativeFilterContext& ctx);

// Point filters (point_filters.cpp).
void grayscale(NativeFilterContext& ctx);
void invert(NativeFilterContext& ctx);
void basic_threshold(NativeFilterContext& ctx);
void hyper_contrast(NativeFilterContext& ctx);
void adjust_rgba(NativeFilterContext& ctx);
void clamp(NativeFilterContext& ctx);
void channel(NativeFilterContext& ctx);
void alpha_edge_color(NativeFilterContext& ctx);
void adjust_lab(NativeFilterContext& ctx);

// Neighbourhood filters.
void box_blur(NativeFilterContext& ctx);          // box_blur.cpp
void bas_relief(NativeFilterContext& ctx);        // neighbourhood_filters.cpp
void line_art_cleaner(NativeFilterContext& ctx);  // neighbourhood_filters.cpp
void detail_blur(NativeFilterContext& ctx);       // neighbourhood_filters.cpp
void adaptive_blur(NativeFilterContext& ctx);     // neighbourhood_filters.cpp

// Geometric and regional filters (geometric_filters.cpp, vignette.cpp).
void reflection(NativeFilterContext& ctx);
void mirror(NativeFilterContext& ctx);
void gallery_wrap_mirror_auto(NativeFilterContext& ctx);
void fader(NativeFilterContext& ctx);
void borderize(NativeFilterContext& ctx);
void vignette(NativeFilterContext& ctx);

// Mask makers (mask_filters.cpp): they write the selection mask.
void mask_high_low(NativeFilterContext& ctx);
void mask_detail(NativeFilterContext& ctx);

}  // namespace mur::ipl::filters

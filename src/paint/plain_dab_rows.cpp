// The portable row kernels of the plain dab (see plain_dab_rows.h), and the
// choice between them and the AVX2 ones.
#include "paint/plain_dab_rows.h"

#include <algorithm>

namespace mur::plain_dab {
namespace {

// One pixel at a time; the choices of the row are template arguments, its
// values are copied into locals so that the stores to the target cannot make
// the compiler read them again.
template <bool Grit, bool Texture, bool MaskCoverage, bool MaskCap>
void paint_row(const PlainRow& row) noexcept
{
    const uint32_t colour[4] = {row.colour[0], row.colour[1], row.colour[2], row.colour[3]};
    const uint32_t scale = row.alphaScale;
    const bool scaled = scale != 128;
    const int32_t density = row.density;
    const bool solid = row.solid, writeAlpha = row.writeAlpha;
    uint16_t* const target = row.target;
    const uint16_t* const mask = row.mask;
    const uint8_t* const texture = row.texture;
    const uint8_t* const grit = row.grit;
    const uint16_t* const shape = row.shape;
    const int32_t* const steps = row.steps;
    const int32_t right = row.right;
    Reciprocal inverse;
    for (int32_t x = row.left, k = 0; x < right; ++x, ++k) {
        const int32_t u = steps[k];
        if constexpr (Grit)
            if (int32_t{grit[u]} > density) continue;
        uint32_t a = shape[u];
        if (scaled) a = (a * scale) >> 7;
        if constexpr (Texture)
            if (texture[x] < 255) a = (texture[x] * a) >> 8;
        if constexpr (MaskCoverage)
            if (mask[x] < 65535) a = (mask[x] * a) >> 16;
        if (a == 0) continue;
        if (solid) a = 65535;
        uint16_t* dst = target + int64_t(x) * 4;
        uint32_t out[3];
        uint32_t n = dab::mix_normal(a, colour, dst, out, inverse);
        dst[0] = static_cast<uint16_t>(out[0]), dst[1] = static_cast<uint16_t>(out[1]), dst[2] = static_cast<uint16_t>(out[2]);
        if (writeAlpha) {
            if constexpr (MaskCap) n = std::min<uint32_t>(n, mask[x]);
            dst[3] = static_cast<uint16_t>(std::min<uint32_t>(n, 65535));
        }
    }
}

template <int Flags>
constexpr RowKernel kernel_for = paint_row<(Flags & kWithGrit) != 0, (Flags & kWithTexture) != 0,
                                           (Flags & kMaskOnCoverage) != 0, (Flags & kMaskCapsAlpha) != 0>;

constexpr RowKernels kPortable{{
    kernel_for<0>,  kernel_for<1>,  kernel_for<2>,  kernel_for<3>,  kernel_for<4>,  kernel_for<5>,
    kernel_for<6>,  kernel_for<7>,  kernel_for<8>,  kernel_for<9>,  kernel_for<10>, kernel_for<11>,
    kernel_for<12>, kernel_for<13>, kernel_for<14>, kernel_for<15>,
}};

}  // namespace

const RowKernels& portable_rows() noexcept { return kPortable; }

bool avx2_available() noexcept
{
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

const RowKernels& plain_rows() noexcept
{
    static const RowKernels& kernels = avx2_available() ? avx2_rows() : portable_rows();
    return kernels;
}

}  // namespace mur::plain_dab

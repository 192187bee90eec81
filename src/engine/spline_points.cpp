// The three-point curve the host draws smooth strokes along.
#include "engine/fault.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/spline.h"

#include <cmath>
#include <cstdint>

using namespace mur;

namespace {

// An index not below the count (negative ones included, compared unsigned)
// reads the last point; with no curve yet there is nothing to read.
int32_t spline_value(const double* values, int32_t index) noexcept
{
    const int32_t count = engine.splineCount;
    if (count <= 0) return 0;
    const auto i = static_cast<uint32_t>(index) < static_cast<uint32_t>(count) ? index : count - 1;
    const double v = std::trunc(values[i]);
    if (!(v > INT32_MIN)) return INT32_MIN;
    return v < INT32_MAX ? static_cast<int32_t>(v) : INT32_MAX;
}

}  // namespace

extern "C" {

MUR_API void MUR_CalcSpline3(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t)
{
    guard("CalcSpline3", [&] {
        const imaging::Point2 through[3] = {{double(x0), double(y0)}, {double(x1), double(y1)}, {double(x2), double(y2)}};
        imaging::Point2 curve[kSplinePoints];
        // The curve fails only when its working memory cannot be had.
        if (!imaging::sample_spline_through_points(through, curve)) throw Fault("spline");
        for (int i = 0; i < kSplinePoints; ++i) {
            engine.splineX[i] = curve[i].x;
            engine.splineY[i] = curve[i].y;
        }
        engine.splineCount = kSplinePoints;
    });
}

MUR_API int32_t MUR_GetSplinePointCount(void)
{
    return mur::guard<int32_t>("GetSplinePointCount", 0, [&] { return engine.splineCount; });
}
MUR_API int32_t MUR_GetSplinePointX(int32_t index)
{
    return mur::guard<int32_t>("GetSplinePointX", 0, [&] { return spline_value(engine.splineX, index); });
}
MUR_API int32_t MUR_GetSplinePointY(int32_t index)
{
    return mur::guard<int32_t>("GetSplinePointY", 0, [&] { return spline_value(engine.splineY, index); });
}

}  // extern "C"

// Pictures made from picture files: thumbnails (a 24-bit BMP whose longest
// side is given, transparent pixels whitened) and web pictures (a JPEG of
// quality 75 within a width and height, keeping the aspect ratio).
#include "engine/guard.h"
#include "imaging/line_writer.h"
#include "imaging/resample.h"
#include "io/io.h"
#include "ipl/ipl.h"

#include <algorithm>
#include <cmath>

namespace mur {
namespace {

// Releases both pictures on every way out.
struct Pictures {
    imaging::Rgba32Picture source, target;
    ~Pictures()
    {
        imaging::release_picture(source);
        imaging::release_picture(target);
    }
};

int32_t at_least_one(double side) noexcept
{
    const double t = std::trunc(side);
    return t < 1.0 ? 1 : t > imaging::kMaxPictureSide ? imaging::kMaxPictureSide : int32_t(t);
}

// Drops the alpha (every pixel opaque, its colour as it is), resamples to
// the target size (decimation when both sides shrink, else the plain
// resize) and writes the RGB result.
bool resample_and_write(Pictures& p, int32_t width, int32_t height, const char* destination,
                        imaging::LineFormat format, int32_t quality)
{
    imaging::Rgba32Picture& s = p.source;
    for (std::size_t i = 0, n = std::size_t(s.width) * std::size_t(s.height); i < n; ++i) s.pixels[i * 4 + 3] = 255;
    if (!imaging::allocate_picture(p.target, width, height)) return false;
    const imaging::ConstImageView from(s.pixels, s.width, s.height, std::ptrdiff_t(s.width) * 4, 4);
    const imaging::ImageView to = imaging::rgba32_view(p.target.pixels, width, height, std::ptrdiff_t(width) * 4);
    const bool shrinks = width < s.width && height < s.height;
    if (!(shrinks ? imaging::decimate(from, to) : imaging::plain_resize(from, to))) return false;
    // RGB in place: each pixel's three bytes move down over the alpha bytes.
    uint8_t* rgb = p.target.pixels;
    for (std::size_t i = 0, n = std::size_t(width) * std::size_t(height); i < n; ++i)
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = rgb[i * 4 + c];
    imaging::LineSettings settings;
    settings.channels = 3;
    settings.dpi = 0;  // no resolution
    settings.quality = quality;
    return imaging::write_picture_lines(destination, format,
                                        imaging::ConstImageView(rgb, width, height, std::ptrdiff_t(width) * 3, 3),
                                        settings);
}

}  // namespace

int32_t io::make_thumbnail(const char* source, const char* destination, int32_t side)
{
    if (!source || !destination || side <= 0) return 0;
    Pictures p;
    if (!read_picture_file(source, p.source)) return 0;
    imaging::Rgba32Picture& s = p.source;
    ipl::set_color_alpha_rgba_buf(s.pixels, s.width, s.height, 255, 255, 255);
    int32_t width, height;
    if (s.height < s.width) {
        width = at_least_one(side);
        height = at_least_one(double(side) / s.width * s.height);
    } else {
        height = at_least_one(side);
        width = at_least_one(double(side) / s.height * s.width);
    }
    return resample_and_write(p, width, height, destination, imaging::LineFormat::Bmp, 97) ? 1 : 0;
}

int32_t io::make_web_picture(const char* source, const char* destination, int32_t maxWidth, int32_t maxHeight)
{
    if (!source || !destination || maxWidth <= 0 || maxHeight <= 0) return 0;
    Pictures p;
    if (!read_picture_file(source, p.source)) return 0;
    const int32_t w = p.source.width, h = p.source.height;
    int32_t width = w, height = h;
    if (double(maxWidth) / maxHeight > double(w) / h) {
        if (maxHeight < h) {
            height = maxHeight;
            width = at_least_one(double(w) * maxHeight / h);
        }
    } else if (maxWidth < w) {
        width = maxWidth;
        height = at_least_one(double(h) * maxWidth / w);
    }
    return resample_and_write(p, width, height, destination, imaging::LineFormat::Jpeg, 75) ? 1 : 0;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_MakeThumbnail(const char* source, const char* destination, int32_t side)
{
    return guard("MakeThumbnails", int32_t{0}, [&] { return io::make_thumbnail(source, destination, side); });
}

MUR_API int32_t MUR_MakeWebPic(const char* source, const char* destination, int32_t maxWidth, int32_t maxHeight)
{
    return guard("MakeWebPic", int32_t{0},
                 [&] { return io::make_web_picture(source, destination, maxWidth, maxHeight); });
}

}  // extern "C"

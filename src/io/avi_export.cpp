// Recording the frames of an AVI while the user paints: the recorder is
// bound to the image size at its creation; the compression is asked for on
// the first frame, once per recording.
#include "engine/export_state.h"
#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/bmp_reader.h"
#include "imaging/jpeg_frame.h"
#include "imaging/picture_reader.h"
#include "imaging/riff_avi.h"
#include "io/io.h"
#include "platform/avi_compression.h"

#include <algorithm>
#include <new>

namespace mur {
namespace {

// The stream's compression, asked for on the first frame. A cancelled
// choice (or a compressor that cannot be had) fails the recording until it
// is closed.
void make_stream(AviRecorder& r)
{
    r.streamMade = true;
    const platform::AviCompression choice = platform::choose_avi_compression(engine.hostWindow);
    switch (choice.codec) {
    case platform::AviCodec::Cancelled: r.aviFailed = true; return;
    case platform::AviCodec::Dib: return;
    case platform::AviCodec::MotionJpeg:
        r.jpeg = imaging::create_jpeg_frame_encoder(choice.quality);
        if (!r.jpeg || !imaging::avi_choose_codec(*r.aviFile, imaging::AviCodec::MotionJpeg)) r.aviFailed = true;
        return;
    }
}

int32_t append(AviRecorder& r, const imaging::ConstImageView& frame)
{
    if (!r.streamMade) make_stream(r);
    if (r.aviFailed) return 0;
    bool written = false;
    if (r.jpeg) {
        const uint8_t* data = nullptr;
        std::size_t size = 0;
        written = imaging::encode_jpeg_frame(*r.jpeg, frame, data, size) &&
                  imaging::avi_write_compressed_frame(*r.aviFile, data, size);
    } else {
        written = imaging::avi_write_dib_frame(*r.aviFile, frame);
    }
    if (!written) {
        r.aviFailed = true;
        return 0;
    }
    ++r.frameIndex;
    return 1;
}

}  // namespace

int32_t io::close_avi()
{
    AviRecorder& r = exporting.avi;
    if (!r.aviFile) return 0;
    const bool complete = imaging::avi_close(*r.aviFile) && !r.aviFailed;
    imaging::release_jpeg_frame_encoder(r.jpeg);
    mem::release_nothrow(r.aviFile);
    r = AviRecorder{};
    return complete ? 1 : 0;
}

int32_t io::create_avi(const char* path, int32_t framePeriod)
{
    close_avi();
    if (!path || framePeriod < 1 || engine.width <= 0 || engine.height <= 0) return 0;
    auto* writer = static_cast<imaging::AviWriter*>(mem::try_alloc(sizeof(imaging::AviWriter)));
    if (!writer) return 0;
    new (writer) imaging::AviWriter();
    if (!imaging::avi_open(*writer, path, engine.width, engine.height, framePeriod)) {
        mem::release_nothrow(writer);
        return 0;
    }
    AviRecorder& r = exporting.avi;
    r.aviFile = writer;
    r.framePeriod = framePeriod;
    r.aviWidth = engine.width;
    r.aviHeight = engine.height;
    return 1;
}

int32_t io::write_avi_rgb24(const uint8_t* pixels, int32_t width, int32_t height)
{
    AviRecorder& r = exporting.avi;
    if (!r.aviFile || !pixels || width != r.aviWidth || height != r.aviHeight) return 0;
    return append(r, imaging::ConstImageView(pixels, width, height, std::ptrdiff_t(width) * 3, 3));
}

int32_t io::write_avi_bmp(const char* bmpPath)
{
    AviRecorder& r = exporting.avi;
    if (!r.aviFile || !bmpPath) return 0;
    // A bitmap of another size is refused before its pixels are decoded.
    imaging::PictureLimits limits;
    limits.maxSide = std::max(r.aviWidth, r.aviHeight);
    limits.maxPixels = uint64_t(r.aviWidth) * uint64_t(r.aviHeight);
    imaging::ByteBlock file;
    if (!imaging::read_file_bytes(bmpPath, file)) return 0;
    imaging::Rgba32Picture picture;
    const bool read = imaging::read_bmp_from_memory(file.data, file.size, picture, limits);
    imaging::release_block(file);
    int32_t written = 0;
    if (read && picture.width == r.aviWidth && picture.height == r.aviHeight)
        written = append(r, imaging::ConstImageView(picture.pixels, picture.width, picture.height,
                                                    std::ptrdiff_t(picture.width) * 4, 4));
    imaging::release_picture(picture);
    return written;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_CreateAVI(const char* path, int32_t framePeriod)
{
    return guard("CreateAVI", int32_t{0}, [&] { return io::create_avi(path, framePeriod); });
}

MUR_API int32_t MUR_WriteAVI(const char* bmpPath)
{
    return guard("WriteAVI", int32_t{0}, [&] { return io::write_avi_bmp(bmpPath); });
}

MUR_API int32_t MUR_WriteAVI_RGB24(const uint8_t* pixels, int32_t width, int32_t height)
{
    return guard("WriteAVI_RGB24", int32_t{0}, [&] { return io::write_avi_rgb24(pixels, width, height); });
}

MUR_API int32_t MUR_CloseAVI(void)
{
    return guard("CloseAVI", int32_t{0}, [&] { return io::close_avi(); });
}

MUR_API int32_t MUR_SetAVICompression(int32_t codec, int32_t quality)
{
    return guard("SetAVICompression", int32_t{0},
                 [&] { return platform::set_avi_compression(codec, quality) ? 1 : 0; });
}

}  // extern "C"

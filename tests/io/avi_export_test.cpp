// AVI recording: our own parse of the RIFF tree, ffprobe's and ffmpeg's
// view of the same files, and the recorder's life cycle (the compression
// asked once, "cancelled", frames of another size, a second recording).
#include "io/avi_parse.h"
#include "io/external_readers.h"
#include "imaging/picture_reader.h"
#include "platform/avi_compression.h"
#include "support/engine_fixture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>

#include <sys/resource.h>

#include <csignal>

namespace mur::test {
namespace {

constexpr int kW = 61, kH = 37;  // odd: the rows are padded

// Frame k: smooth gradients that move with k, and a hard-edged square.
std::vector<uint8_t> frame_rgb(int k, int w = kW, int h = kH)
{
    std::vector<uint8_t> v(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &v[(std::size_t(y) * w + x) * 3];
            const bool square = x >= 5 + 4 * k && x < 15 + 4 * k && y >= 10 && y < 20;
            p[0] = square ? 250 : uint8_t(x * 255 / (w - 1));
            p[1] = square ? 20 : uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t((x + y + 16 * k) * 2);
        }
    return v;
}

// An 8-bit BMP through a palette of gray levels: gray (x * 4 + y) & 255.
std::vector<uint8_t> gray_bmp8(int w, int h, std::vector<uint8_t>& rgb)
{
    const int rowBytes = (w + 3) & ~3;
    std::vector<uint8_t> f(54 + 1024 + std::size_t(rowBytes) * h, 0);
    auto put32 = [&](std::size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i)); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, uint32_t(f.size()));
    put32(10, 54 + 1024);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    f[26] = 1;
    f[28] = 8;
    put32(46, 256);
    for (int i = 0; i < 256; ++i) f[54 + i * 4] = f[55 + i * 4] = f[56 + i * 4] = uint8_t(i);
    rgb.assign(std::size_t(w) * h * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t g = uint8_t(x * 4 + y);
            f[54 + 1024 + std::size_t(h - 1 - y) * rowBytes + x] = g;
            for (int c = 0; c < 3; ++c) rgb[(std::size_t(y) * w + x) * 3 + c] = g;
        }
    return f;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

double mean_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

// ffprobe's summary: codec, width, height, frame rate, frames decoded.
std::string ffprobe_summary(const std::string& path)
{
    return command_output("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                          "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 " +
                          shell_quoted(path) + " 2>&1");
}

// Frame n as ffmpeg decodes it, RGB24.
std::vector<uint8_t> ffmpeg_frame(const std::string& path, int n)
{
    const std::string out = command_output("ffmpeg -v error -i " + shell_quoted(path) + " -vf 'select=eq(n\\," +
                                           std::to_string(n) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    return {out.begin(), out.end()};
}

struct CountingDialog {
    int asked = 0;
    platform::AviCompression answer;
};

platform::AviCompression count_and_answer(void* user, MUR_Window, platform::AviCompression)
{
    auto* d = static_cast<CountingDialog*>(user);
    ++d->asked;
    return d->answer;
}

class AviExport : public EngineTest {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(kW, kH);
    }
};

// Uncompressed frames from RGB24 buffers and from BMP files of 24 and 8 bits:
// our parse finds every size, header field and index row as written, the
// frames' pixels as given, and ffprobe and ffmpeg agree.
TEST_F(AviExport, UncompressedFramesKeepEveryPixelInASoundRiffTree)
{
    const std::string path = dir / "frames.avi", bmp24 = dir / "frame24.bmp", bmp8 = dir / "frame8.bmp",
                      small = dir / "small.bmp";
    std::vector<std::vector<uint8_t>> expected;
    ASSERT_EQ(MUR_CreateAVI(path.c_str(), 250), 1);
    for (int k = 0; k < 3; ++k) {
        expected.push_back(frame_rgb(k));
        ASSERT_EQ(MUR_WriteAVI_RGB24(expected.back().data(), kW, kH), 1);
    }
    // Frames of another size are ignored, from buffers and from files alike.
    const std::vector<uint8_t> other = frame_rgb(0, kW - 1, kH);
    EXPECT_EQ(MUR_WriteAVI_RGB24(other.data(), kW - 1, kH), 0);
    EXPECT_EQ(MUR_WriteAVI_RGB24(other.data(), kW, kH + 1), 0);
    EXPECT_EQ(MUR_WriteAVI_RGB24(nullptr, kW, kH), 0);
    ASSERT_EQ(MUR_WriteToFileRGB24(other.data(), kW - 1, kH, small.c_str(), ".bmp", 0), 1);
    EXPECT_EQ(MUR_WriteAVI(small.c_str()), 0);
    EXPECT_EQ(MUR_WriteAVI((dir / "missing.bmp").c_str()), 0);
    expected.push_back(frame_rgb(3));
    ASSERT_EQ(MUR_WriteToFileRGB24(expected.back().data(), kW, kH, bmp24.c_str(), ".bmp", 96), 1);
    EXPECT_EQ(MUR_WriteAVI(bmp24.c_str()), 1);
    expected.emplace_back();
    write_bytes(bmp8, gray_bmp8(kW, kH, expected.back()));
    EXPECT_EQ(MUR_WriteAVI(bmp8.c_str()), 1);
    expected.push_back(frame_rgb(4));
    EXPECT_EQ(MUR_WriteAVI_RGB24(expected.back().data(), kW, kH), 1);
    ASSERT_EQ(MUR_CloseAVI(), 1);
    EXPECT_EQ(MUR_CloseAVI(), 0);

    const ParsedAvi avi = parse_avi_file(path);
    ASSERT_EQ(avi.error, "");
    const uint32_t frames = uint32_t(expected.size());  // rows of 61 x 3 = 183 bytes, padded to 184
    EXPECT_EQ(avi.microSecPerFrame, 250000u);
    EXPECT_EQ(avi.flags & 0x10, 0x10u);
    EXPECT_EQ(avi.totalFrames, frames);
    EXPECT_EQ(avi.streams, 1u);
    EXPECT_EQ(avi.width, uint32_t(kW));
    EXPECT_EQ(avi.height, uint32_t(kH));
    EXPECT_EQ(avi.type, "vids");
    EXPECT_EQ(avi.handler, "DIB ");
    EXPECT_EQ(avi.scale, 250u);
    EXPECT_EQ(avi.rate, 1000u);
    EXPECT_EQ(avi.length, frames);
    EXPECT_EQ(avi.streamBuffer, 184u * kH);
    EXPECT_EQ(avi.frame[0], 0);
    EXPECT_EQ(avi.frame[1], 0);
    EXPECT_EQ(avi.frame[2], kW);
    EXPECT_EQ(avi.frame[3], kH);
    EXPECT_EQ(avi.infoSize, 40u);
    EXPECT_EQ(avi.infoWidth, kW);
    EXPECT_EQ(avi.infoHeight, kH);  // positive: bottom-up
    EXPECT_EQ(avi.bitCount, 24u);   // the 8-bit BMP did not change the format
    EXPECT_EQ(avi.compression, "");
    EXPECT_EQ(avi.sizeImage, 184u * kH);
    ASSERT_EQ(avi.frames.size(), frames);
    ASSERT_TRUE(avi.hasIndex);
    ASSERT_EQ(avi.index.size(), frames);
    for (uint32_t i = 0; i < frames; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(avi.frames[i].id, "00db");
        EXPECT_EQ(dib_frame_to_rgb(avi.frames[i].data, kW, kH), expected[i]);
        EXPECT_EQ(avi.index[i].id, "00db");
        EXPECT_EQ(avi.index[i].flags, 0x10u);
        EXPECT_EQ(avi.index[i].offset, avi.frames[i].offset);
        EXPECT_EQ(avi.index[i].size, avi.frames[i].data.size());
    }

    if (!have_program("ffprobe") || !have_program("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    EXPECT_EQ(ffprobe_summary(path), "rawvideo,61,37,4/1," + std::to_string(frames) + "\n");
    EXPECT_EQ(ffmpeg_frame(path, 1), expected[1]);
    EXPECT_EQ(ffmpeg_frame(path, 4), expected[4]);
}

// Motion JPEG: every chunk a whole JPEG near its source, for our reader and
// for ffmpeg; 99 ms a frame.
TEST_F(AviExport, MotionJpegFramesAreJpegsNearTheirSources)
{
    const std::string path = dir / "mjpeg.avi";
    ASSERT_EQ(MUR_SetAVICompression(1, 90), 1);
    ASSERT_EQ(MUR_CreateAVI(path.c_str(), 99), 1);
    std::vector<std::vector<uint8_t>> expected;
    for (int k = 0; k < 4; ++k) {
        expected.push_back(frame_rgb(k));
        ASSERT_EQ(MUR_WriteAVI_RGB24(expected.back().data(), kW, kH), 1);
    }
    ASSERT_EQ(MUR_CloseAVI(), 1);
    const ParsedAvi avi = parse_avi_file(path);
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.microSecPerFrame, 99000u);
    EXPECT_EQ(avi.handler, "MJPG");
    EXPECT_EQ(avi.compression, "MJPG");
    EXPECT_EQ(avi.scale, 99u);
    ASSERT_EQ(avi.frames.size(), 4u);
    ASSERT_EQ(avi.index.size(), 4u);
    uint32_t largest = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const std::vector<uint8_t>& jpeg = avi.frames[i].data;
        EXPECT_EQ(avi.frames[i].id, "00dc");
        EXPECT_EQ(avi.index[i].offset, avi.frames[i].offset);
        EXPECT_EQ(avi.index[i].size, jpeg.size());
        largest = std::max(largest, uint32_t(jpeg.size()));
        imaging::Rgba32Picture picture;
        ASSERT_TRUE(imaging::read_picture_from_memory(jpeg.data(), jpeg.size(), picture));
        std::vector<uint8_t> rgb;
        for (int p = 0; p < kW * kH; ++p) rgb.insert(rgb.end(), picture.pixels + p * 4, picture.pixels + p * 4 + 3);
        imaging::release_picture(picture);
        EXPECT_LT(mean_difference(rgb, expected[i]), 4.0);
    }
    EXPECT_EQ(avi.streamBuffer, largest);

    if (!have_program("ffprobe") || !have_program("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    EXPECT_EQ(ffprobe_summary(path), "mjpeg,61,37,1000/99,4\n");
    EXPECT_LT(mean_difference(ffmpeg_frame(path, 2), expected[2]), 4.0);
}

// The compression is asked for once a recording, on its first frame; after
// "cancelled" nothing is written until the recorder is closed and created
// again, and the closed file is a sound AVI without frames.
TEST_F(AviExport, CompressionIsAskedOnceAndCancelledTakesNoFrameUntilRecreated)
{
    CountingDialog dialog;
    platform::attach_avi_compression_dialog(count_and_answer, &dialog);
    const std::vector<uint8_t> frame = frame_rgb(0);
    const std::string first = dir / "first.avi", second = dir / "second.avi";
    ASSERT_EQ(MUR_CreateAVI(first.c_str(), 40), 1);
    EXPECT_EQ(dialog.asked, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 1);
    EXPECT_EQ(dialog.asked, 1);
    ASSERT_EQ(MUR_CloseAVI(), 1);

    dialog.answer = {platform::AviCodec::Cancelled, 0};
    ASSERT_EQ(MUR_CreateAVI(second.c_str(), 40), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 0);
    EXPECT_EQ(dialog.asked, 2);
    dialog.answer = {platform::AviCodec::Dib, 0};  // too late for this recording
    EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 0);
    EXPECT_EQ(dialog.asked, 2);
    EXPECT_EQ(MUR_CloseAVI(), 0);
    const ParsedAvi empty = parse_avi_file(second);
    EXPECT_EQ(empty.error, "");
    EXPECT_EQ(empty.totalFrames, 0u);
    EXPECT_TRUE(empty.frames.empty());

    ASSERT_EQ(MUR_CreateAVI(second.c_str(), 40), 1);
    EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 1);
    EXPECT_EQ(dialog.asked, 3);
    // An answer out of range counts as cancelled.
    dialog.answer = {platform::AviCodec::MotionJpeg, 0};
    ASSERT_EQ(MUR_CreateAVI(first.c_str(), 40), 1);
    EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 0);
    MUR_CloseAVI();
    EXPECT_EQ(parse_avi_file(second).totalFrames, 1u);

    // Without a dialog the host's setting is the answer; "cancelled" too.
    platform::detach_avi_compression_dialog();
    ASSERT_EQ(MUR_SetAVICompression(-1, 0), 1);
    ASSERT_EQ(MUR_CreateAVI(first.c_str(), 40), 1);
    EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 0);
    ASSERT_EQ(MUR_SetAVICompression(0, 0), 1);
    EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 0);
}

TEST_F(AviExport, CompressionSettingsOutOfRangeAreRefused)
{
    for (const auto& [codec, quality] : {std::pair{1, 0}, {1, 101}, {1, INT_MIN}, {1, INT_MAX}, {2, 50}, {-2, 0},
                                         {INT_MIN, 50}, {INT_MAX, 50}})
        EXPECT_EQ(MUR_SetAVICompression(codec, quality), 0) << codec << " " << quality;
    for (const auto& [codec, quality] : {std::pair{1, 1}, {1, 100}, {0, INT_MIN}, {-1, INT_MAX}})
        EXPECT_EQ(MUR_SetAVICompression(codec, quality), 1) << codec << " " << quality;
    EXPECT_EQ(platform::avi_compression_setting().codec, platform::AviCodec::Cancelled);
    EXPECT_EQ(platform::avi_compression_setting().quality, 0);
}

// A second recording finishes the open one (a sound file); a period below 1,
// no image or an unwritable folder start none.
TEST_F(AviExport, ASecondRecordingFinishesTheFirstAndBadStartsMakeNone)
{
    const std::vector<uint8_t> frame = frame_rgb(1);
    const std::string a = dir / "a.avi", b = dir / "b.avi";
    ASSERT_EQ(MUR_CreateAVI(a.c_str(), 100), 1);
    ASSERT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 1);
    ASSERT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 1);
    ASSERT_EQ(MUR_CreateAVI(b.c_str(), 100), 1);
    const ParsedAvi first = parse_avi_file(a);
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(first.totalFrames, 2u);
    EXPECT_EQ(first.frames.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(b));  // named when closed
    ASSERT_EQ(MUR_CloseAVI(), 1);
    EXPECT_EQ(parse_avi_file(b).error, "");

    for (int32_t period : {0, -1, INT_MIN}) {
        EXPECT_EQ(MUR_CreateAVI((dir / "none.avi").c_str(), period), 0);
        EXPECT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 0);
        EXPECT_EQ(MUR_CloseAVI(), 0);
    }
    EXPECT_EQ(MUR_CreateAVI((dir.path / "no-folder" / "x.avi").c_str(), 40), 0);
    EXPECT_EQ(MUR_CreateAVI(nullptr, 40), 0);
    // The longest period: the microseconds a frame are held at the 32-bit most.
    ASSERT_EQ(MUR_CreateAVI((dir / "slow.avi").c_str(), INT_MAX), 1);
    ASSERT_EQ(MUR_WriteAVI_RGB24(frame.data(), kW, kH), 1);
    ASSERT_EQ(MUR_CloseAVI(), 1);
    const ParsedAvi slow = parse_avi_file(dir / "slow.avi");
    EXPECT_EQ(slow.microSecPerFrame, 0xFFFFFFFFu);
    EXPECT_EQ(slow.scale, uint32_t(INT_MAX));
    std::vector<std::string> names = dir.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.avi", "b.avi", "slow.avi"}));
    MUR_DeleteImage();
    EXPECT_EQ(MUR_CreateAVI(a.c_str(), 40), 0);
}

// A write that fails (the process's file size limit, as a full disk would)
// ends both recordings; closing them keeps the whole frames before.
TEST_F(AviExport, AWriteErrorEndsTheRecordingsAndTheFilesKeepTheFramesBefore)
{
    const std::string avi = dir / "cut.avi", gif = dir / "cut.gif";
    const std::vector<uint8_t> frame = frame_rgb(2);
    const uint64_t frameBytes = 8 + 184 * kH;
    ASSERT_EQ(MUR_CreateAVI(avi.c_str(), 40), 1);
    ASSERT_EQ(MUR_CreateGIF(gif.c_str(), 40, nullptr), 4);
    ASSERT_EQ(MUR_WriteGIF_RGB24(frame.data(), kW, kH), 1);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit cut = before;
    cut.rlim_cur = 224 + 3 * frameBytes + frameBytes / 2;  // half of the fourth frame fits
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cut), 0);
    int32_t aviFrames = 0, gifFrames = 0;
    for (int k = 0; k < 6; ++k) aviFrames += MUR_WriteAVI_RGB24(frame.data(), kW, kH);
    for (int k = 0; k < 200; ++k) gifFrames += MUR_WriteGIF_RGB24(frame_rgb(k % 8).data(), kW, kH);
    EXPECT_EQ(MUR_CloseAVI(), 0);  // not every frame was taken
    EXPECT_EQ(MUR_CloseGIF(), 1);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(aviFrames, 3);
    EXPECT_GT(gifFrames, 1);
    EXPECT_LT(gifFrames, 200);
    const ParsedAvi parsed = parse_avi_file(avi);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.totalFrames, 3u);
    EXPECT_EQ(parsed.index.size(), 3u);
    if (!have_imagemagick()) GTEST_SKIP() << "ImageMagick is not installed";
    // The GIF's first frame came before the limit.
    EXPECT_EQ(command_output("identify -format '%T\\n' " + shell_quoted(gif) + " | wc -l"),
              std::to_string(gifFrames + 1) + "\n");
}

}  // namespace
}  // namespace mur::test

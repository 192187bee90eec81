// The AVI writer at its size bound: the recording stops before the file
// would pass it, and the file it finishes holds the frames before, sound.
#include "imaging/riff_avi.h"
#include "io/avi_parse.h"
#include "io/external_readers.h"

#include <gtest/gtest.h>

#include <vector>

namespace mur::test {
namespace {

TEST(RiffAvi, TheSizeBoundStopsTheRecordingAndTheFileStaysSound)
{
    ScratchDir dir;
    const int w = 10, h = 6;
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    const uint64_t frame = 8 + imaging::avi_dib_frame_bytes(w, h) + 16;  // chunk and index row
    ASSERT_EQ(frame, 8u + 32u * 6u + 16u);
    for (const uint32_t whole : {0u, 1u, 5u}) {
        SCOPED_TRACE(std::to_string(whole) + " frames fit");
        for (const uint64_t spare : {uint64_t{0}, frame - 1}) {
            imaging::AviWriter writer;
            const std::string path = dir / ("bound" + std::to_string(whole) + "_" + std::to_string(spare) + ".avi");
            ASSERT_TRUE(imaging::avi_open(writer, path.c_str(), w, h, 40));
            writer.maxFileBytes = 224 + 8 + frame * whole + spare;  // header, index header, frames
            uint32_t written = 0;
            for (int k = 0; k < 8; ++k) {
                rgb.assign(rgb.size(), uint8_t(k * 30));
                if (imaging::avi_write_dib_frame(writer, {rgb.data(), w, h, w * 3, 3})) ++written;
            }
            EXPECT_EQ(written, whole);
            EXPECT_TRUE(writer.failed);
            ASSERT_TRUE(imaging::avi_close(writer));
            const ParsedAvi avi = parse_avi_file(path);
            ASSERT_EQ(avi.error, "");
            EXPECT_EQ(avi.totalFrames, whole);
            EXPECT_EQ(avi.length, whole);
            ASSERT_EQ(avi.frames.size(), whole);
            ASSERT_EQ(avi.index.size(), whole);
            EXPECT_EQ(std::filesystem::file_size(path), 224 + 8 + frame * whole);
            for (uint32_t i = 0; i < whole; ++i) EXPECT_EQ(avi.frames[i].data[0], uint8_t(i * 30));
        }
    }
}

TEST(RiffAvi, SizesAndPeriodsOutOfRangeOpenNothing)
{
    ScratchDir dir;
    imaging::AviWriter writer;
    const std::string path = dir / "x.avi";
    EXPECT_FALSE(imaging::avi_open(writer, path.c_str(), 0, 5, 40));
    EXPECT_FALSE(imaging::avi_open(writer, path.c_str(), 5, -1, 40));
    EXPECT_FALSE(imaging::avi_open(writer, path.c_str(), imaging::kMaxAviSide + 1, 5, 40));
    EXPECT_FALSE(imaging::avi_open(writer, path.c_str(), 5, 5, 0));
    EXPECT_FALSE(imaging::avi_open(writer, nullptr, 5, 5, 40));
    EXPECT_TRUE(dir.names().empty());
    // A frame of another size or kind is refused without failing the writer.
    ASSERT_TRUE(imaging::avi_open(writer, path.c_str(), 4, 4, 40));
    std::vector<uint8_t> rgb(4 * 4 * 4);
    EXPECT_FALSE(imaging::avi_write_dib_frame(writer, {rgb.data(), 3, 4, 12, 3}));
    EXPECT_FALSE(imaging::avi_write_dib_frame(writer, {rgb.data(), 4, 4, 8, 2}));
    EXPECT_FALSE(imaging::avi_write_compressed_frame(writer, rgb.data(), 10));  // not a Motion JPEG stream
    EXPECT_FALSE(writer.failed);
    EXPECT_TRUE(imaging::avi_write_dib_frame(writer, {rgb.data(), 4, 4, 16, 4}));
    EXPECT_FALSE(imaging::avi_choose_codec(writer, imaging::AviCodec::MotionJpeg));  // after the first frame
    ASSERT_TRUE(imaging::avi_close(writer));
    EXPECT_EQ(parse_avi_file(path).totalFrames, 1u);
}

}  // namespace
}  // namespace mur::test

#include "io/avi_parse.h"

#include <fstream>
#include <iterator>

namespace mur::test {
namespace {

uint32_t u32(const std::vector<uint8_t>& f, std::size_t at)
{
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 | uint32_t(f[at + 3]) << 24;
}
uint16_t u16(const std::vector<uint8_t>& f, std::size_t at) { return uint16_t(f[at] | f[at + 1] << 8); }
std::string fourcc(const std::vector<uint8_t>& f, std::size_t at) { return std::string(f.begin() + long(at), f.begin() + long(at) + 4); }

struct Walker {
    const std::vector<uint8_t>& f;
    ParsedAvi& out;
    std::size_t moviType = 0;

    bool fail(const std::string& why)
    {
        if (out.error.empty()) out.error = why;
        return false;
    }

    // The chunks of [begin, end): each header and its padded data inside.
    bool walk(std::size_t begin, std::size_t end, const std::string& list)
    {
        std::size_t at = begin;
        while (at < end) {
            if (end - at < 8) return fail("a chunk header crosses the end of " + list);
            const std::string id = fourcc(f, at);
            const uint32_t size = u32(f, at + 4);
            const std::size_t data = at + 8, next = data + size + (size & 1);
            if (next > end) return fail("chunk " + id + " in " + list + " passes its parent's end");
            if (id == "LIST") {
                if (size < 4) return fail("a LIST without a type");
                const std::string type = fourcc(f, data);
                if (type == "movi") moviType = data;
                if (!walk(data + 4, data + size, type)) return false;
            } else if (!chunk(id, data, size, list)) {
                return false;
            }
            at = next;
        }
        return true;
    }

    bool chunk(const std::string& id, std::size_t data, uint32_t size, const std::string& list)
    {
        if (id == "avih") {
            if (size != 56) return fail("avih of " + std::to_string(size) + " bytes");
            out.microSecPerFrame = u32(f, data);
            out.maxBytesPerSec = u32(f, data + 4);
            out.flags = u32(f, data + 12);
            out.totalFrames = u32(f, data + 16);
            out.streams = u32(f, data + 24);
            out.suggestedBuffer = u32(f, data + 28);
            out.width = u32(f, data + 32);
            out.height = u32(f, data + 36);
        } else if (id == "strh") {
            if (size < 56) return fail("a short strh");
            out.type = fourcc(f, data);
            out.handler = fourcc(f, data + 4);
            out.scale = u32(f, data + 20);
            out.rate = u32(f, data + 24);
            out.length = u32(f, data + 32);
            out.streamBuffer = u32(f, data + 36);
            for (int i = 0; i < 4; ++i) out.frame[i] = int16_t(u16(f, data + 48 + 2 * std::size_t(i)));
        } else if (id == "strf") {
            if (size < 40) return fail("a short strf");
            out.infoSize = u32(f, data);
            out.infoWidth = int32_t(u32(f, data + 4));
            out.infoHeight = int32_t(u32(f, data + 8));
            out.bitCount = u16(f, data + 14);
            out.compression = u32(f, data + 16) == 0 ? "" : fourcc(f, data + 16);
            out.sizeImage = u32(f, data + 20);
        } else if (list == "movi") {
            AviChunk c;
            c.id = id;
            c.offset = uint32_t(data - 8 - moviType);
            c.data.assign(f.begin() + long(data), f.begin() + long(data + size));
            out.frames.push_back(std::move(c));
        } else if (id == "idx1") {
            if (size % 16) return fail("an index of " + std::to_string(size) + " bytes");
            out.hasIndex = true;
            for (std::size_t at = data; at < data + size; at += 16)
                out.index.push_back({fourcc(f, at), u32(f, at + 4), u32(f, at + 8), u32(f, at + 12)});
        }
        return true;
    }
};

}  // namespace

ParsedAvi parse_avi(const std::vector<uint8_t>& f)
{
    ParsedAvi out;
    if (f.size() < 12 || fourcc(f, 0) != "RIFF" || fourcc(f, 8) != "AVI ") {
        out.error = "not a RIFF AVI form";
        return out;
    }
    if (u32(f, 4) != f.size() - 8) {
        out.error = "RIFF size " + std::to_string(u32(f, 4)) + " for a file of " + std::to_string(f.size()) + " bytes";
        return out;
    }
    Walker w{f, out};
    if (!w.walk(12, f.size(), "AVI ")) return out;
    if (!w.moviType) out.error = "no movi list";
    return out;
}

ParsedAvi parse_avi_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return parse_avi(bytes);
}

std::vector<uint8_t> dib_frame_to_rgb(const std::vector<uint8_t>& data, int width, int height)
{
    const std::size_t rowBytes = (std::size_t(width) * 3 + 3) & ~std::size_t{3};
    std::vector<uint8_t> rgb(std::size_t(width) * height * 3);
    if (data.size() != rowBytes * std::size_t(height)) return {};
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = &data[rowBytes * std::size_t(height - 1 - y)];
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) rgb[(std::size_t(y) * width + x) * 3 + c] = src[x * 3 + 2 - c];
    }
    return rgb;
}

}  // namespace mur::test

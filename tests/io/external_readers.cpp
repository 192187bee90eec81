#include "io/external_readers.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>

namespace mur::test {
namespace {

// The output of a shell command, or "" when it fails.
std::string run(const std::string& command, bool* succeeded = nullptr)
{
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    if (succeeded) *succeeded = status == 0;
    return out;
}

std::string quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

}  // namespace

bool have_program(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string command_output(const std::string& command, bool* succeeded) { return run(command, succeeded); }

std::string shell_quoted(const std::filesystem::path& path) { return quoted(path); }

bool have_imagemagick()
{
    static const bool found = std::system("identify -version >/dev/null 2>&1") == 0;
    return found;
}

bool have_pillow()
{
    static const bool found = std::system("python3 -c 'import PIL.Image' >/dev/null 2>&1") == 0;
    return found;
}

std::string identify(const std::filesystem::path& file, const std::string& format)
{
    return run("identify -format '" + format + "' " + quoted(file) + " 2>/dev/null");
}

long compare_pixels(const std::filesystem::path& a, const std::filesystem::path& b, bool autoOrient)
{
    // compare prints the metric on stderr and exits 1 when pictures differ;
    // it cannot orient a picture itself, convert does that first.
    std::filesystem::path first = a;
    if (autoOrient) {
        first = a.string() + ".oriented.pam";
        run("convert " + quoted(a) + " -auto-orient " + quoted(first) + " 2>&1");
    }
    const std::string out = run("compare -metric AE " + quoted(first) + " " + quoted(b) + " null: 2>&1");
    if (autoOrient) std::filesystem::remove(first);
    try {
        std::size_t used = 0;
        const long n = std::stol(out, &used);
        return used ? n : -1;
    } catch (...) {
        return -1;
    }
}

PillowPicture pillow_read(const std::filesystem::path& file, const std::string& mode)
{
    const std::string script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
        "sys.stdout.write('%s %dx%d %s\\n' % (im.format, im.size[0], im.size[1], im.mode))\nsys.stdout.flush()\n"
        "sys.stdout.buffer.write(im.convert(sys.argv[2]).tobytes())\n";
    const std::string out = run("python3 -c \"" + script + "\" " + quoted(file) + " " + mode + " 2>/dev/null");
    PillowPicture p;
    const std::size_t line = out.find('\n');
    if (line == std::string::npos) return p;
    p.summary = out.substr(0, line);
    p.pixels.assign(out.begin() + std::ptrdiff_t(line) + 1, out.end());
    return p;
}

void write_netpbm(const std::filesystem::path& file, const uint8_t* pixels, int width, int height, int channels)
{
    std::ofstream out(file, std::ios::binary);
    if (channels == 3)
        out << "P6\n" << width << " " << height << "\n255\n";
    else
        out << "P7\nWIDTH " << width << "\nHEIGHT " << height << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    out.write(reinterpret_cast<const char*>(pixels), std::streamsize(width) * height * channels);
}

ScratchDir::ScratchDir()
{
    static std::atomic<int> counter{0};
    path = std::filesystem::temp_directory_path() /
           ("mur_files_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchDir::names() const
{
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path)) out.push_back(entry.path().filename().string());
    return out;
}

}  // namespace mur::test

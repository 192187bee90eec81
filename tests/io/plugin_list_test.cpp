// The plug-in list on synthetic DLLs: what is listed and how it is named,
// the order names come out in, and damaged files that are never listed.
#include "support/engine_fixture.h"
#include "support/pe_builder.h"

#include "io/pe_resources.h"
#include "io/plugin_files.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace mur::test {
namespace {

namespace fs = std::filesystem;
using namespace io;

void write_file(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes one_filter(const char* category, const char* name, bool pe32plus = false)
{
    return make_pe({{"PIPL", 16000, "", filter_pipl("8BFM", category, name)}}, pe32plus).bytes;
}

std::vector<std::string> drain()
{
    std::vector<std::string> names;
    for (;;) {
        const std::string name = MUR_PhotoshopPluginNextName();
        if (name.empty()) return names;
        names.push_back(name);
    }
}

bool valid_utf8(const std::string& s)
{
    for (std::size_t i = 0; i < s.size();) {
        const uint8_t c = uint8_t(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

class PluginList : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        root = fs::temp_directory_path() / ("mur_plugins_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        drain();
    }
    void TearDown() override
    {
        drain();
        fs::remove_all(root);
        EngineTest::TearDown();
    }
    int32_t scan(const fs::path& folder) { return MUR_PhotoshopPluginScan(folder.c_str()); }
    fs::path root;
};

TEST_F(PluginList, NamesComeOutNewestFirstAndASecondScanGoesInFront)
{
    const fs::path a = root / "a", b = root / "b";
    write_file(a / "first.8bf", one_filter("Blur", "One"));
    write_file(a / "second.8BF", one_filter("Blur", "Two", true));
    write_file(a / "sub" / "third.8bf", one_filter("Sharpen", "Three"));
    write_file(a / "notes.txt", one_filter("Blur", "Not a plug-in"));
    write_file(b / "other.8bf", one_filter("Other", "Four"));

    EXPECT_STREQ(MUR_PhotoshopPluginNextName(), "");
    ASSERT_EQ(scan(a), 3);
    EXPECT_EQ(MUR_PhotoshopPluginNextName(), "Sharpen :: Three :: " + (a / "sub" / "third.8bf").string());
    ASSERT_EQ(scan(b), 1);
    EXPECT_EQ(drain(), (std::vector<std::string>{"Other :: Four :: " + (b / "other.8bf").string(),
                                                 "Blur :: Two :: " + (a / "second.8BF").string(),
                                                 "Blur :: One :: " + (a / "first.8bf").string()}));
    EXPECT_STREQ(MUR_PhotoshopPluginNextName(), "");

    // The folder as given: a trailing slash is not doubled.
    ASSERT_EQ(MUR_PhotoshopPluginScan((b.string() + "/").c_str()), 1);
    EXPECT_EQ(drain(), std::vector<std::string>{"Other :: Four :: " + (b / "other.8bf").string()});
}

TEST_F(PluginList, WhatAFileDescribesDecidesWhatIsListed)
{
    // Two filters in one file (one named by text), beside a PiPL of another
    // kind, a hidden one, one without a name and another resource type.
    std::vector<PeResource> several = {
        {"PIPL", 100, "", filter_pipl("8BFM", "Artistic", "Caf\xE9 \x80 \x81")},
        {"PIPL", 101, "", filter_pipl("8BAM", "Artistic", "Automation")},
        {"PIPL", 102, "", filter_pipl("8BFM", "**Hidden**", "Hidden")},
        {"PIPL", 103, "", filter_pipl("8BFM", "Artistic", nullptr)},
        {"PIPL", 104, "", filter_pipl("8BFM", "Artistic", "")},
        {"pipl", 0, "EXTRA", filter_pipl("8BFM", nullptr, "No Category")},
        {"ICON", 105, "", filter_pipl("8BFM", "Artistic", "Not a PiPL")},
    };
    write_file(root / "several.8bf", make_pe(several, true).bytes);
    write_file(root / "hidden.8bf", one_filter("**Hidden**", "Hidden"));
    write_file(root / "nameless.8bf", one_filter("Blur", nullptr));
    // A folder link is not followed (the folder it names is listed once);
    // a file link is a file.
    write_file(root / "z" / "linked.8bf", one_filter("Blur", "Linked"));
    fs::create_directory_symlink(root / "z", root / "y-link");
    fs::create_symlink(root / "z" / "linked.8bf", root / "x-link.8bf");

    ASSERT_EQ(scan(root), 4);
    const std::string dir = root.string();
    EXPECT_EQ(drain(), (std::vector<std::string>{
                           "Blur :: Linked :: " + dir + "/z/linked.8bf",
                           "Blur :: Linked :: " + dir + "/x-link.8bf",
                           " :: No Category :: " + dir + "/several.8bf#EXTRA",
                           "Artistic :: Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81 :: " + dir + "/several.8bf#100",
                       }));

    char file[io::kPluginPathCapacity];
    EXPECT_TRUE(io::find_listed_filter((dir + "/several.8bf#100").c_str(), file));
    EXPECT_EQ(std::string(file), dir + "/several.8bf");
    EXPECT_TRUE(io::find_listed_filter((dir + "/x-link.8bf").c_str(), file));
    for (const std::string unlisted : {"/several.8bf", "/several.8bf#101", "/several.8bf#102", "/several.8bf#",
                                       "/hidden.8bf", "/nowhere.8bf#100", "/z/linked.8bf#100", "/z"})
        EXPECT_FALSE(io::find_listed_filter((dir + unlisted).c_str(), file)) << unlisted;
    EXPECT_FALSE(io::find_listed_filter(nullptr, file));
    EXPECT_FALSE(io::find_listed_filter("", file));
}

TEST_F(PluginList, TheWalkStopsEightFoldersDown)
{
    fs::path deep = root;
    for (int depth = 1; depth <= 9; ++depth) {
        deep /= "d" + std::to_string(depth);
        write_file(deep / "p.8bf", one_filter("Depth", std::to_string(depth).c_str()));
    }
    ASSERT_EQ(scan(root), 8);
    // "d2" sorts before "p.8bf": the deepest file is found first.
    const std::vector<std::string> names = drain();
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i].substr(0, 14), "Depth :: " + std::to_string(i + 1) + " :: ");
    EXPECT_EQ(MUR_PhotoshopPluginScan((root / "missing").c_str()), 0);
    EXPECT_EQ(MUR_PhotoshopPluginScan((root / "d1" / "p.8bf").c_str()), 0);
    EXPECT_EQ(MUR_PhotoshopPluginScan(nullptr), 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(PluginList, LongNamesAreCutBetweenCharacters)
{
    // 255 characters of two and three UTF-8 bytes: 1290 bytes whole.
    const std::string category(255, '\xE9'), name(255, '\x80');
    write_file(root / "long.8bf", one_filter(category.c_str(), name.c_str()));
    ASSERT_EQ(scan(root), 1);
    const std::string got = MUR_PhotoshopPluginNextName();
    std::string whole;
    for (int i = 0; i < 255; ++i) whole += "\xC3\xA9";
    whole += " :: ";
    for (int i = 0; i < 255; ++i) whole += "\xE2\x82\xAC";
    EXPECT_LE(got.size(), 1023u);
    EXPECT_GE(got.size(), 1021u);
    EXPECT_EQ(whole.substr(0, got.size()), got);
    EXPECT_TRUE(valid_utf8(got));
}

TEST_F(PluginList, AFilterThatCannotBeCopiedIsReportedAndSkipped)
{
    write_file(root / "a.8bf", one_filter("Blur", "A"));
    write_file(root / "b.8bf", one_filter("Blur", "B"));
    // The walk's own blocks (its record, the filters, the folder's names and
    // their order) come first; then the first filter's copy fails.
    mem::fail_allocations(4, 1);
    EXPECT_EQ(scan(root), 1);
    mem::reset_failures();
    EXPECT_STREQ(MUR_GetLastError(), "PhotoshopPluginScan_cb Excpt");
    EXPECT_EQ(drain(), std::vector<std::string>{"Blur :: B :: " + (root / "b.8bf").string()});
}

// Damaged variants of a valid file, each never listed.
TEST_F(PluginList, DamagedFilesAreNeverListed)
{
    const PeFile good = make_pe({{"PIPL", 16000, "", filter_pipl("8BFM", "Blur", "Good")}}, false);
    std::vector<std::pair<std::string, Bytes>> bad;
    bad.push_back({"empty", {}});
    for (std::size_t cut : {std::size_t(2), std::size_t(63), good.peHeader + 20, good.sectionTable + 50,
                            good.resources + 8, good.bytes.size() - 480})
        bad.push_back({"cut at " + std::to_string(cut), Bytes(good.bytes.begin(), good.bytes.begin() + long(cut))});
    auto patched = [&](const char* what, std::size_t at, uint32_t value) {
        Bytes b = good.bytes;
        put32(b, at, value);
        bad.push_back({what, b});
    };
    patched("resource RVA outside every section", good.resourceDirectory, 0x7FFF0000);
    patched("PE offset past the end", 0x3C, 0xFFFFFFF0);
    patched("no sections", good.peHeader + 4, 0x14C);  // machine kept, count 0
    patched("type points back to the root", good.resources + 20, 0x80000000u);
    patched("name points back to the root", good.firstNameDirectory + 20, 0x80000000u);
    patched("section beyond the file", good.sectionTable + 40 + 20, 0x7FFFFFFF);
    patched("huge entry count", good.resources + 12, 0xFFFFFFFF);
    {
        Bytes b = good.bytes;
        put16(b, good.peHeader + 24, 0x107);  // ROM image
        bad.push_back({"optional header magic", b});
    }
    const std::vector<PiplProperty> named = {kind_property("8BFM"), pascal_property("name", "Bad")};
    auto pipl_file = [&](const char* what, const Bytes& pipl) {
        bad.push_back({what, make_pe({{"PIPL", 1, "", pipl}}, false).bytes});
    };
    {
        std::vector<PiplProperty> p = named;
        p[1].length = 400;
        pipl_file("property past the end", make_pipl(p));
    }
    {
        std::vector<PiplProperty> p = named;
        p[1].data[0] = 200;
        pipl_file("name longer than its property", make_pipl(p));
    }
    pipl_file("huge count", make_pipl(named, 0x7FFFFFFF));
    {
        std::vector<PiplProperty> p(1025, named[1]);
        p[0] = named[0];
        pipl_file("1025 properties", make_pipl(p));
    }
    pipl_file("more properties than data", make_pipl(named, 3));
    {
        const Bytes whole = make_pipl(named);
        pipl_file("header only", Bytes(whole.begin(), whole.begin() + 9));
    }
    std::mt19937 rng(24);
    for (int i = 0; i < 8; ++i) {
        Bytes noise(std::size_t(rng() % 5000), 0);
        for (uint8_t& v : noise) v = uint8_t(rng());
        if (i % 2 && noise.size() > 2) noise[0] = 'M', noise[1] = 'Z';
        bad.push_back({"random bytes " + std::to_string(i), noise});
    }

    for (const auto& [what, bytes] : bad) {
        fs::remove_all(root / "x");
        write_file(root / "x" / "bad.8bf", bytes);
        EXPECT_EQ(scan(root / "x"), 0) << what;
        ByteSource source = memory_source(bytes.data(), bytes.size());
        PluginFilter filters[kMaxPiplResources];
        EXPECT_EQ(read_plugin_filters(source, filters), 0) << what;
    }
    EXPECT_STREQ(MUR_PhotoshopPluginNextName(), "");

    // Every byte of the headers and the resource tree changed in turn: a
    // file read or listed, never a read outside it (the sanitizer build).
    std::size_t listed = 0;
    for (std::size_t at = 0; at < good.bytes.size(); ++at) {
        if (at >= good.resources + 400 || (at >= 0x400 && at < good.resources)) continue;
        Bytes b = good.bytes;
        b[at] ^= uint8_t(1 + rng() % 255);
        ByteSource source = memory_source(b.data(), b.size());
        PluginFilter filters[kMaxPiplResources];
        listed += read_plugin_filters(source, filters);
    }
    EXPECT_GT(listed, 0u);
}

TEST_F(PluginList, ResourcesBeyondTheLimitsAreLeftOut)
{
    std::vector<PeResource> many;
    for (uint32_t i = 0; i < 70; ++i)
        many.push_back({"PIPL", i, "", filter_pipl("8BFM", "Many", ("F" + std::to_string(i)).c_str())});
    const Bytes bytes = make_pe(many, false).bytes;
    ByteSource source = memory_source(bytes.data(), bytes.size());
    PluginFilter filters[kMaxPiplResources];
    EXPECT_EQ(read_plugin_filters(source, filters), kMaxPiplResources);

    // A property list over 1 MB is not read.
    std::vector<PiplProperty> p = {kind_property("8BFM"), pascal_property("name", "Big")};
    PiplProperty filler;
    filler.key = "fill";
    filler.data.resize(io::kMaxPiplBytes);
    p.push_back(filler);
    const Bytes big = make_pe({{"PIPL", 1, "", make_pipl(p)}}, true).bytes;
    source = memory_source(big.data(), big.size());
    EXPECT_EQ(read_plugin_filters(source, filters), 0);
}

}  // namespace
}  // namespace mur::test

// Writes synthetic filter plug-ins for `mur plugins` and the fuzz corpus:
//
//   write_plugin_folder DIR           a folder of plug-ins (two files, three
//                                     filters, a subfolder, a file that is
//                                     no plug-in)
//   write_plugin_folder --seeds DIR   the fuzz target's seed files
#include "support/pe_builder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace mur::test;

namespace {

bool write(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2) {
        const fs::path dir = argv[1];
        std::vector<PeResource> soft(1), pair(3);
        soft[0].data = filter_pipl("8BFM", "Blur", "Soft Focus");
        pair[0].id = 1;
        pair[0].data = filter_pipl("8BFM", "Artistic", "Caf\xE9 Pastel");
        pair[1].id = 2;
        pair[1].data = filter_pipl("8BFM", nullptr, "Uncategorised");
        pair[2].id = 3;
        pair[2].data = filter_pipl("8BFM", "**Hidden**", "Helper");
        const std::string text = "not a plug-in";
        const bool ok = write(dir / "Soft.8bf", make_pe(soft, false).bytes) &&
                        write(dir / "effects" / "Pair.8BF", make_pe(pair, true).bytes) &&
                        write(dir / "readme.txt", Bytes(text.begin(), text.end()));
        return ok ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--seeds") == 0) {
        const fs::path dir = argv[2];
        std::vector<PeResource> one(1), several(4);
        one[0].id = 1;
        one[0].data = make_pipl({kind_property("8BFM"), pascal_property("catg", "Blur"), pascal_property("name", "Soft")});
        several[0].id = 5;
        several[0].data = filter_pipl("8BFM", "A", "One");
        several[1].type = "pipl";
        several[1].name = "NAMED";
        several[1].data = filter_pipl("8BFM", nullptr, "Two");
        several[2].id = 6;
        several[2].data = filter_pipl("8BAM", "A", "Other kind");
        several[3].type = "ICON";
        several[3].data = Bytes(40, 7);
        const bool ok = write(dir / "pe32", make_pe(one, false).bytes) && write(dir / "pe32plus", make_pe(one, true).bytes) &&
                        write(dir / "several", make_pe(several, false).bytes);
        return ok ? 0 : 1;
    }
    std::fprintf(stderr, "usage: write_plugin_folder DIR | write_plugin_folder --seeds DIR\n");
    return 2;
}

// Synthetic Windows DLLs with resources, for the plug-in reader's tests, its
// fuzz corpus and its benchmark: a DOS stub, PE32 or PE32+ headers, a filler
// section and a resource section (type -> name -> language -> data), and
// filter property lists ("PiPL") to put into them. Nothing here is code a
// Windows loader would run.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mur::test {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, std::size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void put32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
inline void append32(Bytes& b, uint32_t v)
{
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}
// A four-character code as the little-endian number it is stored as.
inline uint32_t fourcc(const char* c)
{
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

// One property of a PiPL; `length` overrides the data's length when set.
struct PiplProperty {
    std::string vendor = "8BIM";
    std::string key;
    Bytes data;
    int64_t length = -1;
};

inline PiplProperty pascal_property(const char* key, const std::string& text)
{
    PiplProperty p;
    p.key = key;
    p.data.push_back(uint8_t(text.size()));
    p.data.insert(p.data.end(), text.begin(), text.end());
    return p;
}

inline PiplProperty kind_property(const char* kind)
{
    PiplProperty p;
    p.key = "kind";
    p.data.resize(4);
    put32(p.data, 0, fourcc(kind));
    return p;
}

// A PiPL of the given properties; `count` overrides their number when set.
inline Bytes make_pipl(const std::vector<PiplProperty>& properties, int64_t count = -1)
{
    Bytes b(10, 0);
    put16(b, 0, 1);
    put32(b, 6, uint32_t(count >= 0 ? count : int64_t(properties.size())));
    for (const PiplProperty& p : properties) {
        append32(b, fourcc(p.vendor.c_str()));
        append32(b, fourcc(p.key.c_str()));
        append32(b, 0);
        append32(b, uint32_t(p.length >= 0 ? p.length : int64_t(p.data.size())));
        b.insert(b.end(), p.data.begin(), p.data.end());
        while (b.size() % 4 != 2) b.push_back(0);  // padded from the first property (offset 10)
    }
    return b;
}

// A filter's PiPL: kind, optional category (null: none), optional name.
inline Bytes filter_pipl(const char* kind, const char* category, const char* name)
{
    std::vector<PiplProperty> p;
    p.push_back(kind_property(kind));
    if (category) p.push_back(pascal_property("catg", category));
    if (name) p.push_back(pascal_property("name", name));
    return make_pipl(p);
}

struct PeResource {
    std::string type = "PIPL";  // a named type
    uint32_t id = 16000;        // the resource's number,
    std::string name;           // or its name when not empty
    Bytes data;
};

// Where the builder put what tests like to damage.
struct PeFile {
    Bytes bytes;
    std::size_t peHeader = 0;          // "PE\0\0"
    std::size_t resourceDirectory = 0; // the data directory entry (RVA, size)
    std::size_t sectionTable = 0;
    std::size_t resources = 0;         // the resource section's root directory
    std::size_t firstNameDirectory = 0;
};

// A DLL whose resource section comes last, after a filler section that makes
// the file at least `fileBytes` long.
inline PeFile make_pe(const std::vector<PeResource>& resources, bool pe32plus, std::size_t fileBytes = 0)
{
    PeFile f;
    const std::size_t optionalSize = pe32plus ? 240 : 224;
    const std::size_t headers = 0x400;
    std::size_t filler = 0x200;
    // The resource section's layout, offsets from its start.
    std::vector<std::string> types;
    for (const PeResource& r : resources) {
        bool seen = false;
        for (const std::string& t : types) seen = seen || t == r.type;
        if (!seen) types.push_back(r.type);
    }
    const std::size_t rootBytes = 16 + 8 * types.size();
    std::vector<std::size_t> typeDir(types.size());
    std::size_t at = rootBytes;
    for (std::size_t t = 0; t < types.size(); ++t) {
        typeDir[t] = at;
        std::size_t n = 0;
        for (const PeResource& r : resources) n += r.type == types[t];
        at += 16 + 8 * n;
    }
    std::vector<std::size_t> languageDir(resources.size()), dataEntry(resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i, at += 24) languageDir[i] = at;
    for (std::size_t i = 0; i < resources.size(); ++i, at += 16) dataEntry[i] = at;
    std::vector<std::size_t> typeName(types.size()), resourceName(resources.size());
    for (std::size_t t = 0; t < types.size(); ++t) {
        typeName[t] = at;
        at += (2 + 2 * types[t].size() + 3) & ~std::size_t(3);
    }
    for (std::size_t i = 0; i < resources.size(); ++i) {
        resourceName[i] = at;
        at += (2 + 2 * resources[i].name.size() + 3) & ~std::size_t(3);
    }
    std::vector<std::size_t> data(resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i) {
        data[i] = at;
        at += (resources[i].data.size() + 7) & ~std::size_t(7);
    }
    const std::size_t rsrcBytes = (at + 0x1FF) & ~std::size_t(0x1FF);
    if (fileBytes > headers + filler + rsrcBytes) filler = (fileBytes - headers - rsrcBytes + 0x1FF) & ~std::size_t(0x1FF);
    const uint32_t textRva = 0x1000;
    const uint32_t rsrcRva = uint32_t(textRva + ((filler + 0xFFF) & ~std::size_t(0xFFF)));

    Bytes& b = f.bytes;
    b.assign(headers + filler + rsrcBytes, 0);
    b[0] = 'M';
    b[1] = 'Z';
    f.peHeader = 0x40;
    put32(b, 0x3C, uint32_t(f.peHeader));
    std::memcpy(&b[f.peHeader], "PE\0\0", 4);
    put16(b, f.peHeader + 4, pe32plus ? 0x8664 : 0x14C);
    put16(b, f.peHeader + 6, 2);
    put16(b, f.peHeader + 20, uint32_t(optionalSize));
    put16(b, f.peHeader + 22, 0x2102);  // a DLL
    const std::size_t optional = f.peHeader + 24;
    put16(b, optional, pe32plus ? 0x20B : 0x10B);
    const std::size_t countAt = optional + (pe32plus ? 108 : 92);
    put32(b, countAt, 16);
    f.resourceDirectory = countAt + 4 + 2 * 8;
    put32(b, f.resourceDirectory, rsrcRva);
    put32(b, f.resourceDirectory + 4, uint32_t(at));
    f.sectionTable = optional + optionalSize;
    const auto section = [&](std::size_t row, const char* name, uint32_t rva, std::size_t size, std::size_t offset) {
        std::memcpy(&b[row], name, std::strlen(name));
        put32(b, row + 8, uint32_t(size));
        put32(b, row + 12, rva);
        put32(b, row + 16, uint32_t(size));
        put32(b, row + 20, uint32_t(offset));
    };
    section(f.sectionTable, ".text", textRva, filler, headers);
    section(f.sectionTable + 40, ".rsrc", rsrcRva, rsrcBytes, headers + filler);
    for (std::size_t i = 0; i < filler; ++i) b[headers + i] = uint8_t(i * 131 + 7);

    const std::size_t s = headers + filler;
    f.resources = s;
    const auto directory = [&](std::size_t offset, uint32_t named, uint32_t ids) {
        put16(b, s + offset + 12, named);
        put16(b, s + offset + 14, ids);
    };
    const auto utf16 = [&](std::size_t offset, const std::string& text) {
        put16(b, s + offset, uint32_t(text.size()));
        for (std::size_t k = 0; k < text.size(); ++k) put16(b, s + offset + 2 + 2 * k, uint8_t(text[k]));
    };
    directory(0, uint32_t(types.size()), 0);
    for (std::size_t t = 0; t < types.size(); ++t) {
        put32(b, s + 16 + 8 * t, 0x80000000u | uint32_t(typeName[t]));
        put32(b, s + 16 + 8 * t + 4, 0x80000000u | uint32_t(typeDir[t]));
        utf16(typeName[t], types[t]);
        // Named resources first, as the format orders them.
        std::vector<std::size_t> members;
        for (int pass = 0; pass < 2; ++pass)
            for (std::size_t i = 0; i < resources.size(); ++i)
                if (resources[i].type == types[t] && resources[i].name.empty() == (pass == 1)) members.push_back(i);
        uint32_t named = 0;
        for (std::size_t i : members) named += !resources[i].name.empty();
        directory(typeDir[t], named, uint32_t(members.size()) - named);
        for (std::size_t m = 0; m < members.size(); ++m) {
            const std::size_t i = members[m];
            const std::size_t entry = s + typeDir[t] + 16 + 8 * m;
            if (resources[i].name.empty()) {
                put32(b, entry, resources[i].id);
            } else {
                put32(b, entry, 0x80000000u | uint32_t(resourceName[i]));
                utf16(resourceName[i], resources[i].name);
            }
            put32(b, entry + 4, 0x80000000u | uint32_t(languageDir[i]));
        }
    }
    if (!types.empty()) f.firstNameDirectory = s + typeDir[0];
    for (std::size_t i = 0; i < resources.size(); ++i) {
        directory(languageDir[i], 0, 1);
        put32(b, s + languageDir[i] + 16, 0x409);
        put32(b, s + languageDir[i] + 20, uint32_t(dataEntry[i]));
        put32(b, s + dataEntry[i], rsrcRva + uint32_t(data[i]));
        put32(b, s + dataEntry[i] + 4, uint32_t(resources[i].data.size()));
        std::memcpy(&b[s + data[i]], resources[i].data.data(), resources[i].data.size());
    }
    return f;
}

}  // namespace mur::test

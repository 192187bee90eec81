#include "io/plugin_files.h"

#include "engine/memory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace mur::io {
namespace {

// Property lists up to this size are read into a buffer on the stack.
inline constexpr std::size_t kSmallPiplBytes = 4096;

struct OpenFile {
    int fd = -1;
    ~OpenFile()
    {
        if (fd >= 0) close(fd);
    }
};

bool has_plugin_suffix(const char* name) noexcept
{
    const std::size_t length = std::strlen(name);
    return length >= 4 && strcasecmp(name + length - 4, ".8bf") == 0;
}

// The names of one folder's entries, sorted by their bytes.
struct NameList {
    mem::Owned<char> text;
    std::size_t used = 0, capacity = 0;
    mem::Owned<uint32_t> starts;
    std::size_t count = 0, slots = 0;
};

template <class T>
bool grow(mem::Owned<T>& block, std::size_t used, std::size_t& capacity, std::size_t needed) noexcept
{
    if (needed <= capacity) return true;
    std::size_t next = std::max<std::size_t>(capacity * 2, 256);
    while (next < needed) next *= 2;
    if (next > UINT32_MAX) return false;
    T* bigger = mem::try_alloc_array<T>(next);
    if (!bigger) return false;
    if (used) std::memcpy(bigger, block.get(), used * sizeof(T));
    block.reset(bigger);
    capacity = next;
    return true;
}

bool add_name(NameList& list, const char* name) noexcept
{
    const std::size_t length = std::strlen(name) + 1;
    if (!grow(list.text, list.used, list.capacity, list.used + length) ||
        !grow(list.starts, list.count, list.slots, list.count + 1))
        return false;
    std::memcpy(list.text.get() + list.used, name, length);
    list.starts.get()[list.count++] = uint32_t(list.used);
    list.used += length;
    return true;
}

bool list_folder(const char* path, NameList& list) noexcept
{
    DIR* dir = opendir(path);
    if (!dir) return false;
    bool ok = true;
    while (const dirent* entry = readdir(dir)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        if (!add_name(list, entry->d_name)) {
            ok = false;
            break;
        }
    }
    closedir(dir);
    const char* text = list.text.get();
    std::sort(list.starts.get(), list.starts.get() + list.count,
              [text](uint32_t a, uint32_t b) { return std::strcmp(text + a, text + b) < 0; });
    return ok;
}

struct Walk {
    PluginVisitor visit;
    void* context;
    PluginFilter* filters;
    char path[kPluginPathCapacity];
    char listed[kPluginPathCapacity + 48];
    int32_t count;
};

void visit_file(Walk& walk)
{
    OpenFile file;
    file.fd = open(walk.path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    ByteSource source;
    if (file.fd < 0 || !file_source(source, file.fd)) return;
    const int found = read_plugin_filters(source, walk.filters);
    for (int i = 0; i < found; ++i) {
        const PluginFilter& f = walk.filters[i];
        const char* listed = walk.path;
        if (found > 1) {
            if (f.resourceName[0])
                std::snprintf(walk.listed, sizeof walk.listed, "%s#%s", walk.path, f.resourceName);
            else
                std::snprintf(walk.listed, sizeof walk.listed, "%s#%u", walk.path, unsigned(f.id));
            listed = walk.listed;
        }
        walk.visit(walk.context, listed, f.texts.category, f.texts.name);
        ++walk.count;
    }
}

// What an entry is, links to files counting as files and links to folders
// as neither.
enum class Kind { kOther, kFile, kFolder };

Kind entry_kind(const char* path) noexcept
{
    struct stat st;
    if (lstat(path, &st) != 0) return Kind::kOther;
    if (S_ISDIR(st.st_mode)) return Kind::kFolder;
    if (S_ISLNK(st.st_mode) && stat(path, &st) != 0) return Kind::kOther;
    return S_ISREG(st.st_mode) ? Kind::kFile : Kind::kOther;
}

// The folder whose path fills walk.path up to `length`.
void walk_folder(Walk& walk, const char* opened, std::size_t length, int depth)
{
    NameList names;
    list_folder(opened, names);
    for (std::size_t i = 0; i < names.count; ++i) {
        const char* name = names.text.get() + names.starts.get()[i];
        const std::size_t nameLength = std::strlen(name);
        if (length + 1 + nameLength >= sizeof walk.path) continue;
        walk.path[length] = '/';
        std::memcpy(walk.path + length + 1, name, nameLength + 1);
        const Kind kind = entry_kind(walk.path);
        if (kind == Kind::kFolder && depth < kMaxPluginFolderDepth)
            walk_folder(walk, walk.path, length + 1 + nameLength, depth + 1);
        else if (kind == Kind::kFile && has_plugin_suffix(name))
            visit_file(walk);
        walk.path[length] = 0;
    }
}

bool same_resource(const PluginFilter& filter, const char* suffix) noexcept
{
    if (filter.resourceName[0]) return std::strcmp(filter.resourceName, suffix) == 0;
    char number[16];
    std::snprintf(number, sizeof number, "%u", unsigned(filter.id));
    return std::strcmp(number, suffix) == 0;
}

}  // namespace

int read_plugin_filters(ByteSource& source, PluginFilter* filters) noexcept
{
    PiplResource resources[kMaxPiplResources];
    const int count = find_pipl_resources(source, resources, kMaxPiplResources);
    int found = 0;
    uint8_t small[kSmallPiplBytes];
    for (int i = 0; i < count; ++i) {
        const PiplResource& r = resources[i];
        mem::Owned<uint8_t> large;
        uint8_t* data = small;
        if (r.size > sizeof small) {
            large.reset(mem::try_alloc_array<uint8_t>(r.size));
            if (!large) continue;
            data = large.get();
        }
        if (!read_bytes(source, r.fileOffset, data, r.size)) continue;
        PluginFilter& f = filters[found];
        if (!read_pipl_filter(data, r.size, f.texts)) continue;
        f.id = r.id;
        std::memcpy(f.resourceName, r.name, sizeof f.resourceName);
        ++found;
    }
    return found;
}

int32_t walk_plugin_folder(const char* folder, PluginVisitor visit, void* context)
{
    if (!folder || !visit) return -1;
    DIR* probe = opendir(folder);
    if (!probe) return -1;
    closedir(probe);

    mem::Owned<Walk> walk(static_cast<Walk*>(mem::alloc(sizeof(Walk))));
    mem::Owned<PluginFilter> filters(mem::alloc_array<PluginFilter>(kMaxPiplResources));
    Walk& w = *walk.get();
    w.visit = visit;
    w.context = context;
    w.filters = filters.get();
    // The folder as given, without its trailing slashes ("/" gives "").
    std::size_t length = strnlen(folder, sizeof w.path);
    if (length >= sizeof w.path) return -1;
    while (length > 0 && folder[length - 1] == '/') --length;
    std::memcpy(w.path, folder, length);
    w.path[length] = 0;
    walk_folder(w, folder, length, 0);
    return w.count;
}

bool find_listed_filter(const char* listedPath, char* file) noexcept
{
    if (!listedPath) return false;
    const std::size_t length = strnlen(listedPath, kPluginPathCapacity);
    if (length == 0 || length >= kPluginPathCapacity) return false;
    mem::Owned<PluginFilter> filters(mem::try_alloc_array<PluginFilter>(kMaxPiplResources));
    if (!filters) return false;

    // The path of a file with one filter.
    std::memcpy(file, listedPath, length + 1);
    if (entry_kind(file) == Kind::kFile) {
        OpenFile f;
        f.fd = open(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        ByteSource source;
        if (f.fd >= 0 && file_source(source, f.fd) && read_plugin_filters(source, filters.get()) == 1) return true;
    }
    // One filter of several: "file#resource".
    char* hash = std::strrchr(file, '#');
    if (!hash || !hash[1]) return false;
    *hash = 0;
    const char* suffix = hash + 1;
    if (entry_kind(file) != Kind::kFile) return false;
    OpenFile f;
    f.fd = open(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    ByteSource source;
    if (f.fd < 0 || !file_source(source, f.fd)) return false;
    const int found = read_plugin_filters(source, filters.get());
    if (found < 2) return false;
    for (int i = 0; i < found; ++i)
        if (same_resource(filters.get()[i], suffix)) return true;
    return false;
}

}  // namespace mur::io

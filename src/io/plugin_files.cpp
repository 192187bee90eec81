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

// Each name is kept after a byte of its entry's type (DT_...).
bool add_name(NameList& list, uint8_t type, const char* name) noexcept
{
    const std::size_t length = std::strlen(name) + 2;
    if (!grow(list.text, list.used, list.capacity, list.used + length) ||
        !grow(list.starts, list.count, list.slots, list.count + 1))
        return false;
    list.text.get()[list.used] = char(type);
    std::memcpy(list.text.get() + list.used + 1, name, length - 1);
    list.starts.get()[list.count++] = uint32_t(list.used);
    list.used += length;
    return true;
}

// The names of a folder's entries; the folder stays open.
bool list_folder(DIR* dir, NameList& list) noexcept
{
    bool ok = true;
    while (const dirent* entry = readdir(dir)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        if (!add_name(list, entry->d_type, entry->d_name)) {
            ok = false;
            break;
        }
    }
    const char* text = list.text.get();
    std::sort(list.starts.get(), list.starts.get() + list.count,
              [text](uint32_t a, uint32_t b) { return std::strcmp(text + a + 1, text + b + 1) < 0; });
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

// The file `name` of the open folder, whose path is walk.path.
void visit_file(Walk& walk, int folder, const char* name, bool regular)
{
    OpenFile file;
    file.fd = openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    ByteSource source;
    if (file.fd < 0 || !file_source(source, file.fd, regular)) return;
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

// `name` in the open folder (AT_FDCWD: a path).
Kind entry_kind(int folder, const char* name, uint8_t type = DT_UNKNOWN) noexcept
{
    // The folder listing's type spares a call for plain files and folders.
    if (type == DT_REG) return Kind::kFile;
    if (type == DT_DIR) return Kind::kFolder;
    struct stat st;
    if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Kind::kOther;
    if (S_ISDIR(st.st_mode)) return Kind::kFolder;
    if (S_ISLNK(st.st_mode) && fstatat(folder, name, &st, 0) != 0) return Kind::kOther;
    return S_ISREG(st.st_mode) ? Kind::kFile : Kind::kOther;
}

// The open folder whose path fills walk.path up to `length`; closes it.
void walk_folder(Walk& walk, DIR* dir, std::size_t length, int depth)
{
    NameList names;
    list_folder(dir, names);
    const int fd = dirfd(dir);
    for (std::size_t i = 0; i < names.count; ++i) {
        const char* entry = names.text.get() + names.starts.get()[i];
        const char* name = entry + 1;
        const std::size_t nameLength = std::strlen(name);
        if (length + 1 + nameLength >= sizeof walk.path) continue;
        walk.path[length] = '/';
        std::memcpy(walk.path + length + 1, name, nameLength + 1);
        const Kind kind = entry_kind(fd, name, uint8_t(entry[0]));
        if (kind == Kind::kFolder && depth < kMaxPluginFolderDepth) {
            const int sub = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            DIR* subDir = sub >= 0 ? fdopendir(sub) : nullptr;
            if (subDir)
                walk_folder(walk, subDir, length + 1 + nameLength, depth + 1);
            else if (sub >= 0)
                close(sub);
        } else if (kind == Kind::kFile && has_plugin_suffix(name)) {
            // A plain file by the listing (not a link that may have changed).
            visit_file(walk, fd, name, uint8_t(entry[0]) == DT_REG);
        }
        walk.path[length] = 0;
    }
    closedir(dir);
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
    DIR* dir = opendir(folder);
    if (!dir) return -1;
    struct CloseUnwalked {
        DIR*& dir;
        ~CloseUnwalked()
        {
            if (dir) closedir(dir);
        }
    } closeUnwalked{dir};

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
    DIR* walked = dir;
    dir = nullptr;
    walk_folder(w, walked, length, 0);
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
    if (entry_kind(AT_FDCWD, file) == Kind::kFile) {
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
    if (entry_kind(AT_FDCWD, file) != Kind::kFile) return false;
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

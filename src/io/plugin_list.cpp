// The list of filter plug-ins the host reads one name at a time: every scan
// pushes its filters at the head, so names come out in the reverse order of
// discovery and a second scan's filters come before what is left of the
// first.
#include "engine/error_text.h"
#include "engine/guard.h"
#include "engine/memory.h"
#include "io/io.h"
#include "io/plugin_files.h"

#include <cstdio>
#include <cstring>

namespace mur {
namespace {

inline constexpr std::size_t kNameCapacity = 1024;

// One filter: its three texts follow the record in the same block.
struct PluginRecord {
    PluginRecord* next;
    const char* t1;  // the listed path
    const char* t2;  // the category
    const char* t3;  // the name
};

struct PluginList {
    PluginRecord* head = nullptr;
    char name[kNameCapacity] = {};
};

PluginList g_list;

void push_record(const char* t1, const char* t2, const char* t3)
{
    const std::size_t l1 = std::strlen(t1) + 1, l2 = std::strlen(t2) + 1, l3 = std::strlen(t3) + 1;
    auto* record = static_cast<PluginRecord*>(mem::alloc(sizeof(PluginRecord) + l1 + l2 + l3));
    char* text = reinterpret_cast<char*>(record + 1);
    record->t1 = static_cast<const char*>(std::memcpy(text, t1, l1));
    record->t2 = static_cast<const char*>(std::memcpy(text + l1, t2, l2));
    record->t3 = static_cast<const char*>(std::memcpy(text + l1 + l2, t3, l3));
    record->next = g_list.head;
    g_list.head = record;
}

// A copy that fails is reported and skipped; the walk goes on.
void on_filter(void* listed, const char* path, const char* category, const char* name)
{
    guard("PhotoshopPluginScan_cb", [&] {
        push_record(path, category, name);
        ++*static_cast<int32_t*>(listed);
    });
}

// Cuts the text at `capacity - 1` bytes at most, before the first byte of a
// UTF-8 sequence that would not fit whole.
void cut_at_character(char* text, std::size_t length, std::size_t capacity) noexcept
{
    if (length < capacity) return;
    std::size_t cut = capacity - 1;
    while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
    text[cut] = 0;
}

}  // namespace

int32_t io::scan_plugins(const char* folder)
{
    int32_t listed = 0;
    if (walk_plugin_folder(folder, on_filter, &listed) < 0) return 0;
    return listed;
}

const char* io::next_plugin_name()
{
    char* out = g_list.name;
    out[0] = 0;
    PluginRecord* record = g_list.head;
    if (!record) return out;
    g_list.head = record->next;
    const mem::Owned<PluginRecord> released(record);
    // The whole text first, so that a cut can see the sequence it falls in.
    const int length = std::snprintf(nullptr, 0, "%s :: %s :: %s", record->t2, record->t3, record->t1);
    if (length >= 0 && std::size_t(length) < kNameCapacity) {
        std::snprintf(out, kNameCapacity, "%s :: %s :: %s", record->t2, record->t3, record->t1);
    } else if (length >= 0) {
        mem::Owned<char> whole(mem::alloc_array<char>(std::size_t(length) + 1));
        std::snprintf(whole.get(), std::size_t(length) + 1, "%s :: %s :: %s", record->t2, record->t3, record->t1);
        cut_at_character(whole.get(), std::size_t(length), kNameCapacity);
        std::memcpy(out, whole.get(), std::strlen(whole.get()) + 1);
    }
    return out;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_PhotoshopPluginScan(const char* folder)
{
    return guard("PhotoshopPluginScan", int32_t{0}, [&] { return folder ? io::scan_plugins(folder) : 0; });
}

MUR_API const char* MUR_PhotoshopPluginNextName(void)
{
    // A fault still answers with the (empty) name buffer, so a host reading
    // until the empty text stops.
    const char* name = guard("MUR_PhotoshopPluginNextName", static_cast<const char*>(nullptr),
                             [&] { return io::next_plugin_name(); });
    return name ? name : g_list.name;
}

}  // extern "C"

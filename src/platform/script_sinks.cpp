#include "platform/script_sinks.h"

#include <cstdio>

namespace mur::platform {
namespace {

struct Sinks {
    MUR_MessageBoxHandler message = nullptr;
    void* messageUser = nullptr;
    MUR_DebugOutputHandler debug = nullptr;
    void* debugUser = nullptr;
    MUR_EscapeKeyHandler escape = nullptr;
    void* escapeUser = nullptr;
};

Sinks g_sinks;

const char* or_empty(const char* text) noexcept { return text ? text : ""; }

}  // namespace

void set_message_box_handler(MUR_MessageBoxHandler handler, void* user) noexcept
{
    g_sinks.message = handler;
    g_sinks.messageUser = handler ? user : nullptr;
}

void set_debug_output_handler(MUR_DebugOutputHandler handler, void* user) noexcept
{
    g_sinks.debug = handler;
    g_sinks.debugUser = handler ? user : nullptr;
}

void set_escape_key_handler(MUR_EscapeKeyHandler handler, void* user) noexcept
{
    g_sinks.escape = handler;
    g_sinks.escapeUser = handler ? user : nullptr;
}

void show_message_box(const char* text, const char* caption) noexcept
{
    if (g_sinks.message) {
        g_sinks.message(g_sinks.messageUser, or_empty(text), or_empty(caption));
        return;
    }
    std::fprintf(stderr, "%s: %s\n", or_empty(caption), or_empty(text));
}

void output_debug_string(const char* text) noexcept
{
    if (g_sinks.debug) {
        g_sinks.debug(g_sinks.debugUser, or_empty(text));
        return;
    }
    std::fprintf(stderr, "%s\n", or_empty(text));
}

bool escape_pressed() noexcept { return g_sinks.escape && g_sinks.escape(g_sinks.escapeUser) != 0; }

}  // namespace mur::platform

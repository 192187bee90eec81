// Where scripts talk to the user: a message box, the debugger output and the
// Escape key. A desktop shows a modal box, writes to the debugger and reads
// the keyboard; here each is a handler the host may install, with a default
// that needs no window system: messages and debug text become stderr lines,
// and Escape is never pressed.
#pragma once

#include <cstdint>

#include "murcore.h"

namespace mur::platform {

// A null handler restores the default.
void set_message_box_handler(MUR_MessageBoxHandler handler, void* user) noexcept;
void set_debug_output_handler(MUR_DebugOutputHandler handler, void* user) noexcept;
void set_escape_key_handler(MUR_EscapeKeyHandler handler, void* user) noexcept;

// A modal message with an OK button; by default the line "caption: text" on
// stderr. Null texts are shown as empty.
void show_message_box(const char* text, const char* caption) noexcept;

// A line for the debugger; by default the text on stderr.
void output_debug_string(const char* text) noexcept;

// Whether Escape was pressed since the previous query.
bool escape_pressed() noexcept;

}  // namespace mur::platform

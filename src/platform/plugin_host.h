// The plug-in host library, loaded at run time on the first request. The
// engine works without it: every request then answers null.
#pragma once

namespace mur::platform {

#ifdef _WIN32
inline constexpr const char* kPluginHostLibrary = "apih.dll";
#else
inline constexpr const char* kPluginHostLibrary = "libapih.so";
#endif

// The library's InvokePSPlugin, or null when the library or the function is
// missing. A failed load is not retried until the path is chosen again.
void* plugin_host_invoke() noexcept;

// Chooses the file to load from (null: the default) and forgets the library
// loaded so far. False, with nothing changed, when the path does not fit.
bool set_plugin_host_path(const char* path) noexcept;

}  // namespace mur::platform

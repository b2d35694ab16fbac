#pragma once

// The engine's own cache, under the client's cache folder in the current directory: what the
// engine keeps to load pages and scripts faster, never cookies or stored page data. The page may
// ask the client to clear it.

namespace varnet::engine {

#ifdef _WIN32
inline constexpr char16_t kEngineCacheFolder[] = u"cache/Code Cache";  // CEF's compiled scripts
#else
// WebKit's disk cache (its network process); WebKitGTK keeps no compiled scripts on disk.
inline constexpr char16_t kEngineCacheFolder[] = u"cache/WebKitCache";
#endif

}  // namespace varnet::engine

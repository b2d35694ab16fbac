#include <webkit2/webkit2.h>

#include "engine/engine.h"

namespace varnet::engine {

// The library the process runs with, which may be newer than the one it was built against.
std::string EngineVersion() {
  return "WebKitGTK " + std::to_string(webkit_get_major_version()) + "." +
         std::to_string(webkit_get_minor_version()) + "." +
         std::to_string(webkit_get_micro_version());
}

}  // namespace varnet::engine

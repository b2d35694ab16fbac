#include "include/cef_version.h"

#include "engine/engine.h"

namespace varnet::engine {

// The distribution the client is built against: libcef.dll beside it is that one.
std::string EngineVersion() {
  return "CEF " CEF_VERSION;
}

}  // namespace varnet::engine

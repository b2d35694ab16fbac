#pragma once

// Thread rules, asserted: a callback that must run on the engine's UI thread says so at its top
// with VARNET_REQUIRE_UI_THREAD(). Breaking the rule ends the process with the place named, in
// every build, since a callback on the wrong thread corrupts state the UI thread owns.

#include <cstdio>
#include <cstdlib>

#include "engine/engine.h"

namespace varnet::engine {

inline void requireUIThread(const char* file, int line) {
  if (CurrentlyOnUIThread())
    return;
  std::fprintf(stderr, "%s:%d: must run on the UI thread\n", file, line);
  std::abort();
}

}  // namespace varnet::engine

#define VARNET_REQUIRE_UI_THREAD() ::varnet::engine::requireUIThread(__FILE__, __LINE__)

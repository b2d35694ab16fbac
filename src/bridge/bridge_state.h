#pragma once

// The render process's bridge state: what outlives a bridge call. SimpleApp owns it; it is only
// touched on the page's script thread, except the unpack job, which guards itself against its
// worker.

#include <string>

#include "engine/trust.h"
#include "install/install_operations.h"

namespace varnet {

struct BridgeState {
  explicit BridgeState(std::u16string portalBaseUrl)
      : trust(TrustedOrigins::withCompiledList(std::move(portalBaseUrl))) {}

  TrustedOrigins trust;        // whose pages get the bridge: the portal's and the listed origins'
  InstallOperations install;   // the unpack job and the install functions
  bool updateOffered = false;  // cb_vercheck has answered "update"
};

}  // namespace varnet

#pragma once

// Which frames get the bridge: those that show a page of the portal.

#include <string_view>

namespace varnet {

// True when `address` is under `portalBaseUrl`: the same scheme, host and port (letter case of
// scheme and host ignored, a missing port read as the scheme's default) and a path that begins
// with the base URL's path. Query, fragment and user name do not count, so another site that
// carries the portal address in its query or user part, or a host that merely begins like the
// portal's, is not under it.
bool isPortalAddress(std::u16string_view address, std::u16string_view portalBaseUrl);

}  // namespace varnet

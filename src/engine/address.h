#pragma once

// Web addresses as the trust rules read them: scheme, host, port and path of a hierarchical
// address, parsed once, the same way for every rule.

#include <optional>
#include <string>
#include <string_view>

namespace varnet {

struct Address {
  std::u16string scheme;  // lower case
  std::u16string host;    // lower case
  std::u16string port;    // digits without leading zeros, the scheme's default filled in
  std::u16string path;    // up to the query or fragment; may be empty

  // "scheme://host:port", the parts as above.
  std::u16string origin() const { return scheme + u"://" + host + u":" + port; }
};

// A hierarchical address "scheme://[user@]host[:port][/path][?query][#fragment]", or nothing
// (no scheme, no "//", no host, a port that is not a number).
std::optional<Address> parseAddress(std::u16string_view text);

// True when `address` is under `portalBaseUrl`: the same scheme, host and port (letter case of
// scheme and host ignored, a missing port read as the scheme's default) and a path that begins
// with the base URL's path. Query, fragment and user name do not count, so another site that
// carries the portal address in its query or user part, or a host that merely begins like the
// portal's, is not under it.
bool isPortalAddress(std::u16string_view address, std::u16string_view portalBaseUrl);

}  // namespace varnet

// Random addresses against GLib's own URI parser: whatever isPortalAddress accepts, an
// independent parser also reads as the portal's scheme, host and port with a path under it.

#include <glib.h>
#include <gtest/gtest.h>

#include <random>

#include "engine/address.h"
#include "platform/text.h"

namespace varnet {
namespace {

TEST(PortalAddressFuzz, NothingOutsideThePortalIsAccepted) {
  const char* tokens[] = {"http", "HTTP",  "https",     "://",    ":",    "/",
                          "@",    "?",     "#",         "\\",     "%2F",  ".",
                          "..",   "[::1]", "127.0.0.1", "18080",  "1808", "0",
                          "evil", ".test", "login.jsp", "portal", "a=b",  " "};
  std::mt19937 random(20261209);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(tokens) - 1);
  std::uniform_int_distribution<int> length(1, 12);
  int accepted = 0;
  for (int i = 0; i < 200000; ++i) {
    // Most candidates start like the portal, so that the interesting cases come up often.
    std::string address = i % 4 ? "http://127.0.0.1:18080" : "";
    for (int n = length(random); n > 0; --n)
      address += tokens[pick(random)];
    if (!isPortalAddress(fromUtf8(address), u"http://127.0.0.1:18080/"))
      continue;
    ++accepted;
    GUri* uri = g_uri_parse(address.c_str(), G_URI_FLAGS_NONE, nullptr);
    ASSERT_TRUE(uri) << address;
    EXPECT_STREQ(g_uri_get_scheme(uri), "http") << address;
    EXPECT_STREQ(g_uri_get_host(uri), "127.0.0.1") << address;
    EXPECT_EQ(g_uri_get_port(uri), 18080) << address;
    const char* path = g_uri_get_path(uri);  // an empty http path means "/"
    EXPECT_TRUE(path[0] == '\0' || path[0] == '/') << address;
    g_uri_unref(uri);
  }
  EXPECT_GT(accepted, 1000);  // the search did reach the portal's addresses
}

}  // namespace
}  // namespace varnet

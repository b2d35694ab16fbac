#include "engine/address.h"

namespace varnet {

namespace {

char16_t lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

std::u16string lowered(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out)
    c = lower(c);
  return out;
}

bool isSchemeChar(char16_t c, bool first) {
  bool alpha = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  if (first)
    return alpha;
  return alpha || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

}  // namespace

std::optional<Address> parseAddress(std::u16string_view text) {
  Address address;
  std::size_t colon = text.find(u':');
  if (colon == 0 || colon == std::u16string_view::npos)
    return std::nullopt;
  for (std::size_t i = 0; i < colon; ++i) {
    if (!isSchemeChar(text[i], i == 0))
      return std::nullopt;
  }
  address.scheme = lowered(text.substr(0, colon));
  text.remove_prefix(colon + 1);
  if (text.substr(0, 2) != u"//")
    return std::nullopt;
  text.remove_prefix(2);

  std::size_t authorityEnd = text.find_first_of(u"/?#\\");
  std::u16string_view authority = text.substr(0, authorityEnd);
  std::u16string_view rest =
      authorityEnd == std::u16string_view::npos ? std::u16string_view() : text.substr(authorityEnd);
  if (std::size_t at = authority.rfind(u'@'); at != std::u16string_view::npos)
    authority.remove_prefix(at + 1);

  std::u16string_view port;
  std::size_t portColon = authority.rfind(u':');
  // A colon inside an IPv6 literal "[::1]" is not the port's.
  if (portColon != std::u16string_view::npos &&
      authority.find(u']', portColon) == std::u16string_view::npos) {
    port = authority.substr(portColon + 1);
    authority = authority.substr(0, portColon);
  }
  if (authority.empty())
    return std::nullopt;
  for (char16_t c : port) {
    if (c < u'0' || c > u'9')
      return std::nullopt;
  }
  while (port.size() > 1 && port.front() == u'0')
    port.remove_prefix(1);
  address.host = lowered(authority);
  address.port = std::u16string(port);
  if (address.port.empty()) {
    if (address.scheme == u"http")
      address.port = u"80";
    else if (address.scheme == u"https")
      address.port = u"443";
  }

  std::size_t pathEnd = rest.find_first_of(u"?#");
  address.path = std::u16string(rest.substr(0, pathEnd));
  return address;
}

bool isPortalAddress(std::u16string_view address, std::u16string_view portalBaseUrl) {
  auto base = parseAddress(portalBaseUrl);
  auto candidate = parseAddress(address);
  if (!base || !candidate)
    return false;
  if (candidate->scheme != base->scheme || candidate->host != base->host ||
      candidate->port != base->port)
    return false;
  std::u16string_view basePath = base->path.empty() ? u"/" : std::u16string_view(base->path);
  std::u16string_view path = candidate->path.empty() ? u"/" : std::u16string_view(candidate->path);
  // A backslash in the path would be read as "/" by the engine; such an address is not trusted.
  if (path.find(u'\\') != std::u16string_view::npos)
    return false;
  return path.substr(0, basePath.size()) == basePath;
}

}  // namespace varnet

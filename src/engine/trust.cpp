#include "engine/trust.h"

#include <algorithm>
#include <optional>

#include "config.h"
#include "engine/address.h"

namespace varnet {

namespace {

std::optional<std::u16string> originOf(std::u16string_view address) {
  auto parsed = parseAddress(address);
  if (!parsed)
    return std::nullopt;
  return parsed->origin();
}

// The compiled-in list: origins separated by spaces or semicolons (a CMake list).
std::vector<std::u16string> compiledList() {
  std::vector<std::u16string> origins;
  std::u16string_view text = config::kTrustedOrigins;
  while (!text.empty()) {
    std::size_t end = text.find_first_of(u" ;");
    if (end != 0)
      origins.emplace_back(text.substr(0, end));
    if (end == std::u16string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
  return origins;
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

TrustedOrigins::TrustedOrigins(std::u16string portalBaseUrl,
                               const std::vector<std::u16string>& listedOrigins)
    : portalBaseUrl_(std::move(portalBaseUrl)) {
  if (auto portal = originOf(portalBaseUrl_))
    origins_.push_back(*portal);
  for (const auto& listed : listedOrigins) {
    if (auto origin = originOf(listed))
      origins_.push_back(*origin);
  }
}

TrustedOrigins TrustedOrigins::withCompiledList(std::u16string portalBaseUrl) {
  return TrustedOrigins(std::move(portalBaseUrl), compiledList());
}

const TrustedOrigins& TrustedOrigins::compiledIn() {
  static const TrustedOrigins trust = withCompiledList(config::kPortalBaseUrl);
  return trust;
}

bool TrustedOrigins::isTrusted(std::u16string_view address) const {
  auto origin = originOf(address);
  // A backslash would be read as "/" by the engine: such an address is not trusted.
  return origin && address.find(u'\\') == std::u16string_view::npos &&
         std::find(origins_.begin(), origins_.end(), *origin) != origins_.end();
}

bool TrustedOrigins::isListed(std::u16string_view address) const {
  auto origin = originOf(address);
  return origin && origins_.size() > 1 && address.find(u'\\') == std::u16string_view::npos &&
         std::find(origins_.begin() + 1, origins_.end(), *origin) != origins_.end();
}

bool TrustedOrigins::bridgeAddress(std::u16string_view address) const {
  return isPortalAddress(address, portalBaseUrl_) || isListed(address);
}

bool TrustedOrigins::mayHaveBridge(std::u16string_view frameAddress,
                                   std::u16string_view topAddress) const {
  return bridgeAddress(frameAddress) && bridgeAddress(topAddress);
}

bool isLocalDocument(std::u16string_view address) {
  // Letter case of the scheme does not matter; of "blank"/"srcdoc" it does.
  std::u16string lower(address.substr(0, 12));
  for (auto& c : lower)
    c = (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
  std::u16string_view head = lower;
  if (startsWith(head, u"data:") || startsWith(head, u"blob:"))
    return true;
  if (!startsWith(head, u"about:"))
    return false;
  std::u16string_view page = address.substr(6, address.find_first_of(u"?#") - 6);
  return page == u"blank" || page == u"srcdoc";
}

bool isWebAddress(std::u16string_view address) {
  auto parsed = parseAddress(address);
  return parsed && (parsed->scheme == u"http" || parsed->scheme == u"https");
}

NavigationVerdict decideNavigation(const TrustedOrigins& trust, const Navigation& navigation) {
  if (trust.isTrusted(navigation.target))
    return NavigationVerdict::Load;
  // A server cannot redirect into a document of the page's own making.
  if (isLocalDocument(navigation.target) && !navigation.isRedirect)
    return NavigationVerdict::Load;
  bool toDesktop = navigation.frame == FrameKind::Main ||
                   (navigation.frame == FrameKind::Unknown && navigation.userGesture);
  return toDesktop && isWebAddress(navigation.target) ? NavigationVerdict::OpenInDesktopBrowser
                                                      : NavigationVerdict::Refuse;
}

PopupVerdict decidePopup(const TrustedOrigins& trust, std::u16string_view target) {
  // An empty target is a window the opener fills in itself (window.open()).
  if (target.empty() || trust.isTrusted(target) || isLocalDocument(target))
    return PopupVerdict::Open;
  return isWebAddress(target) ? PopupVerdict::OpenInDesktopBrowser : PopupVerdict::Refuse;
}

bool isUpdateDownload(const TrustedOrigins& trust,
                      bool fromMainWindow,
                      std::u16string_view originalAddress,
                      std::u16string_view finalAddress) {
  return fromMainWindow && trust.isTrusted(originalAddress) && trust.isTrusted(finalAddress);
}

}  // namespace varnet

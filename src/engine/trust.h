#pragma once

// The trust boundary, decided from parsed addresses, the same for both ports. Trusted documents
// are the portal's (its base URL's origin) and those of the origins the operator compiled in;
// the client's views show nothing else, so no foreign document shares a page, an opener chain
// or a script realm with a frame that has the bridge. Each port calls these from its engine's
// navigation, pop-up and download hooks.

#include <string>
#include <string_view>
#include <vector>

namespace varnet {

class TrustedOrigins {
 public:
  // The origin of `portalBaseUrl` plus `listedOrigins` (addresses "scheme://host[:port]", read
  // by their origin; entries that are not such an address are ignored).
  TrustedOrigins(std::u16string portalBaseUrl, const std::vector<std::u16string>& listedOrigins);

  // The portal at `portalBaseUrl` plus the compiled-in list (VARNET_TRUSTED_ORIGINS).
  static TrustedOrigins withCompiledList(std::u16string portalBaseUrl);
  // The compiled-in portal base URL and list.
  static const TrustedOrigins& compiledIn();

  // A document from `address` may show in a client view: its origin is trusted.
  bool isTrusted(std::u16string_view address) const;

  // A frame at `frameAddress` whose top frame is at `topAddress` gets the bridge: each is under
  // the portal base URL or of a listed origin.
  bool mayHaveBridge(std::u16string_view frameAddress, std::u16string_view topAddress) const;

  const std::u16string& portalBaseUrl() const { return portalBaseUrl_; }

 private:
  bool isListed(std::u16string_view address) const;
  bool bridgeAddress(std::u16string_view address) const;

  std::u16string portalBaseUrl_;
  std::vector<std::u16string> origins_;  // Address::origin() of each, the portal's first
};

// Documents that trusted pages make themselves (about:blank, about:srcdoc, data:, blob:): they
// have no address of their own to trust, and nothing foreign can reach them in a client view.
bool isLocalDocument(std::u16string_view address);

// What a view does with a navigation of one of its frames.
enum class NavigationVerdict {
  Load,                  // a trusted document, or a local one a trusted page made
  Refuse,                // not loaded; a subframe keeps what it shows
  OpenInDesktopBrowser,  // not loaded; the address goes to the desktop's default browser
};

// Which frame navigates. WebKitGTK's policy hook cannot tell a subframe from the main frame.
enum class FrameKind { Main, Sub, Unknown };

struct Navigation {
  std::u16string_view target;
  FrameKind frame = FrameKind::Unknown;
  bool userGesture = false;
  bool isRedirect = false;
};

// A foreign main-frame navigation goes to the desktop's browser, a foreign subframe one is
// refused; where the frame is unknown, only one the user started (a click, a form) goes to the
// desktop's browser. Only http and https addresses are ever handed to the desktop.
NavigationVerdict decideNavigation(const TrustedOrigins& trust, const Navigation& navigation);

// What happens to a pop-up (window.open, target=_blank, a form) of a client view.
enum class PopupVerdict {
  Open,                  // a client window related to its opener, as any pop-up
  Refuse,                // nothing opens
  OpenInDesktopBrowser,  // the address goes to the desktop's default browser, with no opener
};

PopupVerdict decidePopup(const TrustedOrigins& trust, std::u16string_view target);

// A download is the update package only when a trusted document of the main window started it
// and it came from trusted addresses all the way (first asked for and last answered).
bool isUpdateDownload(const TrustedOrigins& trust,
                      bool fromMainWindow,
                      std::u16string_view originalAddress,
                      std::u16string_view finalAddress);

// True for an address the desktop's browser may be handed: http or https with a host.
bool isWebAddress(std::u16string_view address);

}  // namespace varnet

// The trust boundary in the browser process: the client's views show only trusted documents
// (and those trusted pages make themselves). A foreign main-frame navigation or pop-up goes to
// the desktop's default browser instead, never into a window related to the portal; a foreign
// subframe is refused and stays as it was.

#include "browser/simple_handler.h"
#include "engine/ui_thread.h"
#include "platform/shell.h"

namespace varnet {

bool SimpleHandler::OnBeforeBrowse(const std::shared_ptr<engine::Browser>&,
                                   const Navigation& navigation) {
  VARNET_REQUIRE_UI_THREAD();
  switch (decideNavigation(trust_, navigation)) {
    case NavigationVerdict::Load:
      return false;
    case NavigationVerdict::OpenInDesktopBrowser:
      platform::shellOpen(std::u16string(navigation.target));
      return true;
    case NavigationVerdict::Refuse:
      break;
  }
  return true;
}

bool SimpleHandler::OnBeforePopup(const std::shared_ptr<engine::Browser>&,
                                  const std::shared_ptr<engine::Frame>&,
                                  const std::u16string& targetUrl) {
  VARNET_REQUIRE_UI_THREAD();
  switch (decidePopup(trust_, targetUrl)) {
    case PopupVerdict::Open:
      return false;
    case PopupVerdict::OpenInDesktopBrowser:
      platform::shellOpen(targetUrl);
      return true;
    case PopupVerdict::Refuse:
      break;
  }
  return true;
}

bool SimpleHandler::OnOpenURLFromTab(const std::shared_ptr<engine::Browser>& browser,
                                     const std::u16string& targetUrl) {
  VARNET_REQUIRE_UI_THREAD();
  // Opened in place instead of a new tab: the navigation hook then judges it as any other.
  return OnBeforePopup(browser, nullptr, targetUrl);
}

bool SimpleHandler::isMainWindow(const std::shared_ptr<engine::Browser>& browser) const {
  return browser && mainWindow_ && browser->GetHost().GetWindowHandle() == mainWindow_;
}

}  // namespace varnet

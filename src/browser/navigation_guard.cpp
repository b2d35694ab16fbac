// The trust boundary in the browser process: the client's views show only trusted documents
// (and those trusted pages make themselves). A foreign main-frame navigation or pop-up goes to
// the desktop's default browser instead, never into a window related to the portal; a foreign
// subframe is refused and stays as it was.

#include "browser/simple_handler.h"
#include "engine/address.h"
#include "engine/ui_thread.h"
#include "platform/log.h"
#include "platform/shell.h"

namespace varnet {
namespace {

// Only the origin goes to the log: a path or query may carry the player's data.
log::Quoted originForLog(std::u16string_view address) {
  auto parsed = parseAddress(address);
  return log::quoted(parsed ? parsed->origin()
                            : std::u16string(address.substr(0, address.find(u':'))));
}

}  // namespace

bool SimpleHandler::OnBeforeBrowse(const std::shared_ptr<engine::Browser>&,
                                   const Navigation& navigation) {
  VARNET_REQUIRE_UI_THREAD();
  switch (decideNavigation(trust_, navigation)) {
    case NavigationVerdict::Load:
      return false;
    case NavigationVerdict::OpenInDesktopBrowser:
      log::info("navigation to the desktop's browser origin=", originForLog(navigation.target));
      platform::shellOpen(std::u16string(navigation.target));
      return true;
    case NavigationVerdict::Refuse:
      break;
  }
  log::info("navigation refused origin=", originForLog(navigation.target),
            " redirect=", navigation.isRedirect);
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
      log::info("pop-up to the desktop's browser origin=", originForLog(targetUrl));
      platform::shellOpen(targetUrl);
      return true;
    case PopupVerdict::Refuse:
      break;
  }
  log::info("pop-up refused origin=", originForLog(targetUrl));
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

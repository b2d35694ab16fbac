// The bridge's process messages, as the browser process acts on them. Every message counts as
// handled, known or not; nothing is answered.

#include "bridge/process_messages.h"
#include "browser/decimal_text.h"
#include "browser/simple_handler.h"
#include "companion/companion.h"
#include "config.h"
#include "engine/engine.h"
#include "engine/js_string.h"
#include "engine/trust.h"
#include "engine/ui_thread.h"
#include "identity/ticket.h"
#include "platform/current_folder.h"
#include "platform/log.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace varnet {
namespace {

// Window commands of "sysmenumsg".
constexpr int kMinimise = 0;
constexpr int kMaximiseOrRestore = 1;
constexpr int kClose = 2;

// The size a maximised main window gets, whatever the screen.
constexpr int kMaximisedWidth = 2550;
constexpr int kMaximisedHeight = 1440;

// Task modes of "download".
constexpr int kModeCompanion = 0;
constexpr int kModeSystemBrowser = 1;

constexpr char16_t kSecondaryWindowTitle[] = u"常见问题";
constexpr std::uint32_t kSecondaryWindowStyle = 0x16CF0000;
constexpr int kSecondaryWindowWidth = 1230;
constexpr int kSecondaryWindowHeight = 1000;

}  // namespace

bool SimpleHandler::OnProcessMessageReceived(const std::shared_ptr<engine::Browser>& browser,
                                             const std::shared_ptr<engine::Frame>& frame,
                                             const engine::ProcessMessage& message) {
  VARNET_REQUIRE_UI_THREAD();
  const std::string& name = message.GetName();
  if (name == message::kSysMenu) {
    onSysMenu(browser, message.GetInt(0));
  } else if (name == message::kSysCaption) {
    message.GetInt(0);  // the page's caption state: read, nothing depends on it
  } else if (name == message::kSysCaptionMove) {
    // The message loop's caption drag moves the window.
  } else if (name == message::kDownload) {
    onDownloadTask(frame, message.GetString(0), message.GetString(1), message.GetString(2));
  } else if (name == message::kOpenUrl) {
    onOpenUrl(message.GetString(0));
  } else if (name == message::kExecuteUpdate) {
    onExecuteUpdate(message.GetString(0));
  }
  return true;
}

void SimpleHandler::onSysMenu(const std::shared_ptr<engine::Browser>& browser, int windowCommand) {
  switch (windowCommand) {
    case kMinimise:
      platform::minimiseWindow(mainWindow_);
      break;
    case kMaximiseOrRestore:
      if (!maximized_) {
        platform::maximiseWindow(mainWindow_);
        if (browser)
          browser->GetHost().WasResized();
        platform::moveResizeWindow(mainWindow_, 0, 0, kMaximisedWidth, kMaximisedHeight);
      } else {
        platform::restoreWindow(mainWindow_);
      }
      if (browser)
        browser->Reload();
      maximized_ = !maximized_;
      break;
    case kClose:
      // Hidden first, so the window vanishes before the close completes.
      log::info("close asked by the page: window hidden, close posted");
      platform::hideWindow(mainWindow_);
      postCloseAfterSentScripts(browser);
      break;
    default:
      break;
  }
}

void SimpleHandler::onDownloadTask(const std::shared_ptr<engine::Frame>& frame,
                                   std::u16string saveFolder,
                                   const std::u16string& sealedTask,
                                   const std::u16string& taskMode) {
  if (saveFolder.empty())
    saveFolder = platform::inCurrentFolder(u"download/");
  const int mode = leadingDecimal(taskMode);
  if (mode == kModeCompanion && !IsCompanionRunning())
    LaunchCompanion();
  const std::u16string task = OpenText(TicketKey(), config::kTicketKeyLength, toUtf8(sealedTask));
  // The opened task is the portal's secret: the log only tells whether it opened.
  const char* opened = task.empty() ? " (could not be opened)" : "";
  if (mode == kModeSystemBrowser) {
    // The shell would run a program or open a file for anything but a web address.
    if (!isWebAddress(task)) {
      log::warning("download task mode=1", opened, ": not a web address, refused");
      return;
    }
    log::info("download task mode=1: to the desktop browser");
    platform::shellOpen(task);
    return;
  }
  log::info("download task mode=", mode, opened, ": to the page, folder ", log::quoted(saveFolder));
  // Both texts arrive in the page as data: escaped string literals, never code. Only the asking
  // frame hears them, and only while it still shows a trusted page.
  if (frame && frame->IsValid() && trust_.isTrusted(frame->GetURL()))
    frame->ExecuteJavaScript(u"download_curtaskaddinf(" + engine::javascriptStringLiteral(task) +
                             u"," + engine::javascriptStringLiteral(saveFolder) + u",'')");
}

// A secondary window shows only trusted pages, as the main window does; a foreign web address
// goes to the desktop's browser instead.
void SimpleHandler::onOpenUrl(const std::u16string& address) {
  switch (decideNavigation(trust_, {address, FrameKind::Main})) {
    case NavigationVerdict::Load:
      break;
    case NavigationVerdict::OpenInDesktopBrowser:
      log::info("openurl handed to the desktop browser ", log::address(address));
      platform::shellOpen(address);
      return;
    case NavigationVerdict::Refuse:
      log::info("openurl refused ", log::address(address));
      return;
  }
  log::info("openurl in a secondary window ", log::address(address));
  engine::WindowInfo window;
  window.window_name = kSecondaryWindowTitle;
  window.style = kSecondaryWindowStyle;
  window.width = kSecondaryWindowWidth;
  window.height = kSecondaryWindowHeight;
  window.parent_window = mainWindow_;
  engine::CreateBrowser(window, shared_from_this(), address, engine::BrowserSettings{});
}

void SimpleHandler::onExecuteUpdate(const std::u16string& parameters) {
  if (updateLaunched_)
    return;
  // Looked up in the current folder, as the shell does with a bare name.
  log::info("updater update.exe started");
  platform::shellOpen(u"update.exe", parameters);
  updateLaunched_ = true;
}

}  // namespace varnet

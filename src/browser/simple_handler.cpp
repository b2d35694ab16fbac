#include "browser/simple_handler.h"

#include "browser/error_page.h"
#include "config.h"
#include "engine/command_line.h"
#include "engine/engine.h"
#include "engine/js_string.h"
#include "engine/ui_thread.h"
#include "platform/log.h"

namespace varnet {
namespace {

SimpleHandler* currentHandler = nullptr;

constexpr char16_t kDevToolsTitle[] = u"DevTools";
constexpr int kCornerEllipse = 10;

}  // namespace

SimpleHandler::SimpleHandler(TrustedOrigins trust) : trust_(std::move(trust)) {
  currentHandler = this;
}

SimpleHandler::~SimpleHandler() {
  currentHandler = nullptr;
}

SimpleHandler* SimpleHandler::current() {
  return currentHandler;
}

void SimpleHandler::OnAfterCreated(const std::shared_ptr<engine::Browser>& browser) {
  VARNET_REQUIRE_UI_THREAD();
  browsers_.push_back(browser);
  platform::WindowHandle window = browser->GetHost().GetWindowHandle();
  std::u16string title = platform::windowTitle(window);
  if (title == kDevToolsTitle)
    return;
  if (title == config::kMainWindowTitle && !mainWindow_)
    makeMainWindow(window);
}

// Frameless, centred on the primary screen, with rounded corners: once, at creation. Later size
// changes keep the region.
void SimpleHandler::makeMainWindow(platform::WindowHandle window) {
  mainWindow_ = window;
  platform::removeFrame(window);
  if (auto rect = platform::windowRect(window)) {
    platform::Size screen = platform::primaryScreenSize();
    platform::placeWindow(window, (screen.width - rect->width()) / 2,
                          (screen.height - rect->height()) / 2);
  }
  if (auto client = platform::clientRect(window))
    platform::setRoundedRegion(window, client->right, client->bottom, kCornerEllipse);
}

void SimpleHandler::OnTitleChange(const std::shared_ptr<engine::Browser>&, const std::u16string&) {
  VARNET_REQUIRE_UI_THREAD();
  // The native title stays the creation title: it is how the main window is recognised.
}

void SimpleHandler::OnLoadEnd(const std::shared_ptr<engine::Browser>&,
                              const std::shared_ptr<engine::Frame>& frame,
                              int httpStatusCode) {
  VARNET_REQUIRE_UI_THREAD();
  if (frame)
    log::info("page load ended ", log::address(frame->GetURL()), " status ", httpStatusCode);
}

void SimpleHandler::OnLoadError(const std::shared_ptr<engine::Browser>&,
                                const std::shared_ptr<engine::Frame>& frame,
                                int errorCode,
                                const std::u16string& errorText,
                                const std::u16string& failedUrl) {
  VARNET_REQUIRE_UI_THREAD();
  log::warning("load error ", errorCode, " ", log::quoted(errorText), " ", log::address(failedUrl));
  if (errorCode == engine::ERR_ABORTED || engine::ChromeRuntimeRequested() || !frame)
    return;
  // The failing frame keeps whatever document it has; the error page replaces its content.
  frame->ExecuteJavaScript(
      u"document.open();document.write(" +
      engine::javascriptStringLiteral(composeErrorPage(failedUrl, errorText, errorCode)) +
      u");document.close();");
}

void SimpleHandler::OnBeforeContextMenu(const std::shared_ptr<engine::Browser>&,
                                        const std::shared_ptr<engine::Frame>&,
                                        const engine::ContextMenuParams& params,
                                        engine::MenuModel& model) {
  VARNET_REQUIRE_UI_THREAD();
  constexpr int kPageOrFrame = engine::CM_TYPEFLAG_PAGE | engine::CM_TYPEFLAG_FRAME;
  if ((params.GetTypeFlags() & kPageOrFrame) && model.GetCount() > 0)
    model.Clear();
}

}  // namespace varnet

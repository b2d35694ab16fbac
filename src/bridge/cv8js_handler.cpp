#include "bridge/cv8js_handler.h"

#include "app/simple_app.h"
#include "bridge/process_messages.h"
#include "bridge/version_check.h"
#include "config.h"
#include "engine/cache_folder.h"
#include "engine/folder_dialog.h"
#include "identity/ticket.h"
#include "install/install_operations.h"
#include "platform/shell.h"

namespace varnet {

namespace {

// The engine's readings of argument `index`; one the page did not pass reads like undefined.
std::int32_t intArgument(const engine::ScriptArguments& arguments, std::size_t index) {
  return index < arguments.size() ? arguments[index].GetIntValue() : 0;
}

std::u16string textArgument(const engine::ScriptArguments& arguments, std::size_t index) {
  return index < arguments.size() ? arguments[index].GetStringValue() : std::u16string();
}

constexpr char16_t kFolderDialogTitle[] = u"选择目录";

}  // namespace

bool CV8JsHandler::Execute(const std::u16string& name,
                           const engine::ScriptArguments& args,
                           engine::ScriptResult& retval) {
  SimpleApp& app = *this->app;
  InstallOperations& install = app.install;

  // Window and browser-process functions.
  if (name == u"cb_onsysmenu") {
    sendToBrowser(app, message::kSysMenu, {intArgument(args, 0)});
  } else if (name == u"cb_onsyscaption") {
    sendToBrowser(app, message::kSysCaption, {intArgument(args, 0)});
  } else if (name == u"cb_oncaptionmousemove") {
    sendToBrowser(app, message::kSysCaptionMove, {intArgument(args, 0), intArgument(args, 1)});
  } else if (name == u"cb_download") {
    sendToBrowser(app, message::kDownload,
                  {textArgument(args, 0), textArgument(args, 1), textArgument(args, 2)});
  } else if (name == u"cb_openurl") {
    sendToBrowser(app, message::kOpenUrl, {textArgument(args, 0)});
  } else if (name == u"cb_callbacldownlist") {
    sendToBrowser(app, message::kCallbackDownloadList,
                  {intArgument(args, 0), textArgument(args, 1)});

    // Version, ticket and system.
  } else if (name == u"cb_getversion") {
    retval = std::u16string(config::kClientVersion);
  } else if (name == u"cb_vercheck") {
    // "update" once per render process, for the first version above the client's own.
    if (isNewerVersion(textArgument(args, 0)) && !app.updateOffered) {
      app.updateOffered = true;
      retval = std::u16string(u"update");
    } else {
      retval = std::u16string();
    }
  } else if (name == u"cb_maketick") {
    retval = MakeTicket();
  } else if (name == u"cb_opendir") {
    platform::shellOpen(textArgument(args, 0));
  } else if (name == u"cb_shutdown") {
    platform::powerOff();
  } else if (name == u"cb_flashcache") {
    install.deletePath(engine::kEngineCacheFolder);

    // Installation.
  } else if (name == u"cb_selectsavepath") {
    retval = withForwardSlashes(engine::RunFolderDialog(kFolderDialogTitle));
  } else if (name == u"cb_deletepath") {
    install.deletePath(textArgument(args, 0));
  } else if (name == u"cb_unzip") {
    UnpackRequest request;
    request.setupPath = textArgument(args, 0);
    request.packageDir = textArgument(args, 1);
    request.shortcutName = textArgument(args, 2);
    request.extraArg = textArgument(args, 3);
    request.exePath = textArgument(args, 4);
    request.setupMode = intArgument(args, 5);
    request.password = textArgument(args, 6);
    retval = install.unzip(std::move(request));
  } else if (name == u"cb_getunzipprogress") {
    retval = install.unzipProgress();
  } else if (name == u"cb_stopunzip") {
    install.stopUnzip();
  } else if (name == u"cb_getsetuppath") {
    retval = install.setupPath();
  } else if (name == u"cb_rungame") {
    install.runGame(textArgument(args, 0));
  } else if (name == u"cb_unsetup") {
    retval = install.unsetup(textArgument(args, 0), textArgument(args, 1), textArgument(args, 2),
                             textArgument(args, 3));
  } else {
    return false;
  }
  return true;
}

}  // namespace varnet

#include "bridge/bridge_functions.h"

#include "bridge/process_messages.h"
#include "bridge/version_check.h"
#include "config.h"
#include "engine/cache_folder.h"
#include "engine/folder_dialog.h"
#include "identity/ticket.h"
#include "platform/log.h"
#include "platform/shell.h"

namespace varnet {

namespace {

using engine::ScriptResult;

constexpr char16_t kFolderDialogTitle[] = u"选择目录";

}  // namespace

std::int32_t BridgeCall::intArgument(std::size_t index) const {
  return index < arguments.size() ? arguments[index].GetIntValue() : 0;
}

std::u16string BridgeCall::textArgument(std::size_t index) const {
  return index < arguments.size() ? arguments[index].GetStringValue() : std::u16string();
}

const std::array<BridgeFunction, 20> kBridgeFunctions = {{
    // Window and browser-process functions: messages through the calling frame.
    {u"cb_onsysmenu",
     [](const BridgeCall& c) -> ScriptResult {
       sendToBrowser(c.frame, message::kSysMenu, {c.intArgument(0)});
       return {};
     }},
    {u"cb_onsyscaption",
     [](const BridgeCall& c) -> ScriptResult {
       sendToBrowser(c.frame, message::kSysCaption, {c.intArgument(0)});
       return {};
     }},
    {u"cb_oncaptionmousemove",
     [](const BridgeCall& c) -> ScriptResult {
       sendToBrowser(c.frame, message::kSysCaptionMove, {c.intArgument(0), c.intArgument(1)});
       return {};
     }},
    {u"cb_download",
     [](const BridgeCall& c) -> ScriptResult {
       sendToBrowser(c.frame, message::kDownload,
                     {c.textArgument(0), c.textArgument(1), c.textArgument(2)});
       return {};
     }},
    {u"cb_deletepath",
     [](const BridgeCall& c) -> ScriptResult {
       c.state.install.deletePath(c.textArgument(0));
       return {};
     }},
    {u"cb_maketick", [](const BridgeCall&) -> ScriptResult { return MakeTicket(); }},
    {u"cb_selectsavepath",
     [](const BridgeCall&) -> ScriptResult {
       return withForwardSlashes(engine::RunFolderDialog(kFolderDialogTitle));
     }},
    {u"cb_rungame",
     [](const BridgeCall& c) -> ScriptResult {
       c.state.install.runGame(c.textArgument(0));
       return {};
     }},
    {u"cb_unsetup",
     [](const BridgeCall& c) -> ScriptResult {
       return c.state.install.unsetup(c.textArgument(0), c.textArgument(1), c.textArgument(2),
                                      c.textArgument(3));
     }},
    {u"cb_getsetuppath",
     [](const BridgeCall& c) -> ScriptResult { return c.state.install.setupPath(); }},
    {u"cb_opendir",
     [](const BridgeCall& c) -> ScriptResult {
       log::info("opendir ", log::quoted(c.textArgument(0)));
       platform::shellOpen(c.textArgument(0));
       return {};
     }},
    {u"cb_shutdown",
     [](const BridgeCall&) -> ScriptResult {
       log::info("shutdown: the page powers the computer off");
       platform::powerOff();
       return {};
     }},
    {u"cb_openurl",
     [](const BridgeCall& c) -> ScriptResult {
       sendToBrowser(c.frame, message::kOpenUrl, {c.textArgument(0)});
       return {};
     }},
    {u"cb_vercheck",
     [](const BridgeCall& c) -> ScriptResult {
       // "update" once per render process, for the first version above the client's own.
       if (!c.state.updateOffered && isNewerVersion(c.textArgument(0), config::kClientVersion)) {
         c.state.updateOffered = true;
         return std::u16string(u"update");
       }
       return std::u16string();
     }},
    {u"cb_getversion",
     [](const BridgeCall&) -> ScriptResult { return std::u16string(config::kClientVersion); }},
    {u"cb_flashcache",
     [](const BridgeCall& c) -> ScriptResult {
       log::info("flashcache: the engine's cache is cleared");
       c.state.install.deletePath(engine::kEngineCacheFolder);
       return {};
     }},
    {u"cb_unzip",
     [](const BridgeCall& c) -> ScriptResult {
       UnpackRequest request;
       request.setupPath = c.textArgument(0);
       request.packageDir = c.textArgument(1);
       request.shortcutName = c.textArgument(2);
       request.extraArg = c.textArgument(3);
       request.exePath = c.textArgument(4);
       request.setupMode = c.intArgument(5);
       request.password = c.textArgument(6);
       return c.state.install.unzip(std::move(request));
     }},
    {u"cb_stopunzip",
     [](const BridgeCall& c) -> ScriptResult {
       c.state.install.stopUnzip();
       return {};
     }},
    {u"cb_getunzipprogress",
     [](const BridgeCall& c) -> ScriptResult { return c.state.install.unzipProgress(); }},
    {u"cb_callbacldownlist",
     [](const BridgeCall& c) -> ScriptResult {
       sendToBrowser(c.frame, message::kCallbackDownloadList,
                     {c.intArgument(0), c.textArgument(1)});
       return {};
     }},
}};

const BridgeFunction* findBridgeFunction(std::u16string_view name) {
  for (const BridgeFunction& function : kBridgeFunctions) {
    if (name == function.name)
      return &function;
  }
  return nullptr;
}

}  // namespace varnet

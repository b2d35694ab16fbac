// The web-extension module's entry point: WebKit's web process loads varnet-webext.so and calls
// this once; from then on SimpleApp serves as its render-process handler.

#include <webkit2/webkit-web-extension.h>

#include "app/simple_app.h"
#include "engine/webkit/web_extension.h"
#include "platform/current_folder.h"
#include "platform/log.h"
#include "platform/text.h"

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension,
    const GVariant* userData) {
  // The web process runs in the client's folder: its lines join the browser process's log.
  varnet::log::open(varnet::platform::currentFolder(), varnet::log::Run::Continue, "render");
  varnet::log::info("render process started");
  varnet::engine::webkit::initializeWebExtension(
      extension, userData, [](const std::u16string& portalBaseUrl) {
        return std::make_shared<varnet::SimpleApp>(portalBaseUrl);
      });
}

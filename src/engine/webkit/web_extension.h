#pragma once

// The render-process side of the WebKitGTK port: WebKit's web process loads the client's
// web-extension module, whose entry point hands over to initializeWebExtension. From then on the
// app's render-process handler hears of every script context (window-object-cleared of the
// default script world) and its bridge functions are synchronous JavaScriptCore functions.

#include <webkit2/webkit-web-extension.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/app.h"

namespace varnet::engine::webkit {

using AppFactory = std::function<std::shared_ptr<App>(const std::u16string& portalBaseUrl)>;

void initializeWebExtension(WebKitWebExtension* extension,
                            const GVariant* userData,
                            const AppFactory& createApp);

}  // namespace varnet::engine::webkit

#pragma once

// What the WebKitGTK port offers beyond the engine seam, for the Linux-only parts of the browser
// process (window code, tests): the GTK objects behind a browser.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "engine/browser.h"

namespace varnet::engine::webkit {

// The browser's web view and top-level window; null once the browser has closed.
WebKitWebView* webViewOf(Browser& browser);
GtkWindow* windowOf(Browser& browser);

// The web context all browsers share; null before Initialize.
WebKitWebContext* webContext();

}  // namespace varnet::engine::webkit

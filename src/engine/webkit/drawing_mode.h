#pragma once

// How the WebKit port draws the portal: in software, unless the environment hands the choice back
// to WebKit with WEBKIT_DISABLE_COMPOSITING_MODE=0.

namespace varnet::engine::webkit {

// Puts the process's choice into the environment WebKit and GTK read once at start-up; call it
// before GTK opens the display. A variable the user has set keeps its value.
void chooseDrawingMode();

// True unless WEBKIT_DISABLE_COMPOSITING_MODE=0 hands the drawing back to WebKit.
bool drawsInSoftware();

}  // namespace varnet::engine::webkit

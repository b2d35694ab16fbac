#pragma once

// Native top-level windows of this process and of other instances.

namespace varnet::platform {

// HWND on Windows, GtkWindow* on Linux.
using WindowHandle = void*;

}  // namespace varnet::platform

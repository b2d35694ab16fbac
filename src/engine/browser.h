#pragma once

// Browsers and frames as the client sees them (CefBrowser, CefBrowserHost, CefFrame). Objects are
// shared: a handler may keep a browser or a frame as long as it likes; once the engine has let
// go of the real thing, its operations do nothing.

#include <functional>
#include <memory>
#include <string>

#include "engine/process_message.h"
#include "platform/window.h"

namespace varnet::engine {

class Frame {
 public:
  virtual ~Frame() = default;

  virtual bool IsMain() const = 0;
  // The address of the document the frame shows.
  virtual std::u16string GetURL() const = 0;
  // Runs `code` in the frame's page world, without waiting and without a result (CEF:
  // ExecuteJavaScript with an empty script address and start line 0). Browser process.
  virtual void ExecuteJavaScript(const std::u16string& code) = 0;
  // Sends `message` to the browser process, which receives it with this frame as its sender
  // (CEF: SendProcessMessage(PID_BROWSER, ...)). Render process.
  virtual void SendProcessMessage(const ProcessMessage& message) = 0;
  // False once the frame is gone (CEF: IsValid). In the render process the frame handed over
  // with a script context stands for that context's document: it is valid only while the frame
  // is attached and shows that document (again, after a restore from the page cache).
  virtual bool IsValid() const { return true; }
};

class BrowserHost {
 public:
  virtual ~BrowserHost() = default;

  // The browser's top-level native window: HWND on Windows, GtkWindow* on Linux.
  virtual platform::WindowHandle GetWindowHandle() const = 0;
  // Asks the browser to close: with `force` the page gets no say. The client's DoClose and
  // OnBeforeClose follow.
  virtual void CloseBrowser(bool force) = 0;
  // Tells the engine that the native window's size changed.
  virtual void WasResized() = 0;
  // Runs `done` on the UI thread once the page has run every script sent to this browser before
  // the call (ExecuteJavaScript in any of its frames), or has failed to answer in time: what the
  // page was told reaches it before the client goes on, say, to close its window.
  virtual void RunAfterSentScripts(std::function<void()> done) = 0;
};

class Browser {
 public:
  virtual ~Browser() = default;

  // Unique among the browsers of the browser process while it lives.
  virtual int GetIdentifier() const = 0;
  bool IsSame(const Browser& other) const { return GetIdentifier() == other.GetIdentifier(); }

  virtual std::shared_ptr<Frame> GetMainFrame() = 0;
  virtual void Reload() = 0;
  virtual BrowserHost& GetHost() = 0;
};

}  // namespace varnet::engine

#pragma once

// The seam's browsers, frames and process messages over CEF's. An adapter holds a reference to
// the CEF object; CEF makes the operations of a closed browser do nothing.

#include <memory>

#include "engine/browser.h"
#include "engine/process_message.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_process_message.h"

namespace varnet::engine::cef_adapter {

class CefFrameAdapter : public Frame {
 public:
  explicit CefFrameAdapter(CefRefPtr<CefFrame> frame) : frame_(frame) {}

  bool IsMain() const override;
  std::u16string GetURL() const override;
  void ExecuteJavaScript(const std::u16string& code) override;
  void SendProcessMessage(const ProcessMessage& message) override;
  bool IsValid() const override;

 private:
  CefRefPtr<CefFrame> frame_;
};

class CefBrowserAdapter : public Browser, public BrowserHost {
 public:
  explicit CefBrowserAdapter(CefRefPtr<CefBrowser> browser) : browser_(browser) {}

  // Browser methods:
  int GetIdentifier() const override;
  std::shared_ptr<Frame> GetMainFrame() override;
  void Reload() override;
  BrowserHost& GetHost() override { return *this; }

  // BrowserHost methods:
  platform::WindowHandle GetWindowHandle() const override;
  void CloseBrowser(bool force) override;
  void WasResized() override;
  void RunAfterSentScripts(std::function<void()> done) override;

 private:
  CefRefPtr<CefBrowser> browser_;
};

std::shared_ptr<Browser> wrap(CefRefPtr<CefBrowser> browser);
std::shared_ptr<Frame> wrap(CefRefPtr<CefFrame> frame);

// A process message's arguments keep their types both ways: 32-bit integers and texts.
CefRefPtr<CefProcessMessage> toCef(const ProcessMessage& message);
ProcessMessage fromCef(CefRefPtr<CefProcessMessage> message);

}  // namespace varnet::engine::cef_adapter

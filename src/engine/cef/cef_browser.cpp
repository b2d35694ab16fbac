#include "engine/cef/cef_browser.h"

#include "engine/cef/cef_text.h"
#include "include/cef_values.h"

namespace varnet::engine::cef_adapter {

bool CefFrameAdapter::IsMain() const {
  return frame_->IsMain();
}

std::u16string CefFrameAdapter::GetURL() const {
  return fromCef(frame_->GetURL());
}

void CefFrameAdapter::ExecuteJavaScript(const std::u16string& code) {
  frame_->ExecuteJavaScript(cef_adapter::toCef(code), CefString(), 0);
}

bool CefFrameAdapter::IsValid() const {
  return frame_->IsValid();
}

void CefFrameAdapter::SendProcessMessage(const ProcessMessage& message) {
  frame_->SendProcessMessage(PID_BROWSER, cef_adapter::toCef(message));
}

int CefBrowserAdapter::GetIdentifier() const {
  return browser_->GetIdentifier();
}

std::shared_ptr<Frame> CefBrowserAdapter::GetMainFrame() {
  return wrap(browser_->GetMainFrame());
}

void CefBrowserAdapter::Reload() {
  browser_->Reload();
}

platform::WindowHandle CefBrowserAdapter::GetWindowHandle() const {
  return browser_->GetHost()->GetWindowHandle();
}

void CefBrowserAdapter::CloseBrowser(bool force) {
  browser_->GetHost()->CloseBrowser(force);
}

void CefBrowserAdapter::WasResized() {
  browser_->GetHost()->WasResized();
}

// At once: a frame's scripts (CefFrame::ExecuteJavaScript) and the teardown of the browser's page
// travel to the render process in the order they were sent, over its one IPC channel, so a
// script sent before a close runs before the page goes. No later event is needed.
void CefBrowserAdapter::RunAfterSentScripts(std::function<void()> done) {
  done();
}

std::shared_ptr<Browser> wrap(CefRefPtr<CefBrowser> browser) {
  return browser ? std::make_shared<CefBrowserAdapter>(browser) : nullptr;
}

std::shared_ptr<Frame> wrap(CefRefPtr<CefFrame> frame) {
  return frame ? std::make_shared<CefFrameAdapter>(frame) : nullptr;
}

CefRefPtr<CefProcessMessage> toCef(const ProcessMessage& message) {
  CefRefPtr<CefProcessMessage> out = CefProcessMessage::Create(message.GetName());
  CefRefPtr<CefListValue> arguments = out->GetArgumentList();
  for (size_t i = 0; i < message.GetSize(); ++i) {
    if (message.IsInt(i))
      arguments->SetInt(i, message.GetInt(i));
    else
      arguments->SetString(i, cef_adapter::toCef(message.GetString(i)));
  }
  return out;
}

ProcessMessage fromCef(CefRefPtr<CefProcessMessage> message) {
  ProcessMessage out(message->GetName().ToString());
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  for (size_t i = 0; i < arguments->GetSize(); ++i) {
    if (arguments->GetType(i) == VTYPE_INT)
      out.GetArgumentList().emplace_back(static_cast<std::int32_t>(arguments->GetInt(i)));
    else
      out.GetArgumentList().emplace_back(cef_adapter::fromCef(arguments->GetString(i)));
  }
  return out;
}

}  // namespace varnet::engine::cef_adapter

#pragma once

// CV8JsHandler's face towards CEF: the V8 handler behind every bridge function. It reads the
// call's arguments the way the seam describes them and answers through the return value.

#include <memory>

#include "engine/cef/cef_browser.h"
#include "engine/script_value.h"
#include "include/cef_v8.h"

namespace varnet::engine::cef_adapter {

class CefV8JsHandler : public CefV8Handler {
 public:
  explicit CefV8JsHandler(std::shared_ptr<ScriptHandler> handler) : handler_(std::move(handler)) {}

  // CefV8Handler methods:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override;

 private:
  std::shared_ptr<ScriptHandler> handler_;

  IMPLEMENT_REFCOUNTING(CefV8JsHandler);
};

// A V8 value as the seam reads it.
ScriptValue fromCef(CefRefPtr<CefV8Value> value);

// A frame as the render process hands it over with a new script context: it stands for that
// context's document, valid only while the frame exists and that context is still its current one.
class CefDocumentFrame : public CefFrameAdapter {
 public:
  CefDocumentFrame(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context)
      : CefFrameAdapter(frame), frame_(frame), context_(context) {}
  bool IsValid() const override;

 private:
  CefRefPtr<CefFrame> frame_;
  CefRefPtr<CefV8Context> context_;
};

// The global object of a frame's new script context, where the bridge puts its functions.
class CefScriptContext : public ScriptContext {
 public:
  CefScriptContext(CefRefPtr<CefV8Context> context, CefRefPtr<CefBrowser> browser)
      : context_(context), browser_(browser) {}
  void SetGlobalFunction(const std::u16string& name,
                         std::shared_ptr<ScriptHandler> handler) override;
  std::u16string GetTopFrameURL() const override;

 private:
  CefRefPtr<CefV8Context> context_;
  CefRefPtr<CefBrowser> browser_;
  // One V8 handler for all functions of one script handler.
  std::shared_ptr<ScriptHandler> lastHandler_;
  CefRefPtr<CefV8JsHandler> lastFace_;
};

}  // namespace varnet::engine::cef_adapter

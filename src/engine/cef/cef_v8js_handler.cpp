#include "engine/cef/cef_v8js_handler.h"

#include "engine/cef/cef_text.h"

namespace varnet::engine::cef_adapter {

ScriptValue fromCef(CefRefPtr<CefV8Value> value) {
  if (!value || value->IsUndefined())
    return ScriptValue::Undefined();
  if (value->IsNull())
    return ScriptValue::Null();
  if (value->IsBool())
    return ScriptValue::Bool(value->GetBoolValue());
  if (value->IsInt())
    return ScriptValue::Int(value->GetIntValue());
  if (value->IsUInt())
    return ScriptValue::UInt(value->GetUIntValue());
  if (value->IsDouble())
    return ScriptValue::Double(value->GetDoubleValue());
  if (value->IsString())
    return ScriptValue::String(fromCef(value->GetStringValue()));
  return ScriptValue::Object();
}

bool CefV8JsHandler::Execute(const CefString& name,
                             CefRefPtr<CefV8Value> /*object*/,
                             const CefV8ValueList& arguments,
                             CefRefPtr<CefV8Value>& retval,
                             CefString& /*exception*/) {
  ScriptArguments values;
  values.reserve(arguments.size());
  for (const CefRefPtr<CefV8Value>& argument : arguments)
    values.push_back(cef_adapter::fromCef(argument));
  ScriptResult result;
  if (!handler_->Execute(fromCef(name), values, result))
    return false;
  if (auto* number = std::get_if<std::int32_t>(&result))
    retval = CefV8Value::CreateInt(*number);
  else if (auto* text = std::get_if<std::u16string>(&result))
    retval = CefV8Value::CreateString(toCef(*text));
  return true;
}

bool CefDocumentFrame::IsValid() const {
  if (!CefFrameAdapter::IsValid() || !context_->IsValid())
    return false;
  CefRefPtr<CefV8Context> current = frame_->GetV8Context();
  return current && current->IsSame(context_);
}

std::u16string CefScriptContext::GetTopFrameURL() const {
  CefRefPtr<CefFrame> top = browser_ ? browser_->GetMainFrame() : nullptr;
  return top ? fromCef(top->GetURL()) : std::u16string();
}

void CefScriptContext::SetGlobalFunction(const std::u16string& name,
                                         std::shared_ptr<ScriptHandler> handler) {
  if (handler != lastHandler_) {
    lastHandler_ = handler;
    lastFace_ = new CefV8JsHandler(handler);
  }
  CefString functionName = toCef(name);
  context_->GetGlobal()->SetValue(functionName, CefV8Value::CreateFunction(functionName, lastFace_),
                                  V8_PROPERTY_ATTRIBUTE_NONE);
}

}  // namespace varnet::engine::cef_adapter

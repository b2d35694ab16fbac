#pragma once

// What a bridge function sees of a script call: its arguments as the engine reads them, the
// result it hands back, and the handler that serves the call (CefV8Value / CefV8Handler).

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace varnet::engine {

// One script argument, converted when the call arrives. The readings follow CEF's V8 values,
// which are typed: GetIntValue is the number only for a value that is a 32-bit integer (signed,
// or unsigned and then wrapped to signed), 0 for everything else (texts, fractions, booleans,
// undefined); GetStringValue is the text only for a string, empty for everything else.
class ScriptValue {
 public:
  enum class Type { Undefined, Null, Bool, Int, UInt, Double, String, Object };

  ScriptValue() = default;
  static ScriptValue Undefined() { return ScriptValue(); }
  static ScriptValue Null() { return ScriptValue(Type::Null); }
  static ScriptValue Bool(bool value) {
    ScriptValue v(Type::Bool);
    v.int_ = value ? 1 : 0;
    return v;
  }
  static ScriptValue Int(std::int32_t value) {
    ScriptValue v(Type::Int);
    v.int_ = value;
    return v;
  }
  static ScriptValue UInt(std::uint32_t value) {
    ScriptValue v(Type::UInt);
    v.int_ = static_cast<std::int32_t>(value);
    return v;
  }
  static ScriptValue Double(double value) {
    ScriptValue v(Type::Double);
    v.double_ = value;
    return v;
  }
  // A script number, typed the way V8 types it: a 32-bit integer value (not -0) is Int, one that
  // fits only unsigned is UInt, anything else Double.
  static ScriptValue Number(double value);
  static ScriptValue String(std::u16string value) {
    ScriptValue v(Type::String);
    v.string_ = std::move(value);
    return v;
  }
  static ScriptValue Object() { return ScriptValue(Type::Object); }

  Type GetType() const { return type_; }
  std::int32_t GetIntValue() const { return type_ == Type::Int || type_ == Type::UInt ? int_ : 0; }
  double GetDoubleValue() const {
    if (type_ == Type::Double)
      return double_;
    if (type_ == Type::Int)
      return int_;
    if (type_ == Type::UInt)
      return static_cast<std::uint32_t>(int_);
    return 0.0;
  }
  const std::u16string& GetStringValue() const { return string_; }

 private:
  explicit ScriptValue(Type type) : type_(type) {}

  Type type_ = Type::Undefined;
  std::int32_t int_ = 0;
  double double_ = 0.0;
  std::u16string string_;
};

using ScriptArguments = std::vector<ScriptValue>;

// A bridge call's result: nothing (the page sees undefined), an integer or a text.
using ScriptResult = std::variant<std::monostate, std::int32_t, std::u16string>;

// Serves the calls of one or more script functions; `name` tells them apart. Runs on the render
// process's script thread and answers through `retval` before the call returns.
class ScriptHandler {
 public:
  virtual ~ScriptHandler() = default;
  // True when the handler served the call (CefV8Handler::Execute). The bridge never throws.
  virtual bool Execute(const std::u16string& name,
                       const ScriptArguments& arguments,
                       ScriptResult& retval) = 0;
};

// The script context of one frame, as a render-process handler receives it when it is created:
// its global object (the page's `window`).
class ScriptContext {
 public:
  virtual ~ScriptContext() = default;
  // Creates a function `name` served by `handler` and sets it on the global object under that
  // name: writable, enumerable, deletable (CreateFunction + SetValue, attribute NONE).
  virtual void SetGlobalFunction(const std::u16string& name,
                                 std::shared_ptr<ScriptHandler> handler) = 0;
  // The address of the top frame of the page the context's frame belongs to (its own address
  // when it is the top frame).
  virtual std::u16string GetTopFrameURL() const = 0;
};

}  // namespace varnet::engine

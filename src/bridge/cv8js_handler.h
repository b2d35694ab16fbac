#pragma once

// The handler behind every bridge function: one Execute that tells the functions apart by name,
// reads the page's arguments by position and answers through the call's return value.

#include <string>

#include "engine/script_value.h"

namespace varnet {

class SimpleApp;

class CV8JsHandler : public engine::ScriptHandler {
 public:
  explicit CV8JsHandler(SimpleApp* app) : app(app) {}

  // engine::ScriptHandler methods:
  bool Execute(const std::u16string& name,
               const engine::ScriptArguments& arguments,
               engine::ScriptResult& retval) override;

  SimpleApp* app;  // the application object of this process; lives as long as the process
};

}  // namespace varnet

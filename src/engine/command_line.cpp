#include "engine/command_line.h"

#include <string_view>

namespace varnet::engine {

namespace {

// The switch name of an argument such as "--name=value" or "-name", or empty for a non-switch.
std::string_view switchName(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '-')
    return {};
  argument.remove_prefix(argument[1] == '-' ? 2 : 1);
  return argument.substr(0, argument.find('='));
}

}  // namespace

CommandLine::CommandLine(int argc, const char* const* argv) {
  if (argc > 0 && argv[0])
    program_ = argv[0];
  for (int i = 1; i < argc; ++i)
    arguments_.emplace_back(argv[i] ? argv[i] : "");
}

CommandLine& CommandLine::Global() {
  static CommandLine global;
  return global;
}

bool CommandLine::HasSwitch(const std::string& name) const {
  for (const auto& argument : arguments_) {
    if (!name.empty() && switchName(argument) == name)
      return true;
  }
  return false;
}

std::string CommandLine::GetSwitchValue(const std::string& name) const {
  for (const auto& argument : arguments_) {
    if (switchName(argument) == name) {
      auto equals = argument.find('=');
      return equals == std::string::npos ? std::string() : argument.substr(equals + 1);
    }
  }
  return {};
}

void CommandLine::AppendSwitch(const std::string& name) {
  arguments_.push_back("--" + name);
}

void CommandLine::AppendSwitchWithValue(const std::string& name, const std::string& value) {
  arguments_.push_back("--" + name + "=" + value);
}

bool ChromeRuntimeRequested() {
  static const bool requested = CommandLine::Global().HasSwitch("enable-chrome-runtime");
  return requested;
}

}  // namespace varnet::engine

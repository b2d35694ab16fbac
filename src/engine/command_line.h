#pragma once

// Engine command-line switches (CefCommandLine). Switch names are given without their leading
// dashes, as CEF takes them; AppendSwitch writes them as "--name".

#include <string>
#include <vector>

namespace varnet::engine {

class CommandLine {
 public:
  CommandLine() = default;
  // From a process's argv; argv[0] is the program.
  CommandLine(int argc, const char* const* argv);

  // The command line of this process, filled when the engine is initialised (CEF:
  // CefCommandLine::GetGlobalCommandLine). Only used on the UI thread.
  static CommandLine& Global();

  bool HasSwitch(const std::string& name) const;
  // The value of "--name=value", or empty.
  std::string GetSwitchValue(const std::string& name) const;
  void AppendSwitch(const std::string& name);
  void AppendSwitchWithValue(const std::string& name, const std::string& value);

  const std::string& GetProgram() const { return program_; }
  // Every argument after the program, in order, switches as written ("--name", "--name=value").
  const std::vector<std::string>& GetArguments() const { return arguments_; }

 private:
  std::string program_;
  std::vector<std::string> arguments_;
};

// True when the process was started with "--enable-chrome-runtime". The first call decides for
// the life of the process. UI thread only.
bool ChromeRuntimeRequested();

}  // namespace varnet::engine

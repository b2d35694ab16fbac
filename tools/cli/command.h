#pragma once

// A varnet-cli subcommand: its own file defines `run`, and one line in commands.cpp lists it.

#include <string>
#include <vector>

namespace varnet::cli {

using Arguments = std::vector<std::string>;  // the words after the subcommand's name

// Exit statuses every subcommand uses.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsageError = 2;

struct Command {
  const char* name;
  const char* usage;  // one line per form, without the program name
  int (*run)(const Arguments& arguments);
};

// Every subcommand, in the order the help lists them.
const std::vector<Command>& commands();

// Writes the usage of the named command to standard error and returns kUsageError.
int usageError(const std::string& commandName);

}  // namespace varnet::cli

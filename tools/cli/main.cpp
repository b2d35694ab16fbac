// varnet-cli: the client's own operations at the command line, for the portal's operators and
// support. Each subcommand lives in its own file and is listed in commands.cpp.

#include <iostream>
#include <sstream>

#include "command.h"

namespace varnet::cli {
namespace {

void printUsage(std::ostream& out, const Command& command) {
  std::istringstream lines(command.usage);
  std::string line;
  while (std::getline(lines, line))
    out << "  varnet-cli " << line << "\n";
}

}  // namespace

int usageError(const std::string& commandName) {
  std::cerr << "usage:\n";
  for (const Command& command : commands()) {
    if (commandName == command.name)
      printUsage(std::cerr, command);
  }
  return kUsageError;
}

}  // namespace varnet::cli

int main(int argc, char** argv) {
  using namespace varnet::cli;
  const std::string name = argc > 1 ? argv[1] : "";
  for (const Command& command : commands()) {
    if (name == command.name)
      return command.run(Arguments(argv + 2, argv + argc));
  }
  const bool asked = name == "help" || name == "--help" || name == "-h";
  std::ostream& out = asked ? std::cout : std::cerr;
  if (!asked && !name.empty())
    out << "varnet-cli: unknown command \"" << name << "\"\n";
  out << "usage: varnet-cli <command> [arguments]\n";
  for (const Command& command : commands())
    printUsage(out, command);
  return asked ? kSuccess : kUsageError;
}

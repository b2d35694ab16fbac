#include "command.h"

namespace varnet::cli {

int runTicket(const Arguments& arguments);
int runIdentity(const Arguments& arguments);
int runCompanion(const Arguments& arguments);
int runUnpack(const Arguments& arguments);

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"ticket",
       "ticket make           a ticket for this machine\n"
       "ticket seal           seals standard input\n"
       "ticket open           opens the sealed text on standard input",
       runTicket},
      {"identity", "identity              this machine's disk identity", runIdentity},
      {"companion",
       "companion status      whether the companion downloader runs (exit status 1: it does not)\n"
       "companion launch      starts it from the current directory",
       runCompanion},
      {"unpack",
       "unpack INSTALL_ROOT PACKAGE_DIR [--shortcut NAME] [--exe PATH] [--mode N] [--password P]",
       runUnpack},
  };
  return table;
}

}  // namespace varnet::cli

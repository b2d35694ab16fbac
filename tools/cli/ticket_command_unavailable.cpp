// varnet-cli ticket, in a build without Crypto++ (the mingw build).

#include <iostream>

#include "command.h"

namespace varnet::cli {

int runTicket(const Arguments&) {
  std::cerr << "varnet-cli: this build has no cipher library; tickets are not available\n";
  return kFailure;
}

}  // namespace varnet::cli

#include <unistd.h>

#include "terminal.h"

namespace varnet::cli {

bool standardOutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

}  // namespace varnet::cli

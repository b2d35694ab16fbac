#include <io.h>
#include <stdio.h>

#include "terminal.h"

namespace varnet::cli {

bool standardOutputIsTerminal() {
  return _isatty(_fileno(stdout)) != 0;
}

}  // namespace varnet::cli

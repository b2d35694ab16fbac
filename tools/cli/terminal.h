#pragma once

namespace varnet::cli {

// Whether standard output is a terminal (then progress is redrawn on one line).
bool standardOutputIsTerminal();

}  // namespace varnet::cli

// varnet-cli ticket make | seal | open: tickets and sealed texts under the client's key.

#include <iostream>
#include <iterator>

#include "command.h"
#include "config.h"
#include "identity/ticket.h"
#include "platform/text.h"

namespace varnet::cli {
namespace {

// Standard input exactly as given: a line end at its close is part of the text.
std::string readStandardInput() {
  return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

}  // namespace

int runTicket(const Arguments& arguments) {
  const std::string action = arguments.size() == 1 ? arguments[0] : "";
  if (action == "make") {
    std::cout << toUtf8(MakeTicket());
    return kSuccess;
  }
  if (action == "seal") {
    std::cout << SealText(TicketKey(), config::kTicketKeyLength, readStandardInput());
    return kSuccess;
  }
  if (action == "open") {
    std::string error;
    std::optional<std::u16string> opened =
        TryOpenText(TicketKey(), config::kTicketKeyLength, readStandardInput(), error);
    if (!opened) {
      std::cout << error << std::endl;  // where the client itself writes it
      return kFailure;
    }
    std::cout << toUtf8(*opened);
    return kSuccess;
  }
  return usageError("ticket");
}

}  // namespace varnet::cli

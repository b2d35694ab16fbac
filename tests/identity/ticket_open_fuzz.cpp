// Fuzzes ticket opening: any input either fails with a message or opens to a text that seals
// and opens again to itself.

#include <cstddef>
#include <cstdint>
#include <string>

#include "identity/ticket.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace varnet;
  const std::string sealed(reinterpret_cast<const char*>(data), size);
  std::string error;
  std::optional<std::u16string> opened = TryOpenText(TicketKey(), 16, sealed, error);
  if (!opened) {
    if (error.empty())
      __builtin_trap();  // a failure always carries its message
    return 0;
  }
  std::string again;
  if (TryOpenText(TicketKey(), 16, SealText(TicketKey(), 16, toUtf8(*opened)), again) != opened)
    __builtin_trap();
  return 0;
}

#pragma once

// Tickets: the machine identity and the moment of making, sealed under the ticket key. The same
// sealing carries the download tasks that the page hands to the browser process.
//
// Sealed text: AES-128-ECB with PKCS #7 padding, in Base64 with a line feed after every 72
// characters and after the last one.

#include <cstddef>
#include <optional>
#include <string>

#include "config.h"

namespace varnet {

// The ticket key as the cipher takes it (config::kTicketKeyLength bytes).
inline const unsigned char* TicketKey() {
  return reinterpret_cast<const unsigned char*>(config::kTicketKey);
}

// A fresh ticket for this machine: the sealed UTF-8 text of identity + "#" + milliseconds since
// 1970 (UTC), as UTF-16 text.
std::u16string MakeTicket();

// Seals the bytes of `plain`. The sealed text is ASCII; empty only if the cipher failed.
std::string SealText(const unsigned char* key, size_t keyLength, std::string plain);

// Opens a sealed text (line breaks, carriage returns and spaces are ignored). On failure writes
// the library's message and a line end to standard output and returns the empty text.
std::u16string OpenText(const unsigned char* key, size_t keyLength, std::string sealed);

// OpenText without the output: the opened text, or nothing with the library's message in
// `error` (for callers that must tell an empty text from a failure).
std::optional<std::u16string> TryOpenText(const unsigned char* key,
                                          size_t keyLength,
                                          const std::string& sealed,
                                          std::string& error);

}  // namespace varnet

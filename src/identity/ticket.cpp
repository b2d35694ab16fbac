#include "identity/ticket.h"

#include <cryptopp/aes.h>
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>

#include <chrono>
#include <exception>
#include <iostream>

#include "identity/disk_info.h"
#include "platform/text.h"

namespace varnet {
namespace {

constexpr int kLineLength = 72;

uint64_t millisecondsSince1970() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string SealText(const unsigned char* key, size_t keyLength, std::string plain) {
  std::string sealed;
  try {
    CryptoPP::ECB_Mode<CryptoPP::AES>::Encryption cipher(key, keyLength);
    CryptoPP::StringSource source(
        plain, true,
        new CryptoPP::StreamTransformationFilter(
            cipher,
            new CryptoPP::Base64Encoder(new CryptoPP::StringSink(sealed), true, kLineLength),
            CryptoPP::StreamTransformationFilter::PKCS_PADDING));
  } catch (const std::exception&) {
    // Cannot happen with a 16-byte key and memory sinks; the caller gets what was written.
  }
  return sealed;
}

std::optional<std::u16string> TryOpenText(const unsigned char* key,
                                          size_t keyLength,
                                          const std::string& sealed,
                                          std::string& error) {
  try {
    std::string cipherText;
    CryptoPP::StringSource decoding(
        sealed, true, new CryptoPP::Base64Decoder(new CryptoPP::StringSink(cipherText)));
    CryptoPP::ECB_Mode<CryptoPP::AES>::Decryption cipher(key, keyLength);
    std::string plain;
    CryptoPP::StringSource deciphering(cipherText, true,
                                       new CryptoPP::StreamTransformationFilter(
                                           cipher, new CryptoPP::StringSink(plain),
                                           CryptoPP::StreamTransformationFilter::PKCS_PADDING));
    return fromUtf8OrThrow(plain);
  } catch (const std::exception& failure) {
    error = *failure.what() ? failure.what() : "Unknown exception";
    return std::nullopt;
  }
}

std::u16string OpenText(const unsigned char* key, size_t keyLength, std::string sealed) {
  std::string error;
  std::optional<std::u16string> opened = TryOpenText(key, keyLength, sealed, error);
  if (opened)
    return *opened;
  std::cout << error << std::endl;
  return {};
}

std::u16string MakeTicket() {
  CMyDiskInfo disk;
  const std::u16string plain =
      disk.GetIdentity() + u"#" + fromUtf8(std::to_string(millisecondsSince1970()));
  return fromUtf8(SealText(TicketKey(), config::kTicketKeyLength, toUtf8(plain)));
}

}  // namespace varnet

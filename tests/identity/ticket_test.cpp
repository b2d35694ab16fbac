#include "identity/ticket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "identity/disk_info.h"
#include "platform/text.h"
#include "support/temp_folder.h"

namespace varnet {
namespace {

using testing::TempFolder;
using testing::writeFile;

constexpr char kBlockSizeMessage[] =
    "StreamTransformationFilter: ciphertext length is not a multiple of block size\n";
constexpr char kPaddingMessage[] =
    "StreamTransformationFilter: invalid PKCS #7 block padding found\n";

std::string seal(const std::string& plain) {
  return SealText(TicketKey(), config::kTicketKeyLength, plain);
}

// Opens and also gives what OpenText wrote to standard output.
std::pair<std::u16string, std::string> open(const std::string& sealed,
                                            const unsigned char* key = TicketKey()) {
  ::testing::internal::CaptureStdout();
  std::u16string opened = OpenText(key, config::kTicketKeyLength, sealed);
  return {opened, ::testing::internal::GetCapturedStdout()};
}

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return output;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, got);
  pclose(pipe);
  return output;
}

std::string hexKey() {
  std::string hex;
  char digits[3];
  for (int i = 0; i < config::kTicketKeyLength; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", TicketKey()[i]);
    hex += digits;
  }
  return hex;
}

// The peer: OpenSSL's AES-128-ECB with PKCS #7 padding and coreutils' Base64 in 72-column lines.
std::string peerSeal(const TempFolder& temp, const std::string& plain) {
  writeFile(temp / "plain", plain);
  return run("openssl enc -aes-128-ecb -K " + hexKey() + " -in '" + (temp / "plain").string() +
             "' | base64 -w 72");
}

TEST(SealText, AgreesWithAnIndependentImplementationForLengthsUpTo100) {
  TempFolder temp;
  std::mt19937 random(20261208);
  for (size_t length = 0; length <= 100; ++length) {
    std::string plain(length, '\0');
    for (char& byte : plain)
      byte = static_cast<char>(random());
    const std::string sealed = seal(plain);
    ASSERT_EQ(sealed, peerSeal(temp, plain)) << "length " << length;
  }
}

TEST(SealText, WritesLinesOf72CharactersEachEndedByOneLineFeed) {
  const std::string one = seal(std::string(31, 'x'));  // 44 Base64 characters
  EXPECT_EQ(one.size(), 45u);
  EXPECT_EQ(one.find('\n'), 44u);
  const std::string two = seal(std::string(48, 'x'));  // 88: a line of 72 and one of 16
  EXPECT_EQ(two.size(), 90u);
  EXPECT_EQ(two.find('\n'), 72u);
  EXPECT_EQ(two.find('\n', 73), 89u);
  EXPECT_EQ(seal(std::string(16, 'x')).size(), 45u);  // a whole block of padding
}

TEST(OpenText, GivesBackAnyUtf8TextThatWasSealed) {
  for (const std::u16string& text :
       {std::u16string(), std::u16string(u"_S12345_MODELX100#1733650000000"),
        std::u16string(u"Varnet整合客户端 \U0001F600\n\t\"'\\"), std::u16string(200, u'é'),
        std::u16string(u"a\0b", 3)}) {
    auto [opened, output] = open(seal(toUtf8(text)));
    EXPECT_EQ(opened, text);
    EXPECT_EQ(output, "");
  }
}

TEST(OpenText, IgnoresLineEndsAndSpacesInTheSealedText) {
  const std::string sealed = seal(std::string(100, 'z'));
  std::string crlf, flat;
  for (char c : sealed) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    flat += c == '\n' ? std::string() : std::string(1, c) + " ";
  }
  EXPECT_EQ(open(crlf).first, std::u16string(100, u'z'));
  EXPECT_EQ(open(flat).first, std::u16string(100, u'z'));
}

TEST(OpenText, GivesTheEmptyTextAndTheLibrarysMessageForTextsThatDoNotOpen) {
  const std::string sealed = seal("_S12345_MODELX100#1733650000000");
  const unsigned char otherKey[] = "another_key_1234";
  EXPECT_EQ(open(""), std::pair(std::u16string(), std::string(kBlockSizeMessage)));
  EXPECT_EQ(open("\n"), std::pair(std::u16string(), std::string(kBlockSizeMessage)));
  EXPECT_EQ(open(sealed.substr(0, 20)),
            std::pair(std::u16string(), std::string(kBlockSizeMessage)));
  EXPECT_EQ(open(sealed, otherKey), std::pair(std::u16string(), std::string(kPaddingMessage)));
  EXPECT_EQ(open(seal("ab\xFF\xFE")), std::pair(std::u16string(), std::string("bad conversion\n")));
}

TEST(MakeTicket, SealsTheIdentityAndTheMillisecondsSince1970) {
  using namespace std::chrono;
  const auto now = [] {
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
  };
  const uint64_t before = now();
  const std::u16string ticket = MakeTicket();
  const uint64_t after = now();
  const std::string opened = toUtf8(open(toUtf8(ticket)).first);
  const size_t mark = opened.rfind('#');
  ASSERT_NE(mark, std::string::npos);
  EXPECT_EQ(opened.substr(0, mark), toUtf8(CMyDiskInfo().GetIdentity()));
  const std::string time = opened.substr(mark + 1);
  ASSERT_EQ(time.size(), 13u);  // digits only, no leading zero, present-day
  EXPECT_EQ(time.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_GE(std::stoull(time), before);
  EXPECT_LE(std::stoull(time), after);
}

}  // namespace
}  // namespace varnet

#include <gtest/gtest.h>

#include <string>

#include "archive/archive.h"
#include "support/temp_folder.h"

namespace varnet::archive {
namespace {

#ifdef _WIN32
constexpr char16_t kSystemLibrary[] = u"kernel32.dll";
#else
constexpr char16_t kSystemLibrary[] = u"libc.so.6";
#endif

TEST(SevenZipLibrary, RefusesMissingFilesAndLibrariesThatAreNot7Zip) {
  testing::TempFolder temp;
  EXPECT_FALSE(SevenZipLibrary::load(temp.text("missing-7z.so")));
  testing::writeFile(temp / "fake.dll", "not a library");
  EXPECT_FALSE(SevenZipLibrary::load(temp.text("fake.dll")));
  auto system = SevenZipLibrary::load(kSystemLibrary);
  ASSERT_FALSE(system) << "a system library was taken for 7-Zip";
  EXPECT_NE(system.error().message.find("not a 7-Zip library"), std::string::npos);
}

}  // namespace
}  // namespace varnet::archive

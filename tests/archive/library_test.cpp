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
  EXPECT_THROW(SevenZipLibrary(temp.text("missing-7z.so")), ArchiveError);
  testing::writeFile(temp / "fake.dll", "not a library");
  EXPECT_THROW(SevenZipLibrary(temp.text("fake.dll")), ArchiveError);
  try {
    SevenZipLibrary system(kSystemLibrary);
    FAIL() << "a system library was taken for 7-Zip";
  } catch (const ArchiveError& error) {
    EXPECT_NE(std::string(error.what()).find("not a 7-Zip library"), std::string::npos);
  }
}

}  // namespace
}  // namespace varnet::archive

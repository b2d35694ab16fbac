#include "install/archive_search.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

TEST(FindArchive, TakesTheFirstPathWithAnAcceptedSuffixWhateverItsPlace) {
  EXPECT_EQ(findArchive({u"p/readme.txt", u"p/game.zip"}), std::u16string(u"p/game.zip"));
  EXPECT_EQ(findArchive({u"p/b.7z", u"p/a.zip"}), std::u16string(u"p/b.7z"));
  EXPECT_EQ(findArchive({u"p/data.tar.zip"}), std::u16string(u"p/data.tar.zip"));
  EXPECT_EQ(findArchive({u"p/game.rar"}), std::u16string(u"p/game.rar"));
}

TEST(FindArchive, ALaterVolumeOfARarSetGivesTheSetsFirstVolume) {
  EXPECT_EQ(findArchive({u"p/g.part3.rar", u"p/g.part1.rar", u"p/g.part2.rar"}),
            std::u16string(u"p/g.part1.rar"));
  EXPECT_EQ(findArchive({u"p/g.part10.rar", u"p/g.part01.rar"}), std::u16string(u"p/g.part01.rar"));
  // Another set's first volume, or none at all: the volume found stays (and fails to open).
  EXPECT_EQ(findArchive({u"p/g.part2.rar", u"p/h.part1.rar"}), std::u16string(u"p/g.part2.rar"));
  EXPECT_EQ(findArchive({u"p/readme.txt", u"p/g.part2.rar"}), std::u16string(u"p/g.part2.rar"));
  EXPECT_EQ(findArchive({u"p/g.rar", u"p/g.r00"}), std::u16string(u"p/g.rar"));
}

TEST(FindArchive, SuffixIsExactAndCaseCounts) {
  EXPECT_FALSE(findArchive({u"p/GAME.ZIP"}));
  EXPECT_FALSE(findArchive({u"p/game.zip.part"}));
  EXPECT_FALSE(findArchive({u"p/game.7zip", u"p/zip", u"p/.zipx"}));
  // The suffix runs from the last "." of the whole path: a dotted folder does not help.
  EXPECT_FALSE(findArchive({u"dl.zip/game"}));
  EXPECT_FALSE(findArchive({}));
}

TEST(SplitArchivePath, SplitsFolderBaseNameAndExtension) {
  std::optional<ArchivePathParts> parts = splitArchivePath(u"/downloads/pkg/data.tar.zip");
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->folder, u"/downloads/pkg/");
  EXPECT_EQ(parts->baseName, u"data.tar");
  EXPECT_EQ(parts->extension, u".zip");
}

TEST(SplitArchivePath, RefusesPartsLongerThanTheirBuffers) {
  // 259 characters and the terminator fill a buffer of 260.
  EXPECT_TRUE(splitArchivePath(u"/" + std::u16string(257, u'd') + u"/game.zip"));
  EXPECT_FALSE(splitArchivePath(u"/" + std::u16string(258, u'd') + u"/game.zip"));
  EXPECT_FALSE(splitArchivePath(u"/p/" + std::u16string(260, u'n') + u".zip"));
  EXPECT_TRUE(splitArchivePath(u"/p/" + std::u16string(259, u'n') + u".zip"));
}

}  // namespace
}  // namespace varnet

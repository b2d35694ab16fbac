#include "archive/archive.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "archive_fixtures.h"
#include "platform/text.h"

namespace varnet::archive {
namespace {

using namespace varnet::testing;

std::u16string u16(const fs::path& path) {
  return fromPath(path);
}

// Opens the archive and extracts it into `target`: nothing on success, else why not (the kind is
// checked by the cases, so a failure for the wrong reason fails them).
std::optional<Error> unpack(const SevenZipLibrary& library,
                            const fs::path& archive,
                            Format format,
                            const fs::path& target,
                            const std::u16string& password = {},
                            const ProgressCallback& progress = {},
                            ExtractionGate* gate = nullptr) {
  auto reader = ArchiveReader::open(library, u16(archive), format, password);
  if (!reader)
    return reader.error();
  return (*reader)->extractTo(u16(target), progress, gate);
}

std::optional<ErrorKind> kindOf(const std::optional<Error>& error) {
  return error ? std::optional<ErrorKind>(error->kind) : std::nullopt;
}

std::unique_ptr<ArchiveReader> openOrFail(const SevenZipLibrary& library,
                                          const fs::path& archive,
                                          Format format) {
  auto reader = ArchiveReader::open(library, u16(archive), format);
  EXPECT_TRUE(reader) << reader.error().message;
  return reader ? std::move(*reader) : nullptr;
}

std::unique_ptr<SevenZipLibrary> loadLibrary() {
  auto library = SevenZipLibrary::load();
  if (!library)
    ADD_FAILURE() << library.error().message;
  return library ? std::move(*library) : nullptr;
}

class ArchiveTest : public ::testing::Test {
 protected:
  // A small tree: nested folders, an empty file, an emoji name, a file large enough for several
  // progress reports.
  fs::path makeTree() {
    fs::path source = temp / "source";
    writeFile(source / "readme.txt", "hello\n");
    writeFile(source / "bin/game.bin", sampleBytes(3 << 20, 1));
    writeFile(source / "data/levels/one.dat", sampleBytes(70000, 2));
    writeFile(source / "data/empty.txt", "");
    writeFile(source / fs::u8path("data/\xE5\x9B\xBE \xF0\x9F\x98\x80.txt"), "unicode");
    fs::create_directories(source / "saves");
    return source;
  }

  TempFolder temp;
  std::unique_ptr<SevenZipLibrary> loaded = loadLibrary();
  const SevenZipLibrary& library = *loaded;
};

TEST_F(ArchiveTest, ZipAnd7z_SizeIsTheSumOfItemSizesAndExtractionReproducesTheTree) {
  fs::path source = makeTree();
  uint64_t expected = (3 << 20) + 70000 + 6 + 7;
  for (auto [name, format, options] :
       {std::tuple{"game.zip", Format::Zip, "-tzip"}, {"game.7z", Format::SevenZip, "-t7z"}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(sevenZip(temp / name, source, options));
    auto reader = openOrFail(library, temp / name, format);
    EXPECT_EQ(*reader->size(), expected);
    fs::path target = temp / (std::string(name) + ".out");
    EXPECT_EQ(reader->extractTo(u16(target)), std::nullopt);
    EXPECT_EQ(snapshot(target), snapshot(source));
  }
}

// A file of the same name is replaced, a read-only one too; the items' times (and on Linux their
// executable bit) are kept.
TEST_F(ArchiveTest, Extraction_ReplacesExistingFilesAndKeepsTheExecutableBitAndTimes) {
  fs::path source = temp / "source";
  writeFile(source / "run.sh", "#!/bin/sh\n");
  fs::permissions(source / "run.sh", fs::perms(0755));
  const fs::file_time_type old = fs::last_write_time(source / "run.sh") - std::chrono::hours(9000);
  fs::last_write_time(source / "run.sh", old);
  writeFile(source / "data.txt", "new");
  ASSERT_TRUE(sevenZip(temp / "a.zip", source, "-tzip"));
  fs::path target = temp / "target";
  writeFile(target / "data.txt", "old content that is longer");
  fs::permissions(target / "data.txt", fs::perms::owner_read);  // read-only on Windows too
  EXPECT_EQ(kindOf(unpack(library, temp / "a.zip", Format::Zip, target)), std::nullopt);
  EXPECT_EQ(readFile(target / "data.txt"), "new");
  // A zip keeps its times to two seconds (DOS time) or better.
  EXPECT_LE(std::chrono::abs(fs::last_write_time(target / "run.sh") - old),
            std::chrono::seconds(2));
#ifndef _WIN32
  EXPECT_EQ(fs::status(target / "run.sh").permissions() & fs::perms::owner_exec,
            fs::perms::owner_exec);
#endif
}

TEST_F(ArchiveTest, Progress_RisesMonotonicallyToTheTotalAndFalseStopsTheExtraction) {
  ASSERT_TRUE(sevenZip(temp / "game.zip", makeTree(), "-tzip"));
  auto reader = openOrFail(library, temp / "game.zip", Format::Zip);
  std::vector<uint64_t> reports;
  reader->extractTo(u16(temp / "all"), [&](uint64_t done) {
    reports.push_back(done);
    return true;
  });
  ASSERT_GE(reports.size(), 3u);
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(reports.back(), *reader->size());

  // Stopped inside the large file: it must not stay half-written.
  EXPECT_EQ(kindOf(unpack(library, temp / "game.zip", Format::Zip, temp / "stopped", {},
                          [](uint64_t done) { return done < (1 << 20); })),
            ErrorKind::Stopped);
  EXPECT_FALSE(fs::exists(temp / "stopped/bin/game.bin"));
}

TEST_F(ArchiveTest, Passwords_RightOneExtractsWrongOrMissingOneFailsAndLeavesNoFiles) {
  fs::path source = makeTree();
  ASSERT_TRUE(sevenZip(temp / "aes.zip", source, "-tzip -mem=AES256 -psecret"));
  ASSERT_TRUE(sevenZip(temp / "data.7z", source, "-t7z -psecret"));
  ASSERT_TRUE(sevenZip(temp / "headers.7z", source, "-t7z -mhe=on -psecret"));
  for (auto [name, format] : {std::pair{"aes.zip", Format::Zip},
                              {"data.7z", Format::SevenZip},
                              {"headers.7z", Format::SevenZip}}) {
    SCOPED_TRACE(name);
    fs::path archive = temp / name;
    fs::path right = temp / (std::string(name) + ".right");
    EXPECT_EQ(kindOf(unpack(library, archive, format, right, u"secret")), std::nullopt);
    EXPECT_EQ(snapshot(right), snapshot(source));

    for (std::u16string password : {std::u16string(u"wrong"), std::u16string()}) {
      SCOPED_TRACE(password.empty() ? "no password" : "wrong password");
      fs::path target = temp / (std::string(name) + ".failed");
      std::optional<Error> error = unpack(library, archive, format, target, password);
      ASSERT_EQ(kindOf(error), ErrorKind::WrongPassword);
      EXPECT_NE(error->message.find(name), std::string::npos) << error->message;
      // 7-Zip asks for every file before it checks the password: none of them may remain.
      // Only folders and empty files (which carry no encrypted data) can be complete.
      for (const auto& [path, content] : snapshot(target))
        EXPECT_TRUE(path.back() == '/' || path == "data/empty.txt") << path;
      fs::remove_all(target);
    }
  }
}

TEST_F(ArchiveTest, DamagedArchives_FailAndLeaveOnlyCompleteFiles) {
  fs::path source = makeTree();
  ASSERT_TRUE(sevenZip(temp / "good.zip", source, "-tzip -mx=1"));
  ASSERT_TRUE(sevenZip(temp / "good.7z", source, "-t7z -mx=1"));
  std::string zip = readFile(temp / "good.zip");
  std::string sevenZ = readFile(temp / "good.7z");
  std::string corruptZip = zip;
  for (size_t i = zip.size() / 3; i < zip.size() / 3 + 64; ++i)
    corruptZip[i] ^= 0x5A;
  std::string corrupt7z = sevenZ;
  for (size_t i = sevenZ.size() / 3; i < sevenZ.size() / 3 + 64; ++i)
    corrupt7z[i] ^= 0x5A;
  writeFile(temp / "corrupt.zip", corruptZip);
  writeFile(temp / "truncated.zip", zip.substr(0, zip.size() / 2));
  writeFile(temp / "corrupt.7z", corrupt7z);
  writeFile(temp / "truncated.7z", sevenZ.substr(0, sevenZ.size() / 2));
  writeFile(temp / "notzip.zip", "PK but not really an archive");
  std::map<std::string, std::string> original = snapshot(source);
  for (auto [name, format, kind] : {std::tuple{"corrupt.zip", Format::Zip, ErrorKind::Damaged},
                                    {"truncated.zip", Format::Zip, ErrorKind::Damaged},
                                    {"corrupt.7z", Format::SevenZip, ErrorKind::Damaged},
                                    {"truncated.7z", Format::SevenZip, ErrorKind::Damaged},
                                    {"notzip.zip", Format::Zip, ErrorKind::NotAnArchive},
                                    {"good.7z", Format::Zip, ErrorKind::NotAnArchive}}) {
    SCOPED_TRACE(name);
    fs::path target = temp / (std::string(name) + ".out");
    EXPECT_EQ(kindOf(unpack(library, temp / name, format, target)), kind);
    for (const auto& [path, content] : snapshot(target))
      EXPECT_EQ(content, original[path]) << path;
  }
}

TEST_F(ArchiveTest, HostilePaths_FailBeforeAnythingIsWritten) {
  // Backslashes from this Unix-made zip reach Windows as U+F05C: still separators, as here.
  const char* hostile[] = {"../evil.txt",      "/tmp/varnet-abs-evil.txt", "a/../../evil.txt",
                           "C:/drive.txt",     "sub/C:/drive.txt",         "..\\evil.txt",
                           "..\\..\\evil.txt", "ok/.. /evil.txt",          "\\\\server\\x"};
  for (const char* name : hostile) {
    SCOPED_TRACE(name);
    fs::path archive = temp / "hostile.zip";
    writeFile(archive, zipArchive({{"first.txt", "harmless"}, {name, "evil"}}));
    fs::path box = temp / "box";
    fs::path target = box / "install";
    std::optional<Error> error = unpack(library, archive, Format::Zip, target);
    ASSERT_EQ(kindOf(error), ErrorKind::LeavesFolder);
    EXPECT_TRUE(snapshot(box).empty());
    EXPECT_FALSE(fs::exists("/tmp/varnet-abs-evil.txt"));
    fs::remove_all(box);
  }
}

TEST_F(ArchiveTest, HarmlessOddPaths_LandInsideTheFolder) {
  writeFile(temp / "odd.zip",
            zipArchive({{"./dot/./x.txt", "x"}, {"ok//double.txt", "d"}, {"dir/", ""}}));
  fs::path target = temp / "out";
  EXPECT_EQ(kindOf(unpack(library, temp / "odd.zip", Format::Zip, target)), std::nullopt);
  EXPECT_EQ(
      snapshot(target),
      (std::map<std::string, std::string>{
          {"dot/", ""}, {"dot/x.txt", "x"}, {"ok/", ""}, {"ok/double.txt", "d"}, {"dir/", ""}}));
}

TEST_F(ArchiveTest, ZipNamesWithoutTheUtf8Flag_AreDecodedAsUtf8OrElseGb18030) {
  // Raw name bytes without the UTF-8 flag: UTF-8, GBK, ASCII; and one flagged name.
  writeFile(temp / "legacy.zip", zipArchive({{"\xE5\x9C\xB0\xE5\x9B\xBE/mac.txt", "data", 0, false},
                                             {"\xD3\xCE\xCF\xB7.txt", "data", 0, false},
                                             {"plain.txt", "data", 0, false},
                                             {"caf\xC3\xA9.txt", "flagged"}}));
  fs::path target = temp / "out";
  EXPECT_EQ(kindOf(unpack(library, temp / "legacy.zip", Format::Zip, target)), std::nullopt);
  EXPECT_EQ(snapshot(target),
            (std::map<std::string, std::string>{{"\xE5\x9C\xB0\xE5\x9B\xBE/", ""},
                                                {"\xE5\x9C\xB0\xE5\x9B\xBE/mac.txt", "data"},
                                                {"\xE6\xB8\xB8\xE6\x88\x8F.txt", "data"},
                                                {"plain.txt", "data"},
                                                {"caf\xC3\xA9.txt", "flagged"}}));
}

TEST_F(ArchiveTest, ItemWithoutAName_IsNamedAfterTheArchive) {
  writeFile(temp / "game.data.zip", zipArchive({{"", "nameless"}, {"readme.txt", "hi"}}));
  fs::path target = temp / "out";
  EXPECT_EQ(kindOf(unpack(library, temp / "game.data.zip", Format::Zip, target)), std::nullopt);
  EXPECT_EQ(snapshot(target),
            (std::map<std::string, std::string>{{"game.data", "nameless"}, {"readme.txt", "hi"}}));
}

// Links need the Unix file system (Wine cannot remove a folder link).
#ifndef _WIN32

// A zip symbolic link: Unix mode S_IFLNK in the external attributes, the target as data.
ArchiveEntry zipLink(const std::string& name, const std::string& target) {
  return {name, target, 0120777};
}

TEST_F(ArchiveTest, Links_InsideAreMadeEscapingOnesFailAndAreRemoved) {
  writeFile(temp / "links.zip", zipArchive({{"lib/libgame.so.1", "code"},
                                            zipLink("lib/libgame.so", "libgame.so.1"),
                                            zipLink("current", "lib")}));
  fs::path target = temp / "good";
  EXPECT_EQ(kindOf(unpack(library, temp / "links.zip", Format::Zip, target)), std::nullopt);
  EXPECT_EQ(fs::read_symlink(target / "lib/libgame.so"), "libgame.so.1");
  EXPECT_EQ(readFile(target / "current/libgame.so"), "code");
  // A dangling link that stays inside is made.
  writeFile(temp / "dangling.zip", zipArchive({zipLink("save/last", "../slots/none/1.dat")}));
  EXPECT_EQ(kindOf(unpack(library, temp / "dangling.zip", Format::Zip, temp / "dangling")),
            std::nullopt);
  EXPECT_EQ(fs::read_symlink(temp / "dangling/save/last"), "../slots/none/1.dat");

  fs::path outside = temp / "outside";
  writeFile(outside / "secret.txt", "keep");
  const std::vector<ArchiveEntry> escapes[] = {
      {zipLink("up", "../../outside")},
      {zipLink("abs", outside.string())},
      // Each link alone stays inside, together they climb out.
      {zipLink("sub/up", ".."), zipLink("m", "sub/up/..")},
      // Targets that do not exist are judged by their text all the same.
      {zipLink("cfg", "../../etc/missing/x.conf")},
      {zipLink("deep/er/far", "../../../../../../../missing")},
      {zipLink("dir/link", "../sub/../../random123")},
      {zipLink("hop", "dir"), zipLink("dir", "../missing"), zipLink("x", "hop/file")},
      {zipLink("same", "../outside"), {"same/file.txt", "f"}},
      {{"same/file.txt", "f"}, zipLink("same", "../outside")},
      {zipLink("win", "..\\..\\outside")},
  };
  for (const auto& links : escapes) {
    std::vector<ArchiveEntry> entries{{"a.txt", "a"}};
    entries.insert(entries.end(), links.begin(), links.end());
    writeFile(temp / "escape.zip", zipArchive(entries));
    fs::path box = temp / "box";
    EXPECT_EQ(kindOf(unpack(library, temp / "escape.zip", Format::Zip, box / "in")),
              ErrorKind::LinkRefused)
        << links.back().name;
    for (const auto& [path, content] : snapshot(box))
      EXPECT_EQ(content.rfind("->", 0), std::string::npos) << "link left: " << path;
    EXPECT_EQ(readFile(outside / "secret.txt"), "keep");
    fs::remove_all(box);
  }
}

TEST_F(ArchiveTest, ExistingLinkInTheFolder_DoesNotCarryFilesOutside) {
  fs::path outside = temp / "outside";
  fs::create_directories(outside);
  fs::path target = temp / "target";
  fs::create_directories(target);
  fs::create_directory_symlink(outside, target / "data");
  writeFile(target / "file.txt", "old");
  fs::create_symlink(outside / "victim.txt", target / "save.txt");
  writeFile(outside / "victim.txt", "victim");
  writeFile(temp / "a.zip", zipArchive({{"save.txt", "replaced"}, {"data/x.txt", "x"}}));
  EXPECT_EQ(kindOf(unpack(library, temp / "a.zip", Format::Zip, target)), ErrorKind::LinkRefused);
  EXPECT_EQ(readFile(outside / "victim.txt"), "victim");
  EXPECT_EQ(readFile(target / "save.txt"), "replaced");  // the link itself was replaced
  EXPECT_FALSE(fs::exists(outside / "x.txt"));
}
#endif  // _WIN32

TEST_F(ArchiveTest, Gate_StoppedFromAnotherThreadChangesNothingAfterStopReturns) {
  fs::path source = temp / "source";
  for (int i = 0; i < 4; ++i)
    writeFile(source / ("big" + std::to_string(i) + ".bin"), sampleBytes(6 << 20, i));
  ASSERT_TRUE(sevenZip(temp / "big.zip", source, "-tzip -mx=1"));
  auto reader = openOrFail(library, temp / "big.zip", Format::Zip);
  fs::path target = temp / "target";
  ExtractionGate gate;
  std::atomic<uint64_t> reached{0};
  std::atomic<bool> ended{false};
  std::thread worker([&] {
    std::optional<Error> error = reader->extractTo(
        u16(target), [&](uint64_t done) { return reached = done, true; }, &gate);
    EXPECT_EQ(kindOf(error), ErrorKind::Stopped);
    ended = true;
  });
  while (reached < (9u << 20) && !ended)
    std::this_thread::yield();
  gate.stop();
  std::map<std::string, std::string> atStop = snapshot(target);
  worker.join();
  EXPECT_EQ(snapshot(target), atStop);
  std::map<std::string, std::string> original = snapshot(source);
  EXPECT_FALSE(atStop.empty());
  for (const auto& [path, content] : atStop)
    EXPECT_TRUE(content == original[path]) << "half-written file left: " << path;
}

TEST_F(ArchiveTest, Rar5AndRar4_AreToldBySignatureAndExtract) {
  const std::vector<ArchiveEntry> entries{
      {"readme.txt", "hello"}, {"data/", ""}, {"data/level.dat", sampleBytes(70000, 5)}};
  writeFile(temp / "five.rar", rar5Archive(entries));
  writeFile(temp / "four.rar", rar4Archive(entries));
  for (auto [name, format] : {std::pair{"five.rar", Format::Rar5}, {"four.rar", Format::Rar}}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(rarFormatOf(u16(temp / name)), format);
    auto reader = openOrFail(library, temp / name, format);
    ASSERT_TRUE(reader);
    EXPECT_EQ(*reader->size(), 70005u);
    fs::path target = temp / (std::string(name) + ".out");
    EXPECT_EQ(reader->extractTo(u16(target)), std::nullopt);
    EXPECT_EQ(snapshot(target),
              (std::map<std::string, std::string>{
                  {"readme.txt", "hello"}, {"data/", ""}, {"data/level.dat", entries[2].data}}));
  }
  EXPECT_EQ(rarFormatOf(u16(temp / "missing.rar")), Format::Rar);
}

// A RAR set of three volumes by its writer; the big file spans all three.
struct RarSet {
  Format format;
  std::vector<std::string> (*write)(const std::vector<ArchiveEntry>&, size_t, size_t);
  std::vector<std::string> names;
};

TEST_F(ArchiveTest, RarVolumeSets_ExtractWholeFromTheFirstVolumeAndFailWithAVolumeMissing) {
  const std::vector<ArchiveEntry> entries{{"readme.txt", "hello"},
                                          {"data/", ""},
                                          {"data/big.bin", sampleBytes(20111, 9)},
                                          {"data/tail.txt", "tail"}};
  const std::map<std::string, std::string> whole{{"readme.txt", "hello"},
                                                 {"data/", ""},
                                                 {"data/big.bin", entries[2].data},
                                                 {"data/tail.txt", "tail"}};
  const RarSet sets[] = {{Format::Rar5, rar5Volumes, {"g.part1.rar", "g.part2.rar", "g.part3.rar"}},
                         {Format::Rar, rar4Volumes, {"g.rar", "g.r00", "g.r01"}}};
  for (const RarSet& set : sets) {
    SCOPED_TRACE(set.names[0]);
    // The volumes `present` in a folder of their own; the one numbered `claimsLast` says so.
    auto write = [&](const std::string& folder, std::vector<size_t> present,
                     size_t claimsLast = SIZE_MAX) {
      std::vector<std::string> volumes = set.write(entries, 6893, claimsLast);
      EXPECT_EQ(volumes.size(), 3u);
      for (size_t index : present)
        writeFile(temp / folder / set.names[index], volumes[index]);
      return temp / folder;
    };
    fs::path all = write("all", {0, 1, 2});
    auto reader = openOrFail(library, all / set.names[0], set.format);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->files().size(), 3u);
    EXPECT_EQ(reader->extractTo(u16(temp / "out")), std::nullopt);
    EXPECT_EQ(snapshot(temp / "out"), whole);
    reader.reset();

    // The last volume missing; a later volume alone; a set cut short whose first volume claims
    // to be the last (only the written size tells that big.bin is incomplete).
    const std::pair<fs::path, std::string> broken[] = {{write("no-last", {0, 1}), set.names[0]},
                                                       {write("alone", {1}), set.names[1]},
                                                       {write("cut", {0}, 0), set.names[0]}};
    for (const auto& [folder, opened] : broken) {
      SCOPED_TRACE(folder.filename().string());
      fs::path target = temp / "broken";
      EXPECT_EQ(kindOf(unpack(library, folder / opened, set.format, target)), ErrorKind::Damaged);
      for (const auto& [path, content] : snapshot(target))
        EXPECT_EQ(content, whole.at(path)) << path;
      fs::remove_all(target);
    }
    fs::remove_all(temp / "out");
    for (const char* folder : {"all", "no-last", "alone", "cut"})
      fs::remove_all(temp / folder);
  }
}

#ifndef _WIN32  // the link
TEST_F(ArchiveTest, ExtractItems_WritesTheChosenItemsOnlyAndHandsTheirLinksBack) {
  writeFile(temp / "some.zip",
            zipArchive(
                {{"a.txt", "a"}, {"d/b.txt", "b"}, {"c.txt", "c"}, zipLink("d/link", "../a.txt")}));
  std::unique_ptr<ArchiveReader> reader = openOrFail(library, temp / "some.zip", Format::Zip);
  Result<std::vector<ItemInfo>> items = reader->items();
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 4u);
  EXPECT_EQ((*items)[1].path, u"d/b.txt");
  EXPECT_EQ((*items)[2].size, 1u);
  EXPECT_FALSE((*items)[0].block);
  fs::path target = temp / "out";
  std::vector<Link> links;
  ExtractionGate gate;
  Result<ItemPlan> plan = reader->plan();
  ASSERT_TRUE(plan);
  EXPECT_FALSE(reader->extractItems(u16(target), *plan, {3, 1}, {}, gate, links));
  EXPECT_EQ(snapshot(target), (std::map<std::string, std::string>{{"d/", ""}, {"d/b.txt", "b"}}));
  ASSERT_EQ(links.size(), 1u);
  // The same reader takes further shares; an index beyond the archive is refused.
  EXPECT_FALSE(reader->extractItems(u16(target), *plan, {2, 0}, {}, gate, links));
  std::optional<Error> outside = reader->extractItems(u16(target), *plan, {4}, {}, gate, links);
  ASSERT_TRUE(outside);
  EXPECT_EQ(outside->kind, ErrorKind::Damaged);
  EXPECT_EQ(snapshot(target), (std::map<std::string, std::string>{
                                  {"a.txt", "a"}, {"c.txt", "c"}, {"d/", ""}, {"d/b.txt", "b"}}));
  EXPECT_FALSE(makeLinksLast(links, u16(target), gate));
  EXPECT_EQ(fs::read_symlink(target / "d/link"), "../a.txt");

  // 7z: the items of one solid block are decoded together; without solid blocks each file has
  // its own.
  fs::path source = makeTree();
  for (auto [options, solid] : {std::pair{"-t7z -ms=on", true}, {"-t7z -ms=off", false}}) {
    SCOPED_TRACE(options);
    fs::remove(temp / "tree.7z");
    ASSERT_TRUE(sevenZip(temp / "tree.7z", source, options));
    items = openOrFail(library, temp / "tree.7z", Format::SevenZip)->items();
    ASSERT_TRUE(items);
    std::set<uint32_t> blocks;
    size_t withData = 0;
    for (const ItemInfo& item : *items) {
      if (item.size > 0) {
        ASSERT_TRUE(item.block) << toUtf8(item.path);
        blocks.insert(*item.block);
        ++withData;
      }
    }
    EXPECT_EQ(blocks.size(), solid ? 1u : withData);
  }
}
#endif  // _WIN32

}  // namespace
}  // namespace varnet::archive

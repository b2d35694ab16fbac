#include "install/parallel_extraction.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>

#include "../archive/archive_fixtures.h"
#include "platform/text.h"

namespace varnet {
namespace {

using namespace varnet::testing;
using archive::ArchiveReader;
using archive::ErrorKind;
using archive::ExtractionGate;
using archive::Format;

class ParallelExtractionTest : public ::testing::Test {
 protected:
  // Extracts `archive` into `target` with `workers` workers, each on its own reader.
  std::optional<archive::Error> extract(const fs::path& archive,
                                        Format format,
                                        const fs::path& target,
                                        unsigned workers,
                                        const archive::ProgressCallback& progress = {}) {
    auto reader = ArchiveReader::open(*library, fromPath(archive), format);
    if (!reader)
      return reader.error();
    ExtractionGate gate;
    return extractInParallel(**reader, fromPath(target), workers, progress, gate);
  }

  TempFolder temp;
  std::unique_ptr<archive::SevenZipLibrary> library = std::move(*archive::SevenZipLibrary::load());
};

TEST_F(ParallelExtractionTest, ZipAndNonSolid7z_WorkersReproduceTheTreeWithOneSummedProgress) {
  fs::path source = temp / "source";
  uint64_t total = 0;
  for (unsigned i = 0; i < 40; ++i) {
    size_t size = (i % 7) * 90000 + i * 301;
    writeFile(source / ("d" + std::to_string(i % 5)) / ("f" + std::to_string(i) + ".bin"),
              sampleBytes(size, i));
    total += size;
  }
  writeFile(source / "empty.txt", "");
  fs::create_directories(source / "saves");
  fs::create_symlink("d1/f1.bin", source / "link.bin");
  for (auto [name, format, options] : {std::tuple{"game.zip", Format::Zip, "-tzip -snl"},
                                       {"game.7z", Format::SevenZip, "-t7z -ms=off -snl"}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(sevenZip(temp / name, source, options));
    fs::path target = temp / (std::string(name) + ".out");
    std::mutex mutex;
    std::vector<uint64_t> reports;
    std::set<std::thread::id> threads;
    EXPECT_FALSE(extract(temp / name, format, target, 3, [&](uint64_t bytes) {
      std::lock_guard<std::mutex> lock(mutex);
      reports.push_back(bytes);
      threads.insert(std::this_thread::get_id());
      return true;
    }));
    EXPECT_EQ(snapshot(target), snapshot(source));
    EXPECT_EQ(threads.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), total + std::string("d1/f1.bin").size());
  }
}

TEST_F(ParallelExtractionTest, FirstFailure_IsReportedAndStopsTheOtherWorkerMidFile) {
  // Stored, so that the victim's bytes can be found and damaged. Two workers: one starts on the
  // large file, the other on the small file and then takes the victim, while the first is still
  // writing the large file, twenty times the other's work.
  std::string victim;
  for (int i = 0; i < 20000; ++i)
    victim += "VICTIM";
  std::string bytes = zipArchive({{"small.bin", sampleBytes(2 << 20, 1)},
                                  {"large.bin", sampleBytes(40 << 20, 2)},
                                  {"victim.bin", victim}});
  size_t at = bytes.find("VICTIMVICTIM");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 1000] ^= 0x20;
  writeFile(temp / "game.zip", bytes);

  fs::path target = temp / "out";
  std::optional<archive::Error> error = extract(temp / "game.zip", Format::Zip, target, 2);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->kind, ErrorKind::Damaged);
  EXPECT_EQ(error->path, u"victim.bin");
  EXPECT_FALSE(fs::exists(target / "victim.bin"));
  EXPECT_FALSE(fs::exists(target / "large.bin"));  // stopped, and its part removed
  EXPECT_EQ(fs::file_size(target / "small.bin"), 2u << 20);
}

TEST_F(ParallelExtractionTest, HostileItemInAnyShare_FailsBeforeAnyWorkerWrites) {
  std::vector<ArchiveEntry> entries;
  for (int i = 0; i < 30; ++i)
    entries.push_back({"f" + std::to_string(i) + ".txt", std::string(1000 * i, 'x')});
  entries.push_back({"../../escaped.txt", "evil"});
  writeFile(temp / "hostile.zip", zipArchive(entries));
  fs::path box = temp / "box";
  std::optional<archive::Error> error =
      extract(temp / "hostile.zip", Format::Zip, box / "install", 3);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->kind, ErrorKind::LeavesFolder);
  EXPECT_TRUE(snapshot(box).empty());
  EXPECT_FALSE(fs::exists(temp / "escaped.txt"));
}

TEST_F(ParallelExtractionTest, SamePathTwice_TheLaterItemWinsAsInArchiveOrder) {
  // Without care the small later copy would go to the other worker, which writes it at once,
  // and be overwritten by the large earlier one.
  writeFile(temp / "dup.zip", zipArchive({{"save.dat", sampleBytes(9 << 20, 1)},
                                          {"save.dat", "newer"},
                                          {"other.dat", sampleBytes(8 << 20, 2)}}));
  fs::path target = temp / "out";
  EXPECT_FALSE(extract(temp / "dup.zip", Format::Zip, target, 2));
  EXPECT_TRUE(readFile(target / "save.dat") == "newer");
  EXPECT_EQ(fs::file_size(target / "other.dat"), 8u << 20);
}

}  // namespace
}  // namespace varnet

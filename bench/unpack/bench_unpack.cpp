// Unpacks about 200 MB of mixed files, packed as a zip and as a non-solid 7z, with the unpack job
// (through our 7-Zip binding, one worker per core), with one worker, and with 7z x, bsdtar -xf
// and unzip (zip only), in turns (each run begun by the next one), and prints the median times,
// their spread and the machine's load. Every run's output is compared, untimed, with what an
// untimed 7z x before the runs unpacked (names, sizes, contents).
//
//   bench_unpack [WORK_FOLDER] [RUNS]
//
// The archives are made in WORK_FOLDER (default: a folder under /tmp) on the first run and kept
// for later ones. The last line, for the zip, reads
//   unpack: ours X s, 7z Y s, bsdtar Z s, unzip W s, ratio ours/best-peer R (workers N)
//
// Every contestant of every run meets the same file system (bench_disk.h).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/resource.h>

#include "bench_disk.h"
#include "install/unpack_job.h"
#include "install/unpack_shares.h"
#include "install/zlib_helper.h"
#include "platform/text.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using bench::deleteOutputs;
using bench::spreadSubfolders;
using bench::Tree;
using bench::treeOf;
using bench::waitOutDeletions;

struct Random {
  uint64_t state;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

void writeBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
}

// 20 random 2 MiB blobs, 2000 text files of 4-64 KiB, 4 semi-compressible 40 MiB packs.
void makeSource(const fs::path& source) {
  Random random{0x9E3779B97F4A7C15ull};
  for (int i = 0; i < 20; ++i) {
    std::string blob(2 << 20, '\0');
    for (size_t k = 0; k < blob.size(); k += 8) {
      uint64_t value = random.next();
      std::memcpy(&blob[k], &value, 8);
    }
    writeBytes(source / "media" / ("blob" + std::to_string(i) + ".bin"), blob);
  }
  static const char* kWords[] = {"level",  "player", "sword",  "castle",  "river", "quest",
                                 "shadow", "gold",   "dragon", "village", "night", "stone"};
  for (int i = 0; i < 2000; ++i) {
    size_t size = 4096 + random.next() % (60 * 1024);
    std::string text;
    while (text.size() < size) {
      text += kWords[random.next() % 12];
      text += random.next() % 9 == 0 ? "\n" : " ";
    }
    writeBytes(source / "text" / std::to_string(i % 20) / ("file" + std::to_string(i) + ".txt"),
               text);
  }
  for (int i = 0; i < 4; ++i) {
    std::string pack(40 << 20, '\0');
    for (size_t k = 0; k < pack.size(); k += 4096) {
      bool randomBlock = random.next() % 6 != 0;
      uint64_t value = random.next();
      for (size_t j = k; j < k + 4096; j += 8) {
        if (randomBlock)
          value = random.next();
        std::memcpy(&pack[j], &value, 8);
      }
    }
    writeBytes(source / "packs" / ("pack" + std::to_string(i) + ".dat"), pack);
  }
}

// The processor time (user and system) of this process's threads and of its waited-for children.
double processorSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    for (const timeval& time : {usage.ru_utime, usage.ru_stime})
      total += static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  }
  return total;
}

// The wall-clock and processor seconds of `action`.
std::pair<double, double> seconds(const std::function<bool()>& action) {
  Clock::time_point start = Clock::now();
  double processorStart = processorSeconds();
  if (!action()) {
    std::cerr << "bench_unpack: a run failed\n";
    std::exit(1);
  }
  return {std::chrono::duration<double>(Clock::now() - start).count(),
          processorSeconds() - processorStart};
}

bool shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five;
  file >> one >> five;
  return one + " (1 min), " + five + " (5 min)";
}

// One archive's contestants, each a command that unpacks it into the folder it is given.
struct Contest {
  fs::path archive;
  std::string kind;  // "zip" or "7z"
  unsigned workers = 1;
  std::vector<std::string> names;
  std::vector<std::function<bool(const fs::path&)>> runs;
  std::vector<std::vector<double>> times;
  std::vector<std::vector<double>> processorTimes;  // user and system, all threads
  Tree expected;                                    // what 7z x unpacked before the runs
  uint64_t expectedBytes = 0;
};

bool runJob(const fs::path& packageDir, const fs::path& out) {
  varnet::UnpackJob job;
  varnet::UnpackRequest request;
  request.setupPath = varnet::fromPath(out) + u"/";
  request.packageDir = varnet::fromPath(packageDir);
  request.setupMode = 2;
  job.start(request);
  while (job.progress() != 100 && job.progress() != -100)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return job.progress() == 100;
}

Contest contestFor(const fs::path& archive, bool withUnzip) {
  Contest contest;
  contest.archive = archive;
  contest.kind = archive.extension().string().substr(1);
  namespace binding = varnet::archive;
  auto library = binding::SevenZipLibrary::load();
  auto reader =
      library ? binding::ArchiveReader::open(**library, varnet::fromPath(archive),
                                             varnet::archiveFormatFor(varnet::fromPath(archive)))
              : library.error();
  binding::Result<uint64_t> size = reader ? (*reader)->size() : reader.error();
  if (!size) {
    std::cerr << "bench_unpack: " << size.error().message << "\n";
    std::exit(1);
  }
  contest.workers = varnet::workerCountFor(*size, (*reader)->itemCount(),
                                           std::max(std::thread::hardware_concurrency(), 1u));
  fs::path packageDir = archive.parent_path();
  contest.names = {"ours", "ours 1 worker", "7z", "bsdtar"};
  contest.runs = {
      [=](const fs::path& out) { return runJob(packageDir, out); },
      [=](const fs::path& out) {
        auto helper = varnet::ZlibHelper::open(varnet::fromPath(archive), varnet::fromPath(out));
        if (!helper)
          return false;
        helper->workers = 1;
        return !helper->extract();
      },
      [=](const fs::path& out) {
        return shell("7z x -y -o" + quoted(out) + " " + quoted(archive));
      },
      [=](const fs::path& out) {
        return shell("bsdtar -xf " + quoted(archive) + " -C " + quoted(out));
      },
  };
  if (withUnzip) {
    contest.names.push_back("unzip");
    contest.runs.push_back([=](const fs::path& out) {
      return shell("unzip -q -o " + quoted(archive) + " -d " + quoted(out));
    });
  }
  contest.times.resize(contest.names.size());
  contest.processorTimes.resize(contest.names.size());
  return contest;
}

std::string range(const std::vector<double>& values) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f-%.2f", *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "varnet-bench-unpack";
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  // One package folder per archive: the job unpacks the one archive it finds there.
  fs::path zip = work / "zip/mixed.zip";
  fs::path sevenZip = work / "7z/mixed.7z";
  fs::path outputs = work / "out";
  fs::path stamp = work / "deleted-at";
  if (!fs::exists(zip) || !fs::exists(sevenZip)) {
    std::cout << "making " << zip << " and " << sevenZip << " ..." << std::endl;
    fs::remove_all(work / "source");
    makeSource(work / "source");
    for (const fs::path& archive : {zip, sevenZip}) {
      fs::remove_all(archive.parent_path());
      fs::create_directories(archive.parent_path());
    }
    if (!shell("cd " + quoted(work / "source") + " && 7z a -bd -tzip -mx=5 " + quoted(zip) +
               " .") ||
        !shell("cd " + quoted(work / "source") + " && 7z a -bd -t7z -mx=5 -ms=off " +
               quoted(sevenZip) + " ."))
      return std::cerr << "bench_unpack: 7z a failed\n", 1;
    deleteOutputs(work / "source", stamp);
  }
  if (fs::exists(outputs))  // left by a run that did not end
    deleteOutputs(outputs, stamp);
  // Before the untimed unpacks below, which also wake the machine up after the wait: the first
  // contestant after an idle wait came out a third slower.
  waitOutDeletions(stamp);

  std::vector<Contest> contests = {contestFor(zip, true), contestFor(sevenZip, false)};
  fs::create_directories(outputs);
  const bool ownGroups = spreadSubfolders(outputs);
  for (const Contest& contest : contests) {
    fs::create_directories(outputs / contest.kind);
    spreadSubfolders(outputs / contest.kind);
  }
  uint64_t needed = 0;
  for (Contest& contest : contests) {
    fs::path out = outputs / contest.kind / "expected";
    fs::create_directories(out);
    if (!shell("7z x -y -o" + quoted(out) + " " + quoted(contest.archive)) || !shell("sync"))
      return std::cerr << "bench_unpack: 7z x failed\n", 1;
    contest.expected = treeOf(out);
    for (const auto& [name, entry] : contest.expected)
      contest.expectedBytes += entry.first;
    needed += contest.expectedBytes * contest.runs.size() * runs;
  }
  uint64_t available = fs::space(work).available;
  if (available < needed + (1ull << 30)) {
    std::cerr << "bench_unpack: the runs need " << (needed >> 20) << " MiB in " << work << ", "
              << (available >> 20) << " MiB are free\n";
    deleteOutputs(outputs, stamp);
    return 1;
  }
  std::cout << "zip " << fs::file_size(zip) << " bytes, 7z (non-solid) " << fs::file_size(sevenZip)
            << " bytes, " << runs << " runs each, " << std::thread::hardware_concurrency()
            << " cores, load average " << loadAverage() << "; the outputs take " << (needed >> 20)
            << " MiB until the end" << (ownGroups ? ", each in a block group of its own" : "")
            << std::endl;
  for (int run = 0; run < runs; ++run) {
    for (Contest& contest : contests) {
      std::printf("run %d, %s:", run + 1, contest.kind.c_str());
      // Each run starts with the next contestant, so that none always goes first.
      const size_t count = contest.runs.size();
      for (size_t slot = 0; slot < count; ++slot) {
        const size_t i = (slot + static_cast<size_t>(run)) % count;
        fs::path out =
            outputs / contest.kind / ("run" + std::to_string(run + 1) + "-" + std::to_string(i));
        fs::create_directories(out);
        shell("sync");
        auto [wall, processor] = seconds([&] { return contest.runs[i](out); });
        contest.times[i].push_back(wall);
        contest.processorTimes[i].push_back(processor);
        std::printf("%s %s %.2f s", slot ? "," : "", contest.names[i].c_str(),
                    contest.times[i].back());
        std::fflush(stdout);
        // The job unpacks into a folder named after the archive below the root it is given.
        shell("sync");
        Tree tree = treeOf(i == 0 ? out / contest.archive.stem() : out);
        if (tree != contest.expected) {
          std::cerr << "\nbench_unpack: " << contest.names[i] << " unpacked " << tree.size()
                    << " entries that differ from 7z x's " << contest.expected.size() << "\n";
          deleteOutputs(outputs, stamp);
          return 1;
        }
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  std::cout << "load average at the end " << loadAverage() << std::endl;
  deleteOutputs(outputs, stamp);
  // Medians with the spread of the runs: for each archive one line, the zip's again last in the
  // fixed form.
  std::vector<double> zipMedians;
  for (Contest& contest : contests) {
    std::vector<double> medians;
    for (const std::vector<double>& times : contest.times)
      medians.push_back(median(times));
    double bestPeer = *std::min_element(medians.begin() + 2, medians.end());
    std::printf("%s (workers %u):", contest.kind.c_str(), contest.workers);
    for (size_t i = 0; i < medians.size(); ++i)
      std::printf("%s %s %.2f s (%s)", i ? "," : "", contest.names[i].c_str(), medians[i],
                  range(contest.times[i]).c_str());
    std::printf(", ratio ours/best-peer %.2f, ours 1 worker/best-peer %.2f\n",
                medians[0] / bestPeer, medians[1] / bestPeer);
    // On a machine shared with other work the wall-clock times say little about the work done.
    std::printf("  processor seconds (user + system):");
    for (size_t i = 0; i < medians.size(); ++i)
      std::printf("%s %s %.2f", i ? "," : "", contest.names[i].c_str(),
                  median(contest.processorTimes[i]));
    std::printf("\n");
    if (zipMedians.empty())
      zipMedians = medians;
  }
  const std::vector<double>& m = zipMedians;
  std::printf(
      "unpack: ours %.2f s, 7z %.2f s, bsdtar %.2f s, unzip %.2f s, ratio ours/best-peer %.2f "
      "(workers %u)\n",
      m[0], m[2], m[3], m[4], m[0] / std::min({m[2], m[3], m[4]}), contests[0].workers);
  return 0;
}

// Unpacks about 200 MB of mixed files, packed as a zip and as a non-solid 7z, with the unpack job
// (through our 7-Zip binding, one worker per core), with one worker, and with 7z x, bsdtar -xf
// and unzip (zip only), alternating, and prints the median times and the machine's load. Every
// run's output is compared, untimed, with what an untimed 7z x before the runs unpacked (names,
// sizes, contents).
//
//   bench_unpack [WORK_FOLDER] [RUNS]
//
// The archives are made in WORK_FOLDER (default: a folder under /tmp) on the first run and kept
// for later ones. The last line, for the zip, reads
//   unpack: ours X s, 7z Y s, bsdtar Z s, unzip W s, ratio ours/best-peer R (workers N)

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
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/resource.h>

#include "install/unpack_job.h"
#include "install/unpack_shares.h"
#include "install/zlib_helper.h"
#include "platform/text.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

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

// What a run left in the output folder: each file's path (folders end with '/') with its size and
// a hash of its bytes.
using Tree = std::map<std::string, std::pair<uint64_t, size_t>>;

Tree treeOf(const fs::path& folder) {
  Tree tree;
  std::string bytes;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = entry.path().lexically_relative(folder).generic_string();
    if (entry.is_symlink()) {
      tree[name] = {0, std::hash<std::string>()(fs::read_symlink(entry.path()).string())};
    } else if (entry.is_directory()) {
      tree[name + "/"] = {0, 0};
    } else {
      std::ifstream file(entry.path(), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(file), {});
      tree[name] = {bytes.size(), std::hash<std::string_view>()(bytes)};
    }
  }
  return tree;
}

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five;
  file >> one >> five;
  return one + " (1 min), " + five + " (5 min)";
}

// One archive's contestants, each a command that unpacks it into `out`.
struct Contest {
  fs::path archive;
  unsigned workers = 1;
  std::vector<std::string> names;
  std::vector<std::function<bool()>> runs;
  std::vector<std::vector<double>> times;
  std::vector<std::vector<double>> processorTimes;  // user and system, all threads
  Tree expected;                                    // what 7z x unpacked before the runs
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

Contest contestFor(const fs::path& archive, const fs::path& out, bool withUnzip) {
  Contest contest;
  contest.archive = archive;
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
      [=] { return runJob(packageDir, out); },
      [=] {
        auto helper = varnet::ZlibHelper::open(varnet::fromPath(archive), varnet::fromPath(out));
        if (!helper)
          return false;
        helper->workers = 1;
        return !helper->extract();
      },
      [=] { return shell("7z x -y -o" + quoted(out) + " " + quoted(archive)); },
      [=] { return shell("bsdtar -xf " + quoted(archive) + " -C " + quoted(out)); },
  };
  if (withUnzip) {
    contest.names.push_back("unzip");
    contest.runs.push_back(
        [=] { return shell("unzip -q -o " + quoted(archive) + " -d " + quoted(out)); });
  }
  contest.times.resize(contest.names.size());
  contest.processorTimes.resize(contest.names.size());
  return contest;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "varnet-bench-unpack";
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  // One package folder per archive: the job unpacks the one archive it finds there.
  fs::path zip = work / "zip/mixed.zip";
  fs::path sevenZip = work / "7z/mixed.7z";
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
    fs::remove_all(work / "source");
  }

  fs::path out = work / "out";
  std::vector<Contest> contests = {contestFor(zip, out, true), contestFor(sevenZip, out, false)};
  std::cout << "zip " << fs::file_size(zip) << " bytes, 7z (non-solid) " << fs::file_size(sevenZip)
            << " bytes, " << runs << " runs each, " << std::thread::hardware_concurrency()
            << " cores, load average " << loadAverage() << std::endl;
  for (Contest& contest : contests) {
    fs::remove_all(out);
    if (!shell("7z x -y -o" + quoted(out) + " " + quoted(contest.archive)))
      return std::cerr << "bench_unpack: 7z x failed\n", 1;
    contest.expected = treeOf(out);
  }
  for (int run = 0; run < runs; ++run) {
    for (Contest& contest : contests) {
      std::printf("run %d, %s:", run + 1, contest.archive.extension().c_str() + 1);
      for (size_t i = 0; i < contest.runs.size(); ++i) {
        fs::remove_all(out);
        fs::create_directories(out);
        shell("sync");
        auto [wall, processor] = seconds(contest.runs[i]);
        contest.times[i].push_back(wall);
        contest.processorTimes[i].push_back(processor);
        std::printf("%s %s %.2f s", i ? "," : "", contest.names[i].c_str(),
                    contest.times[i].back());
        std::fflush(stdout);
        // The job unpacks into a folder named after the archive below the root it is given.
        Tree tree = treeOf(i == 0 ? out / contest.archive.stem() : out);
        if (tree != contest.expected) {
          std::cerr << "\nbench_unpack: " << contest.names[i] << " unpacked " << tree.size()
                    << " entries that differ from 7z x's " << contest.expected.size() << "\n";
          return 1;
        }
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  fs::remove_all(out);
  std::cout << "load average at the end " << loadAverage() << std::endl;
  // Medians: for each archive one line, the zip's again last in the fixed form.
  std::vector<double> zipMedians;
  for (Contest& contest : contests) {
    std::vector<double> medians;
    for (const std::vector<double>& times : contest.times)
      medians.push_back(median(times));
    double bestPeer = *std::min_element(medians.begin() + 2, medians.end());
    std::printf("%s (workers %u):", contest.archive.extension().c_str() + 1, contest.workers);
    for (size_t i = 0; i < medians.size(); ++i)
      std::printf("%s %s %.2f s", i ? "," : "", contest.names[i].c_str(), medians[i]);
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

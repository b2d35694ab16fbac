// Unpacks one archive of about 200 MB of mixed files with the unpack job (through our 7-Zip
// binding) and with 7z x, bsdtar -xf and unzip, alternating, and prints the median times.
//
//   bench_unpack [WORK_FOLDER] [RUNS]
//
// The archive is made in WORK_FOLDER (default: a folder under /tmp) on the first run and kept
// for later ones. The last line reads
//   unpack: ours X s, 7z Y s, bsdtar Z s, unzip W s, ratio ours/7z R

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
#include <string>
#include <thread>
#include <vector>

#include "install/unpack_job.h"
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

double seconds(const std::function<bool()>& action) {
  Clock::time_point start = Clock::now();
  if (!action()) {
    std::cerr << "bench_unpack: a run failed\n";
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
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

}  // namespace

int main(int argc, char** argv) {
  fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "varnet-bench-unpack";
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  fs::path packageDir = work / "package";
  fs::path archive = packageDir / "mixed.zip";
  if (!fs::exists(archive)) {
    std::cout << "making " << archive << " ..." << std::endl;
    fs::remove_all(work / "source");
    makeSource(work / "source");
    fs::create_directories(packageDir);
    if (!shell("cd " + quoted(work / "source") + " && 7z a -bd -tzip -mx=5 " + quoted(archive) +
               " ."))
      return std::cerr << "bench_unpack: 7z a failed\n", 1;
    fs::remove_all(work / "source");
  }
  std::cout << "archive " << fs::file_size(archive) << " bytes, " << runs << " runs each"
            << std::endl;

  fs::path out = work / "out";
  auto fresh = [&] {
    fs::remove_all(out);
    fs::create_directories(out);
    shell("sync");
  };
  std::vector<double> ours, sevenZip, bsdtar, unzip;
  for (int run = 0; run < runs; ++run) {
    fresh();
    ours.push_back(seconds([&] {
      varnet::UnpackJob job;
      varnet::UnpackRequest request;
      request.setupPath = varnet::fromPath(out) + u"/";
      request.packageDir = varnet::fromPath(packageDir);
      request.setupMode = 2;
      job.start(request);
      while (job.progress() != 100 && job.progress() != -100)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return job.progress() == 100;
    }));
    fresh();
    sevenZip.push_back(
        seconds([&] { return shell("7z x -y -o" + quoted(out) + " " + quoted(archive)); }));
    fresh();
    bsdtar.push_back(
        seconds([&] { return shell("bsdtar -xf " + quoted(archive) + " -C " + quoted(out)); }));
    fresh();
    unzip.push_back(
        seconds([&] { return shell("unzip -q -o " + quoted(archive) + " -d " + quoted(out)); }));
    std::printf("run %d: ours %.2f s, 7z %.2f s, bsdtar %.2f s, unzip %.2f s\n", run + 1,
                ours.back(), sevenZip.back(), bsdtar.back(), unzip.back());
  }
  fs::remove_all(out);
  std::printf("unpack: ours %.2f s, 7z %.2f s, bsdtar %.2f s, unzip %.2f s, ratio ours/7z %.2f\n",
              median(ours), median(sevenZip), median(bsdtar), median(unzip),
              median(ours) / median(sevenZip));
  return 0;
}

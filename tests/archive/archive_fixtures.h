#pragma once

// Archives made at test time with the real tools (the 7z command, Python's zipfile), and
// snapshots of the folders they are unpacked into.

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "support/temp_folder.h"

namespace varnet::testing {

namespace fs = std::filesystem;

inline std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// Runs a shell command quietly; true when it exited with 0.
inline bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Deterministic bytes that compress a little: random words, every eighth one a constant.
inline std::string sampleBytes(size_t size, unsigned seed) {
  std::string bytes(size + 8, '\0');
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < size; i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    uint64_t word = (i / 8) % 8 == 0 ? 0x6161616161616161ull : state;
    std::memcpy(&bytes[i], &word, 8);
  }
  bytes.resize(size);
  return bytes;
}

// Every regular file below `folder`: relative path -> content. Links are listed by target.
inline std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder))
    return files;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it) {
    std::string relative = fs::relative(it->path(), folder).string();
    if (it->is_symlink())
      files[relative] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_regular_file())
      files[relative] = readFile(it->path());
    else if (it->is_directory())
      files[relative + "/"] = "";
  }
  return files;
}

// Makes `archive` from the contents of `source` with the 7z command (extra switches in `options`).
inline bool sevenZip(const fs::path& archive, const fs::path& source, const std::string& options) {
  return run("cd " + quoted(source) + " && 7z a -bd -y " + options + " " + quoted(archive) + " .");
}

// Runs a Python snippet with `zipfile` imported and `path` naming the archive to write.
inline bool pythonZip(const fs::path& archive, const std::string& body) {
  fs::path script = archive.parent_path() / "make_zip.py";
  writeFile(script, "import zipfile, sys\npath = sys.argv[1]\n" + body + "\n");
  return run("python3 " + quoted(script) + " " + quoted(archive));
}

}  // namespace varnet::testing

#pragma once

// Archives made at test time with the real tools (the 7z command, Python's zipfile) in a
// temporary folder that is removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace varnet::testing {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "varnet-test-XXXXXX").string();
    path_ = fs::path(mkdtemp(pattern.data()));
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// Runs a shell command quietly; true when it exited with 0.
inline bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline void writeFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Deterministic bytes that compress a little.
inline std::string sampleBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>((i % 7 == 0) ? 'a' : (state >> 24));
  }
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

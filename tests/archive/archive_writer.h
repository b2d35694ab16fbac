#pragma once

// Archives written byte by byte, for entries no archiver makes on request: names with raw bytes
// or hostile paths, Unix link entries, and RAR, which nothing here can create. Every entry is
// stored (no compression), so the bytes are exactly what the format describes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace varnet::testing {

struct ArchiveEntry {
  std::string name;  // the stored bytes; "/" separates folders, a closing "/" makes a folder
  std::string data;
  // Zip only: the Unix mode in the external attributes (0120777 for a symbolic link, whose data
  // is then its target); 0 gives 0600 for a file and 040775 for a folder.
  uint32_t unixMode = 0;
  // Zip only: general-purpose flag 11 (the name is UTF-8). Off leaves the reader to guess.
  bool utf8Flag = true;
};

inline uint32_t crc32(const std::string& bytes, uint32_t crc = 0) {
  crc = ~crc;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

namespace archive_bytes {

inline void put(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// RAR5's variable-length integer: seven bits a byte, low first, the high bit says "more".
inline void putVint(std::string& out, uint64_t value) {
  do {
    out += static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
    value >>= 7;
  } while (value);
}

inline bool isFolder(const ArchiveEntry& entry) {
  return !entry.name.empty() && entry.name.back() == '/';
}

constexpr uint16_t kDosDate = ((2020 - 1980) << 9) | (1 << 5) | 1;  // 2020-01-01
constexpr uint16_t kDosTime = 12 << 11;                             // 12:00:00

// A RAR5 header: its CRC32, then its size, then the fields from the type on.
inline std::string rar5Header(const std::string& fields) {
  std::string sized;
  putVint(sized, fields.size());
  sized += fields;
  std::string header;
  put(header, crc32(sized), 4);
  return header + sized;
}

// A RAR4 block: the low half of the CRC32 of everything after the CRC field.
inline std::string rar4Block(uint8_t type, uint16_t flags, const std::string& fields) {
  std::string body;
  put(body, type, 1);
  put(body, flags, 2);
  put(body, 7 + fields.size(), 2);
  body += fields;
  std::string block;
  put(block, crc32(body) & 0xFFFF, 2);
  return block + body;
}

}  // namespace archive_bytes

// A zip archive as Python's zipfile writes stored entries: made on Unix, version 2.0.
inline std::string zipArchive(const std::vector<ArchiveEntry>& entries) {
  using namespace archive_bytes;
  std::string local, central;
  for (const ArchiveEntry& entry : entries) {
    uint32_t mode = entry.unixMode ? entry.unixMode : isFolder(entry) ? 040775 : 0100600;
    uint32_t external = (mode << 16) | (isFolder(entry) ? 0x10 : 0);
    uint16_t flags = entry.utf8Flag ? 0x800 : 0;
    auto common = [&](std::string& out) {
      put(out, flags, 2);
      put(out, 0, 2);  // stored
      put(out, kDosTime, 2);
      put(out, kDosDate, 2);
      put(out, crc32(entry.data), 4);
      put(out, entry.data.size(), 4);
      put(out, entry.data.size(), 4);
      put(out, entry.name.size(), 2);
      put(out, 0, 2);  // no extra field
    };
    uint32_t offset = static_cast<uint32_t>(local.size());
    put(local, 0x04034b50, 4);
    put(local, 20, 2);
    common(local);
    local += entry.name + entry.data;

    put(central, 0x02014b50, 4);
    put(central, (3 << 8) | 20, 2);  // made by: Unix
    put(central, 20, 2);
    common(central);
    put(central, 0, 2);  // comment
    put(central, 0, 2);  // disk
    put(central, 0, 2);  // internal attributes
    put(central, external, 4);
    put(central, offset, 4);
    central += entry.name;
  }
  std::string end;
  put(end, 0x06054b50, 4);
  put(end, 0, 4);
  put(end, entries.size(), 2);
  put(end, entries.size(), 2);
  put(end, central.size(), 4);
  put(end, local.size(), 4);
  put(end, 0, 2);
  return local + central + end;
}

// A RAR 5 archive of stored entries, made on Windows.
inline std::string rar5Archive(const std::vector<ArchiveEntry>& entries) {
  using namespace archive_bytes;
  std::string out("Rar!\x1A\x07\x01\x00", 8);
  std::string main;
  putVint(main, 1);  // main archive header
  putVint(main, 0);  // header flags
  putVint(main, 0);  // archive flags
  out += rar5Header(main);
  for (const ArchiveEntry& entry : entries) {
    bool folder = isFolder(entry);
    std::string name = folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
    std::string file;
    putVint(file, 2);     // file header
    putVint(file, 0x02);  // a data area follows
    putVint(file, entry.data.size());
    putVint(file, folder ? 0x01 : 0x04);  // a folder, or a file with its CRC32
    putVint(file, entry.data.size());     // unpacked size
    putVint(file, folder ? 0x10 : 0x20);  // Windows attributes: directory, archive
    if (!folder)
      put(file, crc32(entry.data), 4);
    putVint(file, 0);  // compression: version 0, method 0 (store)
    putVint(file, 0);  // host: Windows
    putVint(file, name.size());
    file += name;
    out += rar5Header(file) + entry.data;
  }
  std::string end;
  putVint(end, 5);  // end of archive
  putVint(end, 0);
  putVint(end, 0);
  return out + rar5Header(end);
}

// A RAR 4 (2.9 format) archive of stored entries, made on Windows: folders are separated by "\".
inline std::string rar4Archive(const std::vector<ArchiveEntry>& entries) {
  using namespace archive_bytes;
  std::string out("Rar!\x1A\x07\x00", 7);
  out += rar4Block(0x73, 0, std::string(6, '\0'));  // archive header
  for (const ArchiveEntry& entry : entries) {
    bool folder = isFolder(entry);
    std::string name = folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
    for (char& c : name)
      if (c == '/')
        c = '\\';
    std::string fields;
    put(fields, entry.data.size(), 4);  // packed size
    put(fields, entry.data.size(), 4);  // unpacked size
    put(fields, 2, 1);                  // host: Win32
    put(fields, crc32(entry.data), 4);
    put(fields, (uint32_t(kDosDate) << 16) | kDosTime, 4);
    put(fields, 20, 1);    // version 2.0 to unpack
    put(fields, 0x30, 1);  // stored
    put(fields, name.size(), 2);
    put(fields, folder ? 0x10 : 0x20, 4);
    fields += name;
    // Flags: a long block (data follows), and for a folder the "directory" dictionary bits.
    uint16_t flags = 0x8000 | (folder ? 0x00E0 : 0);
    out += rar4Block(0x74, flags, fields) + entry.data;
  }
  return out + rar4Block(0x7B, 0x4000, "");
}

namespace archive_bytes {

// One entry's share of one volume: `length` bytes from `offset` of its data.
struct VolumePiece {
  const ArchiveEntry* entry;
  size_t offset;
  size_t length;
  bool continued() const { return offset > 0; }
  bool continues() const { return offset + length < entry->data.size(); }
  // Every part but the last carries the CRC32 of its own bytes, the last that of the whole file.
  uint32_t crc() const {
    return continues() ? crc32(entry->data.substr(offset, length)) : crc32(entry->data);
  }
};

// The entries laid out over volumes of at most `dataPerVolume` data bytes each.
inline std::vector<std::vector<VolumePiece>> splitIntoVolumes(
    const std::vector<ArchiveEntry>& entries,
    size_t dataPerVolume) {
  std::vector<std::vector<VolumePiece>> volumes(1);
  size_t room = dataPerVolume;
  for (const ArchiveEntry& entry : entries) {
    size_t offset = 0;
    do {
      if (room == 0 && offset < entry.data.size()) {
        volumes.emplace_back();
        room = dataPerVolume;
      }
      size_t length = std::min(room, entry.data.size() - offset);
      volumes.back().push_back({&entry, offset, length});
      offset += length;
      room -= length;
    } while (offset < entry.data.size());
  }
  return volumes;
}

}  // namespace archive_bytes

// A RAR 5 volume set of stored entries (name.part1.rar, name.part2.rar, ...): a file that does
// not fit the rest of a volume continues in the next. The volume numbered `claimsLast` (by default
// the real last one) says that no more follow, the others that more do.
inline std::vector<std::string> rar5Volumes(const std::vector<ArchiveEntry>& entries,
                                            size_t dataPerVolume,
                                            size_t claimsLast = SIZE_MAX) {
  using namespace archive_bytes;
  std::vector<std::vector<VolumePiece>> layout = splitIntoVolumes(entries, dataPerVolume);
  std::vector<std::string> volumes;
  for (size_t index = 0; index < layout.size(); ++index) {
    std::string out("Rar!\x1A\x07\x01\x00", 8);
    std::string main;
    putVint(main, 1);                    // main archive header
    putVint(main, 0);                    // header flags
    putVint(main, index ? 0x03 : 0x01);  // a volume; later ones carry their number
    if (index)
      putVint(main, index);
    out += rar5Header(main);
    for (const VolumePiece& piece : layout[index]) {
      const ArchiveEntry& entry = *piece.entry;
      bool folder = isFolder(entry);
      std::string name = folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
      std::string file;
      putVint(file, 2);  // file header
      putVint(file, 0x02 | (piece.continued() ? 0x08 : 0) | (piece.continues() ? 0x10 : 0));
      putVint(file, piece.length);
      putVint(file, folder ? 0x01 : 0x04);
      putVint(file, entry.data.size());
      putVint(file, folder ? 0x10 : 0x20);
      if (!folder)
        put(file, piece.crc(), 4);
      putVint(file, 0);  // stored
      putVint(file, 0);  // host: Windows
      putVint(file, name.size());
      file += name;
      out += rar5Header(file) + entry.data.substr(piece.offset, piece.length);
    }
    std::string end;
    putVint(end, 5);  // end of archive
    putVint(end, 0);
    bool last = index == std::min(claimsLast, layout.size() - 1);
    putVint(end, last ? 0 : 0x01);  // more volumes follow
    volumes.push_back(out + rar5Header(end));
  }
  return volumes;
}

// A RAR 4 volume set of stored entries with the old names (name.rar, name.r00, name.r01, ...).
// `claimsLast` as for rar5Volumes.
inline std::vector<std::string> rar4Volumes(const std::vector<ArchiveEntry>& entries,
                                            size_t dataPerVolume,
                                            size_t claimsLast = SIZE_MAX) {
  using namespace archive_bytes;
  std::vector<std::vector<VolumePiece>> layout = splitIntoVolumes(entries, dataPerVolume);
  std::vector<std::string> volumes;
  for (size_t index = 0; index < layout.size(); ++index) {
    std::string out("Rar!\x1A\x07\x00", 7);
    out += rar4Block(0x73, index ? 0x0001 : 0x0101, std::string(6, '\0'));  // volume, first
    for (const VolumePiece& piece : layout[index]) {
      const ArchiveEntry& entry = *piece.entry;
      bool folder = isFolder(entry);
      std::string name = folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
      for (char& c : name)
        if (c == '/')
          c = '\\';
      std::string fields;
      put(fields, piece.length, 4);
      put(fields, entry.data.size(), 4);
      put(fields, 2, 1);  // host: Win32
      put(fields, piece.crc(), 4);
      put(fields, (uint32_t(kDosDate) << 16) | kDosTime, 4);
      put(fields, 20, 1);
      put(fields, 0x30, 1);  // stored
      put(fields, name.size(), 2);
      put(fields, folder ? 0x10 : 0x20, 4);
      fields += name;
      uint16_t flags = 0x8000 | (folder ? 0x00E0 : 0) | (piece.continued() ? 0x01 : 0) |
                       (piece.continues() ? 0x02 : 0);
      out += rar4Block(0x74, flags, fields) + entry.data.substr(piece.offset, piece.length);
    }
    // End of archive with the volume's number, and "next volume" on all but the last.
    std::string number;
    put(number, index, 2);
    bool more = index != std::min(claimsLast, layout.size() - 1);
    volumes.push_back(out + rar4Block(0x7B, 0x4008 | (more ? 0x0001 : 0), number));
  }
  return volumes;
}

}  // namespace varnet::testing

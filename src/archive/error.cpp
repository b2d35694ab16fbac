#include "archive/error.h"

#include <cerrno>

#include "platform/text.h"

namespace varnet::archive {

const char* kindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::NoArchive:
      return "no-archive";
    case ErrorKind::NotAnArchive:
      return "not-an-archive";
    case ErrorKind::WrongPassword:
      return "wrong-password";
    case ErrorKind::Damaged:
      return "damaged";
    case ErrorKind::LeavesFolder:
      return "leaves-folder";
    case ErrorKind::LinkRefused:
      return "link-refused";
    case ErrorKind::DiskFull:
      return "disk-full";
    case ErrorKind::Io:
      return "io";
    case ErrorKind::Stopped:
      return "stopped";
  }
  return "io";
}

Error fileError(std::error_code code, const std::filesystem::path& path, const char* doing) {
  std::u16string text = fromPath(path);
  bool full = code == std::errc::no_space_on_device
#ifdef EDQUOT
              || code == std::error_code(EDQUOT, std::generic_category())
#endif
      ;
  if (full)
    return {ErrorKind::DiskFull, "disk full: cannot " + std::string(doing) + " " + toUtf8(text),
            text};
  std::string reason = code ? ": " + code.message() : std::string();
  return {ErrorKind::Io, "cannot " + std::string(doing) + " " + toUtf8(text) + reason, text};
}

}  // namespace varnet::archive

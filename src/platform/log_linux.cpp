#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/log.h"
#include "platform/text.h"

namespace varnet::log::detail {

// O_APPEND moves to the end and writes in one step, whichever process appends at the same time.
AppendResult appendToFile(const std::u16string& path,
                          std::string_view bytes,
                          std::uintmax_t sizeLimit) {
  const int file = ::open(toPath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0)
    return AppendResult::Failed;
  struct stat status {};
  AppendResult result = AppendResult::Written;
  if (fstat(file, &status) != 0) {
    result = AppendResult::Failed;
  } else if (static_cast<std::uintmax_t>(status.st_size) >= sizeLimit) {
    result = AppendResult::Full;
  } else {
    ssize_t written;
    do
      written = ::write(file, bytes.data(), bytes.size());
    while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(bytes.size()))
      result = AppendResult::Failed;
  }
  ::close(file);
  return result;
}

unsigned long processId() {
  return static_cast<unsigned long>(getpid());
}

}  // namespace varnet::log::detail

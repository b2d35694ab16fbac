#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace varnet::platform {
namespace {

std::error_code lastError() {
  return std::error_code(errno, std::generic_category());
}

}  // namespace

OutputFile::~OutputFile() {
  if (isOpen())
    ::close(static_cast<int>(handle_));
}

OutputFile::Created OutputFile::create(const std::filesystem::path& path) {
  // O_EXCL fails on any name that is taken, a link (even one that leads nowhere) included.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    error_ = lastError();
    return errno == EEXIST ? Created::NameTaken : Created::Failed;
  }
  handle_ = fd;
  return Created::Yes;
}

bool OutputFile::write(const void* data, size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = ::write(static_cast<int>(handle_), next, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      error_ = written < 0 ? lastError() : std::make_error_code(std::errc::io_error);
      return false;
    }
    next += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

void OutputFile::setTimeAndMode(std::optional<uint64_t> modifiedTicks,
                                std::optional<uint32_t> mode) {
  const int fd = static_cast<int>(handle_);
  if (mode)
    fchmod(fd, static_cast<mode_t>(*mode & 07777));
  if (modifiedTicks && *modifiedTicks >= kUnixEpochTicks) {
    const uint64_t since = *modifiedTicks - kUnixEpochTicks;
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time stays
    times[1].tv_sec = static_cast<time_t>(since / 10000000);
    times[1].tv_nsec = static_cast<long>(since % 10000000 * 100);
    futimens(fd, times);
  }
}

bool OutputFile::close() {
  if (!isOpen())
    return true;
  const int fd = static_cast<int>(handle_);
  handle_ = kClosed;
  if (::close(fd) != 0 && errno != EINTR) {
    error_ = lastError();
    return false;
  }
  return true;
}

}  // namespace varnet::platform

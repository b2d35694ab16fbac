#pragma once

// Why an unpack failed: one value made where the failure is found (a 7-Zip callback, a check of
// the binding, the archive search) and carried unchanged up to the job, the command line and the
// log. The page itself only ever sees the job's -100.

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace varnet::archive {

enum class ErrorKind {
  NoArchive,      // the package folder holds no archive
  NotAnArchive,   // not an archive, or a format or method the 7-Zip library cannot read
  WrongPassword,  // a wrong password, or none for an encrypted archive
  Damaged,        // damaged or incomplete data, a missing volume
  LeavesFolder,   // an item would be written outside the install folder
  LinkRefused,    // a link that points outside the install folder, or a hard link
  DiskFull,
  Io,       // any other read or write failure (also the 7-Zip library that cannot be loaded)
  Stopped,  // the extraction was stopped
};

struct Error {
  ErrorKind kind = ErrorKind::Io;
  std::string message;  // one short English line, e.g. "wrong password for game.zip"
  std::u16string path;  // the item or file concerned, when there is one
};

// A short fixed name of the kind, for logs: "wrong-password", "leaves-folder", ...
const char* kindName(ErrorKind kind);

// A failed file-system call on `path`: DiskFull when the disk (or the user's quota) is full,
// else Io; `doing` says what was tried ("write", "create folder").
Error fileError(std::error_code code, const std::filesystem::path& path, const char* doing);

// A value, or the error that prevented it.
template <class T>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  explicit operator bool() const { return state_.index() == 0; }
  T& operator*() { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// Thrown only inside the binding, between a check and the public call or 7-Zip callback that
// returns it as a value.
struct Failure {
  Error error;
};

// The first error of an operation whose callbacks 7-Zip may call from several threads; later ones
// are mostly consequences of it.
class FirstError {
 public:
  void record(Error error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_)
      error_ = std::move(error);
  }
  std::optional<Error> get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<Error> error_;
};

}  // namespace varnet::archive

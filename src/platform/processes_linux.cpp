#include "platform/processes.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/text.h"

namespace varnet::platform {
namespace {

// The file name of the process's executable. Without the right to read another user's exe
// link, the kernel's record of the name it was started as (which it keeps up to 15 bytes).
std::optional<std::string> imageName(const std::string& pid) {
  const std::string base = "/proc/" + pid;
  char target[PATH_MAX];
  ssize_t length = readlink((base + "/exe").c_str(), target, sizeof target);
  if (length > 0) {
    std::string path(target, static_cast<size_t>(length));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
      path.resize(path.size() - deleted.size());
    return path.substr(path.rfind('/') + 1);
  }
  if (errno != EACCES)
    return std::nullopt;  // a kernel thread, or the process has just ended
  std::ifstream comm(base + "/comm");
  std::string name;
  if (!std::getline(comm, name) || name.empty())
    return std::nullopt;
  return name;
}

bool isProcessFolder(const char* name) {
  if (!*name)
    return false;
  for (const char* c = name; *c; ++c) {
    if (*c < '0' || *c > '9')
      return false;
  }
  return true;
}

// Everything the child needs, built before the fork: after it only async-signal-safe calls.
struct LaunchPlan {
  std::string program;
  std::vector<std::string> arguments;
  std::vector<char*> argv;
  std::string workingDir;
};

[[noreturn]] void failChild(int reportFd) {
  int error = errno;
  ssize_t ignored = write(reportFd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

// The grandchild: leaves our session and terminal, takes /dev/null as its standard streams,
// inherits none of our descriptors, and becomes the program. A failure before or in exec
// travels back as errno through the close-on-exec report pipe.
[[noreturn]] void becomeProgram(const LaunchPlan& plan, int reportFd) {
  setsid();
  sigset_t all;
  sigemptyset(&all);
  sigprocmask(SIG_SETMASK, &all, nullptr);
  signal(SIGPIPE, SIG_DFL);
  if (chdir(plan.workingDir.c_str()) != 0)
    failChild(reportFd);
  int null = open("/dev/null", O_RDWR);
  if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0)
    failChild(reportFd);
  if (null > 2)
    close(null);
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0 && errno != ENOSYS)
    failChild(reportFd);
  if (plan.program.find('/') == std::string::npos)
    execvp(plan.program.c_str(), plan.argv.data());
  else
    execv(plan.program.c_str(), plan.argv.data());
  failChild(reportFd);
}

}  // namespace

std::optional<std::vector<std::u16string>> runningImageNames() {
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
  if (!proc)
    return std::nullopt;
  std::vector<std::u16string> names;
  while (const dirent* item = readdir(proc.get())) {
    if (!isProcessFolder(item->d_name))
      continue;
    if (std::optional<std::string> name = imageName(item->d_name))
      names.push_back(fromUtf8(*name));
  }
  return names;
}

bool launchDetached(const std::u16string& program,
                    const std::vector<std::u16string>& arguments,
                    const std::u16string& workingDir) {
  LaunchPlan plan;
  std::filesystem::path programPath = toPath(program);
  // A path is taken from our current folder, as on Windows, not from the child's new one.
  std::error_code error;
  if (programPath.has_parent_path())
    programPath = std::filesystem::absolute(programPath, error);
  if (error || program.empty() || program.find(u'\0') != std::u16string::npos ||
      workingDir.find(u'\0') != std::u16string::npos)
    return false;
  plan.program = programPath.native();
  plan.workingDir = workingDir.empty() ? "." : toPath(workingDir).native();
  plan.arguments.push_back(plan.program);
  for (const std::u16string& argument : arguments) {
    if (argument.find(u'\0') != std::u16string::npos)
      return false;
    plan.arguments.push_back(toUtf8(argument));
  }
  for (std::string& argument : plan.arguments)
    plan.argv.push_back(argument.data());
  plan.argv.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0)
    return false;
  if (report[1] <= 2) {  // keep it clear of the standard streams that the child replaces
    int moved = fcntl(report[1], F_DUPFD_CLOEXEC, 3);
    close(report[1]);
    report[1] = moved;
    if (moved < 0) {
      close(report[0]);
      return false;
    }
  }
  // Two forks: the program is reparented at once, so this process never has to reap it.
  pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    pid_t grandchild = fork();
    if (grandchild < 0)
      failChild(report[1]);
    if (grandchild == 0)
      becomeProgram(plan, report[1]);
    _exit(0);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int childError = 0;
  ssize_t got;
  do {
    got = read(report[0], &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  // Nothing to read: exec closed the pipe, the program runs.
  return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void terminateThisProcess(int exitCode) {
  std::fflush(nullptr);
  _exit(exitCode);
}

}  // namespace varnet::platform

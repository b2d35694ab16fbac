#pragma once

// Test support: child processes that a test starts and ends itself, by their PIDs.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace varnet::testing {

// A program started with fork and exec, killed and reaped when the object ends.
class Child {
 public:
  Child(const std::string& program, std::vector<std::string> arguments) {
    std::vector<char*> argv;
    arguments.insert(arguments.begin(), program);
    for (std::string& argument : arguments)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

}  // namespace varnet::testing

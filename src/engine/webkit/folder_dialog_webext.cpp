// RunFolderDialog in WebKit's web process: a request to the browser process's folder-chooser
// service over its local socket. Request: the page id and the title, each on a line; answer: the
// chosen path (UTF-8), empty when cancelled.

#include "engine/webkit/folder_dialog_webext.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/folder_dialog.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

struct FolderRequests {
  std::string servicePath;
  std::uint64_t callingPage = 0;
};

FolderRequests& requests() {
  static FolderRequests r;
  return r;
}

}  // namespace

void setFolderServicePath(std::string path) {
  requests().servicePath = std::move(path);
}

void setCallingPage(std::uint64_t pageId) {
  requests().callingPage = pageId;
}

std::uint64_t callingPage() {
  return requests().callingPage;
}

}  // namespace varnet::engine::webkit

namespace varnet::engine {

std::u16string RunFolderDialog(const std::u16string& title) {
  const std::string& servicePath = webkit::requests().servicePath;
  sockaddr_un address = {};
  if (servicePath.empty() || servicePath.size() >= sizeof(address.sun_path))
    return {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, servicePath.c_str(), servicePath.size());

  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return {};
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
    std::string request = std::to_string(webkit::callingPage()) + "\n" + toUtf8(title) + "\n";
    bool sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(request.size());
    shutdown(fd, SHUT_WR);
    char buffer[4096];
    ssize_t n = 0;
    while (sent && (n = read(fd, buffer, sizeof(buffer))) != 0) {
      if (n < 0) {
        if (errno == EINTR)
          continue;
        answer.clear();
        break;
      }
      answer.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  return fromUtf8(answer);
}

}  // namespace varnet::engine

#include "archive/links.h"

#include <optional>
#include <system_error>

#include "archive/error.h"
#include "archive/item_path.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace varnet::archive {

// Links are made once every file is in place, so that no item is ever written through one, and
// are kept only when each, followed to its end, still points inside the root. All of it passes
// the gate as one change: a stop never leaves an unchecked link behind.
void makeLinks(const std::vector<Link>& links, const fs::path& root, ExtractionGate& gate) {
  if (links.empty())
    return;
  std::optional<Error> failure;
  auto refuse = [&](const Link& link, const std::string& why) {
    failure =
        Error{ErrorKind::LinkRefused,
              "link " + toUtf8(link.name) + " -> " + toUtf8(link.target) + " " + why, link.name};
  };
  bool passed = gate.pass([&] {
    fs::path realRoot = fs::canonical(root);
    std::vector<const Link*> made;
    for (const Link& link : links) {
      fs::path target = toPath(link.target);
      if (link.target.empty() || target.has_root_name() || target.has_root_directory()) {
        refuse(link, "leaves the install folder");
        break;
      }
      std::error_code error;
      fs::remove(link.path, error);
      if (fs::is_directory(link.path.parent_path() / target))
        fs::create_directory_symlink(target, link.path, error);
      else
        fs::create_symlink(target, link.path, error);
      if (error) {
        failure = fileError(error, link.path, "create link");
        break;
      }
      made.push_back(&link);
    }
    for (size_t i = 0; !failure && i < made.size(); ++i) {
      std::error_code error;
      fs::path resolved = fs::weakly_canonical(made[i]->path, error);
      if (error || !isInside(resolved, realRoot))
        refuse(*made[i], "leaves the install folder");
    }
    if (failure) {
      for (const Link* link : made) {
        std::error_code ignored;
        fs::remove(link->path, ignored);
      }
    }
  });
  if (!passed)
    throw Failure{{ErrorKind::Stopped, "stopped", {}}};
  if (failure)
    throw Failure{std::move(*failure)};
}

}  // namespace varnet::archive

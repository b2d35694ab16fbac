#include "archive/links.h"

#include <map>
#include <optional>
#include <system_error>

#include "archive/error.h"
#include "archive/item_path.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace varnet::archive {
namespace {

#ifdef _WIN32
constexpr bool kCaseInsensitiveNames = true;
#else
constexpr bool kCaseInsensitiveNames = false;
#endif

// Links in a chain deeper than this are refused, as the OS refuses loops.
constexpr int kMaxLinkDepth = 40;

using Names = std::vector<std::u16string>;

std::u16string keyOf(const Names& names) {
  std::u16string key;
  for (const std::u16string& name : names) {
    key += name;
    key += u'/';
  }
  if (kCaseInsensitiveNames) {
    for (char16_t& c : key)
      c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
  }
  return key;
}

Names namesOf(const fs::path& relative) {
  Names names;
  for (const fs::path& name : relative)
    names.push_back(fromPath(name));
  return names;
}

bool hasDriveLetter(std::u16string_view name) {
  return name.size() >= 2 && name[1] == u':';
}

class LinkJudge {
 public:
  explicit LinkJudge(const std::vector<Link>& links) {
    for (const Link& link : links)
      links_[keyOf(namesOf(link.relative))] = &link;
  }

  // Where the link points, as names below the root, or nothing when it leaves the root.
  std::optional<Names> resolve(const Link& link) const {
    Names folder = namesOf(link.relative);
    folder.pop_back();
    return follow(folder, link.target, 0);
  }

 private:
  std::optional<Names> follow(Names place, std::u16string_view target, int depth) const {
    std::vector<std::u16string_view> names = itemPathNames(target);
    if (target.empty() || names.front().empty() || hasDriveLetter(names.front()) ||
        depth > kMaxLinkDepth)
      return std::nullopt;  // empty, absolute, or a loop
    for (std::u16string_view name : names) {
      if (name.empty() || name == u".")
        continue;
      if (name == u"..") {
        if (place.empty())
          return std::nullopt;
        place.pop_back();
        continue;
      }
      if (name.find_first_not_of(u". ") == std::u16string_view::npos || hasDriveLetter(name))
        return std::nullopt;  // names Windows would read otherwise
      place.emplace_back(name);
      auto link = links_.find(keyOf(place));
      if (link != links_.end()) {
        place.pop_back();
        std::optional<Names> through = follow(place, link->second->target, depth + 1);
        if (!through)
          return std::nullopt;
        place = std::move(*through);
      }
    }
    return place;
  }

  std::map<std::u16string, const Link*> links_;
};

// The link's text as it is made: the names joined with "/", whatever separated them.
fs::path normalisedTarget(std::u16string_view target) {
  fs::path path;
  for (std::u16string_view name : itemPathNames(target)) {
    if (!name.empty())
      path /= toPath(name);
  }
  return path;
}

fs::path below(const fs::path& root, const Names& names) {
  fs::path path = root;
  for (const std::u16string& name : names)
    path /= toPath(name);
  return path;
}

}  // namespace

// Links are made once every file is in place, so that no item is ever written through one. All
// of it passes the gate as one change: a stop never leaves an unchecked link behind.
void makeLinks(const std::vector<Link>& links, const fs::path& root, ExtractionGate& gate) {
  if (links.empty())
    return;
  auto refusal = [](const Link& link) {
    return Error{
        ErrorKind::LinkRefused,
        "link " + toUtf8(link.name) + " -> " + toUtf8(link.target) + " leaves the install folder",
        link.name};
  };
  LinkJudge judge(links);
  std::vector<Names> resolved;
  for (const Link& link : links) {
    std::optional<Names> place = judge.resolve(link);
    if (!place)
      throw Failure{refusal(link)};
    resolved.push_back(std::move(*place));
  }

  std::optional<Error> failure;
  bool passed = gate.pass([&] {
    std::vector<fs::path> made;
    for (const Link& link : links) {
      fs::path path = root / link.relative;
      fs::path target = normalisedTarget(link.target);
      std::error_code error;
      fs::remove(path, error);
      if (fs::is_directory(path.parent_path() / target))
        fs::create_directory_symlink(target, path, error);
      else
        fs::create_symlink(target, path, error);
      if (error) {
        failure = fileError(error, path, "create link");
        break;
      }
      made.push_back(path);
    }
    // A link left in the folder by an earlier install may still lead out.
    fs::path realRoot = fs::canonical(root);
    for (size_t i = 0; !failure && i < links.size(); ++i) {
      std::error_code error;
      fs::path real = fs::weakly_canonical(below(root, resolved[i]), error);
      if (error || !isInside(real, realRoot))
        failure = refusal(links[i]);
    }
    if (failure) {
      for (const fs::path& path : made) {
        std::error_code ignored;
        fs::remove(path, ignored);
      }
    }
  });
  if (!passed)
    throw Failure{{ErrorKind::Stopped, "stopped", {}}};
  if (failure)
    throw Failure{std::move(*failure)};
}

}  // namespace varnet::archive

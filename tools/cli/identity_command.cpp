// varnet-cli identity: the machine identity that tickets carry.

#include <iostream>

#include "command.h"
#include "identity/disk_info.h"
#include "platform/text.h"

namespace varnet::cli {

int runIdentity(const Arguments& arguments) {
  if (!arguments.empty())
    return usageError("identity");
  CMyDiskInfo disk;
  const std::u16string identity = disk.GetIdentity();
  std::cout << toUtf8(identity) << "\n";
  if (identity == u"__")  // for support; standard output keeps the identity alone
    std::cerr << "varnet-cli: the first disk reported no serial or model number\n";
  return kSuccess;
}

}  // namespace varnet::cli

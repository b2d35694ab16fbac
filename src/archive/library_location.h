#pragma once

#include <string>
#include <vector>

namespace varnet::archive {

// Where the 7-Zip library is looked for, in order.
std::vector<std::u16string> sevenZipLibraryCandidates();

}  // namespace varnet::archive

#pragma once

// Listing and deleting the folders that installations and package downloads live in.

#include <string>
#include <vector>

namespace varnet {

// The full paths (folder + "/" + name) of the regular files directly inside `folder`, in the
// order the OS lists them. Names beginning with "." are left out. A folder that cannot be
// listed gives an empty list.
std::vector<std::u16string> listFiles(const std::u16string& folder);

// Deletes `folder` depth first: its files and subfolders (one that resists is tried again after
// its attributes are reset), then the folder itself. Names beginning with "." are left in place,
// and so is every folder above them. A link or junction, inside the tree or the folder itself, is
// removed itself, never entered. A folder that cannot be listed is left untouched.
void deleteTree(const std::u16string& folder);

}  // namespace varnet

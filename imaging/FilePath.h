// Joins a folder and a file name into one path.
#pragma once

#include <cstddef>

namespace frostel {

// Longest path, terminator included, that JoinFilePath builds.
constexpr size_t kMaxFilePath = 260;

// Folder + "\" + name, the separator left out when the folder already ends
// in "/" or "\" (or is empty). The result lives in a static buffer that the
// next call overwrites; null when either argument is null or the path would
// not fit in kMaxFilePath.
const char* JoinFilePath(const char* folder, const char* name);

}  // namespace frostel

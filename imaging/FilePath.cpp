#include "FilePath.h"

#include <cstring>

namespace frostel {

const char* JoinFilePath(const char* folder, const char* name) {
    static char buffer[kMaxFilePath];
    if (folder == nullptr || name == nullptr) return nullptr;
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    const bool separator = folderLength > 0 && folder[folderLength - 1] != '/' &&
                           folder[folderLength - 1] != '\\';
    const size_t total = folderLength + (separator ? 1 : 0) + nameLength;
    if (total >= kMaxFilePath) return nullptr;
    std::memcpy(buffer, folder, folderLength);
    size_t at = folderLength;
    if (separator) buffer[at++] = '\\';
    std::memcpy(buffer + at, name, nameLength);
    buffer[total] = '\0';
    return buffer;
}

}  // namespace frostel

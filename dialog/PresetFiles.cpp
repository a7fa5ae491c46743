#include "PresetFiles.h"

#include <cstdio>

#include "PresetFormat.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace frostel {

namespace {

// Larger files are no presets; reading them whole would only cost memory.
constexpr long kMaxFileBytes = 1 << 20;

bool ReplaceFile(const std::string& temp, const std::string& path) {
#ifdef _WIN32
    return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(temp.c_str(), path.c_str()) == 0;
#endif
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bytes.clear();
    char buf[4096];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (bytes.size() + n > size_t(kMaxFileBytes)) {
            ok = false;
            break;
        }
        bytes.append(buf, n);
    }
    ok = ok && !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) ok = ReplaceFile(temp, path);
    if (!ok) std::remove(temp.c_str());
    return ok;
}

bool LoadPresetFile(const std::string& path, FilterParameters& p) {
    std::string bytes;
    return ReadWholeFile(path, bytes) && ReadPresetText(bytes.data(), bytes.size(), p);
}

bool SavePresetFile(const std::string& path, const FilterParameters& p) {
    return ReplaceFileContents(path, WritePresetText(p));
}

void ReadIniFileAt(const std::string& path, FilterParameters& p) {
    std::string bytes;
    if (ReadWholeFile(path, bytes)) ReadIniText(bytes.data(), bytes.size(), p);
}

bool WriteIniFileAt(const std::string& path, const FilterParameters& p) {
    return ReplaceFileContents(path, WriteIniText(p));
}

}  // namespace frostel

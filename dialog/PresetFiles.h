// Preset and ini files on disk. A write goes to a temporary file beside the
// target, is checked to the last byte and the close, and only then replaces
// the old file, so a failed write never destroys what was there.
#pragma once

#include <string>

#include "FilterParameters.h"

namespace frostel {

// False when the file cannot be read or is no preset; `p` is then untouched.
bool LoadPresetFile(const std::string& path, FilterParameters& p);
bool SavePresetFile(const std::string& path, const FilterParameters& p);

// A missing or unreadable ini file changes nothing.
void ReadIniFileAt(const std::string& path, FilterParameters& p);
bool WriteIniFileAt(const std::string& path, const FilterParameters& p);

// The whole file, or false.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Writes through a temporary file and replaces `path` only when all went well.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);

}  // namespace frostel

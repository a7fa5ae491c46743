// The text formats of the preset files and the ini file: key-value lines
// keyed by the four bytes of a parameter's key as they lie in memory ('BkCl'
// is written "lCkB"). Portable: bytes in, bytes out; the files themselves
// are read and written by PresetFiles.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "FilterParameters.h"

namespace frostel {

// File name extension of a preset, with its dot.
extern const char kPresetExtension[];  // ".frlpst"
// First line of every preset file.
extern const char kPresetHeader[];     // "Frostel Preset;"
// Name of the ini file in the module's folder.
extern const char kIniFileName[];      // "Frostel.ini"

// The whole preset file for these parameters: header, version, the 47 key
// lines in table order, end line.
std::string WritePresetText(const FilterParameters& p);

// Applies every known key of a preset text to `p`, each value through the
// parameter sanitiser; keys that are missing keep their values. False, with
// `p` untouched, when the text does not begin with the preset header.
bool ReadPresetText(const char* data, size_t size, FilterParameters& p);

// The ini file: a comment line and the seven window-placement values.
std::string WriteIniText(const FilterParameters& p);
// Reads the placement keys into `p`; unknown keys and lines without a number
// change nothing. The dialog's own values are kept whole (its placement is
// checked against the screens when it opens); the curve editor's point is
// clamped to -32768..32767 and its flag to 0..1.
void ReadIniText(const char* data, size_t size, FilterParameters& p);

// Splits text into lines. A line ends at LF or CR (CR LF counts once); a
// TAB reads as a blank; a last line without its end is kept; a UTF-8 byte
// order mark at the start is skipped; a line longer than kMaxLine keeps its
// first kMaxLine bytes and the rest is skipped.
class TextLines {
public:
    static constexpr size_t kMaxLine = 1024;
    TextLines(const char* data, size_t size);
    bool Next(std::string& line);

private:
    const char* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Number parsers of the value field: leading blanks are skipped, then a
// token of at most 63 characters from "0123456789,-.Ee". Integers stop at the
// first character after the sign that is not a digit ("12,5" gives 12) and
// saturate at the 64-bit limits; floats accept ',' as the decimal point.
// Both give false, with `value` untouched, for a token that holds no number
// (an integer needs a digit right after its optional sign).
bool ParseIntegerValue(const char* text, int64_t& value);
bool ParseFloatValue(const char* text, double& value);

// The text of a value up to the first ';', TAB or line feed, without its
// trailing spaces; leading blanks skipped.
std::string ParseTextValue(const char* text);

// True when `name` ends in ".frlpst" (any case) with something before it.
bool HasPresetExtension(const std::string& name);
// `name` without one trailing ".frlpst" (any case).
std::string StripPresetExtension(const std::string& name);
// True for file names ending in "bmp", "png", "jpg" or "tiff" (any case).
bool IsImageFileName(const std::string& name);

// Why a name typed for a new preset cannot be a file name, or null when it
// can: empty, too long, control or reserved characters, path separators,
// leading or trailing dots and blanks, or a reserved device name.
const char* CheckPresetName(const std::string& name);
constexpr size_t kMaxPresetName = 128;

}  // namespace frostel

// The font list's records: one per font family the list shows, with the
// kind of font that picks its mark.
#pragma once

#include <cstdint>
#include <list>

namespace frostel {

struct FontRecord {
    char faceName[32];
    char scriptName[32];
    uint8_t charSet;
    uint8_t pitchAndFamily;
    uint32_t typeFlags;  // kFontRaster, kFontTrueType or kFontDevice
};
static_assert(sizeof(FontRecord) == 72, "font record layout");

constexpr uint32_t kFontRaster = 256;
constexpr uint32_t kFontTrueType = 768;
constexpr uint32_t kFontDevice = 1280;

using FontRecordList = std::list<FontRecord>;

// Names longer than 31 characters are cut; null names are empty.
void InitFontRecord(FontRecord& r, const char* face, const char* script, uint8_t charSet, uint8_t pitchAndFamily,
                    uint32_t typeFlags);
// The first record with that face name, or null.
const FontRecord* FindFontRecord(const char* face, const FontRecordList& list);
// The flags of an enumerated font's type bits (TrueType 4, device 2).
uint32_t FontTypeFlags(uint32_t fontType);
// Where the record's mark lies in the marks bitmap: 16 (TrueType), 0
// (device) or -1 (no mark).
int FontMarkX(uint32_t typeFlags);

}  // namespace frostel

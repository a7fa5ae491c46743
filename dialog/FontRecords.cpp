#include "FontRecords.h"

#include <cstring>

namespace frostel {

namespace {
void CopyName(char (&to)[32], const char* from) {
    std::memset(to, 0, sizeof to);
    if (from) std::strncpy(to, from, sizeof to - 1);
}
}  // namespace

void InitFontRecord(FontRecord& r, const char* face, const char* script, uint8_t charSet, uint8_t pitchAndFamily,
                    uint32_t typeFlags) {
    CopyName(r.faceName, face);
    CopyName(r.scriptName, script);
    r.charSet = charSet;
    r.pitchAndFamily = pitchAndFamily;
    r.typeFlags = typeFlags;
}

const FontRecord* FindFontRecord(const char* face, const FontRecordList& list) {
    if (!face) return nullptr;
    for (const FontRecord& r : list)
        if (std::strncmp(r.faceName, face, sizeof r.faceName) == 0) return &r;
    return nullptr;
}

uint32_t FontTypeFlags(uint32_t fontType) {
    if (fontType & 4) return kFontTrueType;
    if (fontType & 2) return kFontDevice;
    return kFontRaster;
}

int FontMarkX(uint32_t typeFlags) {
    if ((typeFlags & 0x600) == 0) return -1;
    return (typeFlags & 0x200) ? 16 : 0;
}

}  // namespace frostel

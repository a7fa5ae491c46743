// An owner-drawn combo box of the installed font families, each with a
// TrueType or device-font mark from the "FONTBMP" bitmap.
#pragma once

#include <windows.h>

#include "FontRecords.h"

namespace frostel {

// The records behind one combo box and the marks bitmap (loaded once, from
// this module, and deleted with the list).
struct FontList {
    FontList() = default;
    ~FontList();
    FontList(const FontList&) = delete;
    FontList& operator=(const FontList&) = delete;

    FontRecordList records;
    HBITMAP marks = nullptr;
    HWND combo = nullptr;
    bool skipVertical = false;  // DBCS systems: '@' names are the vertical faces
};

// Empties the combo box and the records, then lists every font family
// once (Mac character set left out).
void FillFontList(HWND combo, FontList& list);
int CALLBACK EnumFontFamExProc(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD fontType, LPARAM list);
// Draws one item of the combo box (its WM_DRAWITEM): the mark at the left,
// the name at x + 22.
void DrawFontItem(HWND combo, const DRAWITEMSTRUCT* item, const FontList& list);
// The same colours, the item's text at x + 10 and no mark.
void DrawPlainItem(HWND combo, const DRAWITEMSTRUCT* item);
void ClearFontList(FontList& list);

}  // namespace frostel

#include "FontList.h"

#include <string>

#include "Workers.h"

namespace frostel {

namespace {

constexpr COLORREF kItemText = 0x640000;
constexpr int kMarkWidth = 16, kMarkHeight = 15;

std::string ItemText(HWND combo, UINT index) {
    const LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (n == CB_ERR || n < 0) return std::string();
    std::string text(size_t(n) + 1, '\0');
    const LRESULT got = SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : size_t(got));
    return text;
}

// Background and text colour of an item; its text.
std::string PaintItemBack(HWND combo, const DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(dc, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kItemText);
    SetBkMode(dc, TRANSPARENT);
    if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &item->rcItem);
    return item->itemID == UINT(-1) ? std::string() : ItemText(combo, item->itemID);
}

}  // namespace

FontList::~FontList() {
    if (marks) DeleteObject(marks);
}

void ClearFontList(FontList& list) { list.records.clear(); }

int CALLBACK EnumFontFamExProc(const LOGFONTA* font, const TEXTMETRICA*, DWORD fontType, LPARAM lp) {
    auto* list = reinterpret_cast<FontList*>(lp);
    if (!font || !list) return 0;
    if (font->lfCharSet == MAC_CHARSET) return 1;
    if (list->skipVertical && font->lfFaceName[0] == '@') return 1;
    if (SendMessageA(list->combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(font->lfFaceName)) !=
        CB_ERR)
        return 1;
    const LRESULT at = SendMessageA(list->combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
    if (at == CB_ERR || at == CB_ERRSPACE) return 0;
    const auto* full = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
    FontRecord r;
    InitFontRecord(r, font->lfFaceName, reinterpret_cast<const char*>(full->elfScript), font->lfCharSet,
                   font->lfPitchAndFamily, FontTypeFlags(fontType));
    list->records.push_back(r);
    return 1;
}

void FillFontList(HWND combo, FontList& list) {
    ClearFontList(list);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    list.combo = combo;
    list.skipVertical = GetSystemMetrics(SM_DBCSENABLED) != 0;
    if (!list.marks) list.marks = LoadBitmapA(ThisModuleInstance(), "FONTBMP");
    FontRecord first;
    InitFontRecord(first, "", "script", DEFAULT_CHARSET, 0, kFontRaster);
    list.records.push_back(first);

    HDC dc = GetDC(combo);
    if (!dc) return;
    LOGFONTA all{};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(dc, &all, reinterpret_cast<FONTENUMPROCA>(EnumFontFamExProc), reinterpret_cast<LPARAM>(&list),
                        0);
    ReleaseDC(combo, dc);
}

void DrawFontItem(HWND combo, const DRAWITEMSTRUCT* item, const FontList& list) {
    if (!item) return;
    const std::string text = PaintItemBack(combo, item);
    if (item->itemID == UINT(-1)) return;
    HDC dc = item->hDC;
    const FontRecord* r = FindFontRecord(text.c_str(), list.records);
    const int markX = r ? FontMarkX(r->typeFlags) : -1;
    if (markX >= 0 && list.marks) {
        HDC mem = CreateCompatibleDC(dc);
        if (mem) {
            HGDIOBJ old = SelectObject(mem, list.marks);
            BitBlt(dc, item->rcItem.left, item->rcItem.top, kMarkWidth, kMarkHeight, mem, markX, 0, SRCAND);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
    }
    TextOutA(dc, item->rcItem.left + 22, item->rcItem.top + 2, text.c_str(), int(text.size()));
}

void DrawPlainItem(HWND combo, const DRAWITEMSTRUCT* item) {
    if (!item) return;
    const std::string text = PaintItemBack(combo, item);
    if (item->itemID == UINT(-1)) return;
    TextOutA(item->hDC, item->rcItem.left + 10, item->rcItem.top + 2, text.c_str(), int(text.size()));
}

}  // namespace frostel

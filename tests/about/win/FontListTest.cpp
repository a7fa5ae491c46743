// The font list in a test window: filled from the system's fonts, each item
// drawn with its mark and name.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "FontList.h"

using namespace frostel;

namespace {

class TestWindow {
public:
    TestWindow() {
        parent_ = CreateWindowExA(0, "STATIC", "font list", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        combo_ = CreateWindowExA(0, "COMBOBOX", "",
                                 WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS |
                                     WS_VSCROLL,
                                 10, 10, 250, 200, parent_, reinterpret_cast<HMENU>(1016), nullptr, nullptr);
    }
    ~TestWindow() {
        if (parent_) DestroyWindow(parent_);
    }
    HWND combo() const { return combo_; }

private:
    HWND parent_ = nullptr, combo_ = nullptr;
};

// A 24-bit top-down DIB section selected into a memory DC.
class Pixels {
public:
    Pixels(int w, int h) : w_(w), h_(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Pixels() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * w_ + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

// Draws item `index` 200 x 18 at the DC's origin.
void DrawItem(HWND combo, Pixels& px, UINT index, UINT state, const FontList& list) {
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_COMBOBOX;
    d.CtlID = 1016;
    d.itemID = index;
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = state;
    d.hwndItem = combo;
    d.hDC = px.dc();
    d.rcItem = {0, 0, 200, 18};
    DrawFontItem(combo, &d, list);
}

int CountNot(const Pixels& px, int x0, int x1, int y0, int y1, COLORREF background) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += px.At(x, y) != background;
    return n;
}

}  // namespace

TEST(FontList, FillsEachFamilyOnceWithItsRecord) {
    TestWindow w;
    ASSERT_NE(w.combo(), nullptr);
    FontList list;
    FillFontList(w.combo(), list);
    const LRESULT count = SendMessageA(w.combo(), CB_GETCOUNT, 0, 0);
    ASSERT_GT(count, 0);
    // The first record, then one per item in the order they were added.
    ASSERT_EQ(list.records.size(), size_t(count) + 1);
    EXPECT_STREQ(list.records.front().scriptName, "script");
    EXPECT_NE(list.marks, nullptr);
    std::set<std::string> names;
    bool trueType = false;
    for (LRESULT i = 0; i < count; ++i) {
        char name[64] = {};
        SendMessageA(w.combo(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
        EXPECT_TRUE(names.insert(name).second) << "listed twice: " << name;
        const FontRecord* r = FindFontRecord(name, list.records);
        ASSERT_NE(r, nullptr) << name;
        EXPECT_NE(r->charSet, MAC_CHARSET);
        trueType |= r->typeFlags == kFontTrueType;
    }
    EXPECT_TRUE(trueType);

    // Filling again starts over.
    FillFontList(w.combo(), list);
    EXPECT_EQ(SendMessageA(w.combo(), CB_GETCOUNT, 0, 0), count);
    EXPECT_EQ(list.records.size(), size_t(count) + 1);
    ClearFontList(list);
    EXPECT_TRUE(list.records.empty());
}

TEST(FontList, ItemsShowTheirMarkAndName) {
    TestWindow w;
    FontList list;
    FillFontList(w.combo(), list);
    // Three items of known kinds.
    FontRecord r;
    const char* names[3] = {"Zz TrueType", "Zz Device", "Zz Raster"};
    const uint32_t kinds[3] = {kFontTrueType, kFontDevice, kFontRaster};
    UINT index[3];
    for (int i = 0; i < 3; ++i) {
        index[i] = UINT(SendMessageA(w.combo(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i])));
        InitFontRecord(r, names[i], "Western", 0, 0, kinds[i]);
        list.records.push_back(r);
    }
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    Pixels px(200, 18);

    // TrueType: the mark at x 16 of the bitmap, ANDed over the background.
    DrawItem(w.combo(), px, index[0], 0, list);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, list.marks);
    int same = 0, dark = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF mark = GetPixel(mem, 16 + x, y);
            const COLORREF expect = RGB(GetRValue(mark) & GetRValue(window), GetGValue(mark) & GetGValue(window),
                                        GetBValue(mark) & GetBValue(window));
            same += px.At(x, y) == expect;
            dark += mark != RGB(255, 255, 255);
        }
    SelectObject(mem, old);
    DeleteDC(mem);
    EXPECT_EQ(same, 16 * 15);
    EXPECT_GT(dark, 20);
    // The name from x 22 on, nothing between the mark and the name.
    EXPECT_GT(CountNot(px, 22, 200, 0, 18, window), 20);
    EXPECT_EQ(CountNot(px, 16, 22, 0, 18, window), 0);
    const COLORREF trueTypeTopLeft = px.At(9, 2);

    // Device font: the other mark; raster: none.
    DrawItem(w.combo(), px, index[1], 0, list);
    EXPECT_GT(CountNot(px, 0, 16, 0, 15, window), 20);
    EXPECT_NE(px.At(9, 2), trueTypeTopLeft);
    DrawItem(w.combo(), px, index[2], 0, list);
    EXPECT_EQ(CountNot(px, 0, 16, 0, 18, window), 0);
    EXPECT_GT(CountNot(px, 22, 200, 0, 18, window), 20);

    // Selected: the highlight colour behind.
    DrawItem(w.combo(), px, index[2], ODS_SELECTED, list);
    EXPECT_EQ(px.At(199, 17), GetSysColor(COLOR_HIGHLIGHT));
}

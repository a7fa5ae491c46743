// Bitmap states for a standard BUTTON (a subclass), lists of bitmaps loaded
// from the module, and a control button that plays frame lists while hovered
// and after the cursor leaves it.
#pragma once

#include "Widgets.h"

#include <vector>

namespace frostel::widgets {

// The bitmaps of a BUTTON's states, any of them null; not owned.
struct ButtonBitmaps {
    HBITMAP normal = nullptr, hot = nullptr, disabled = nullptr;
    HBITMAP checked = nullptr, checkedHot = nullptr, checkedDisabled = nullptr;
};
// Subclasses the button (BS_BITMAP) so that its image follows enable, check
// and hover; false when the window is no button or already subclassed. The
// subclass removes itself when the button is destroyed.
bool InstallBitmapButton(HWND button, const ButtonBitmaps& bitmaps);
// The image a button in that state shows (absent images fall back to normal).
HBITMAP BitmapButtonImage(const ButtonBitmaps& b, bool enabled, bool checked, bool hot);

// Bitmaps loaded from the module by id; deleted on Release and destruction.
class BitmapList {
public:
    BitmapList() = default;
    ~BitmapList() { Release(); }
    BitmapList(const BitmapList&) = delete;
    BitmapList& operator=(const BitmapList&) = delete;
    // Releases the current list first; ids that do not load stay null.
    void Load(HINSTANCE module, const std::vector<int>& ids);
    void Release();
    int count() const { return int(bitmaps_.size()); }
    HBITMAP at(int i) const { return bitmaps_.empty() ? nullptr : bitmaps_[size_t(i) % bitmaps_.size()]; }

private:
    std::vector<HBITMAP> bitmaps_;
};

// A control button (pass it as the creation parameter of a "Control Button
// CPP" window) that cycles its hover frames every 75 ms while hovered and,
// once the cursor has left, finishes the hover frames and plays the leave
// frames; a 500 ms timer ends a leave in any case.
class TAnimatedButton : public TControlButton {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    BitmapList hoverFrames, leaveFrames;
    int hoverIndex = 0, leaveIndex = 0;
    int phase = 0;  // 0 hovering, 1 leaving, 2 playing the leave frames

private:
    void Stop();
};

}  // namespace frostel::widgets

// Widgets made by program instead of from dialog templates: one creator per
// class (a child window in the module's instance, its object returned), the
// composite creators that add a caption, a region or an edit field, the
// shape regions and the operations on a widget with its caption.
#pragma once

#include "AnimatedWidgets.h"
#include "Widgets.h"

namespace frostel::widgets {

constexpr DWORD kCreatorStyle = 0x56000000;  // child, visible, clip siblings and children

// The object of a new child window of class `cls`; null when it was not made.
void* CreateWidgetWindow(const char* cls, HWND parent, int x, int y, int w, int h, int id,
                         DWORD style = kCreatorStyle, DWORD exStyle = 0);

TControlButtonFire* CreateFireButton(HWND parent, int x, int y, int w, int h, int id);
TControlButton* CreateControlButton(HWND parent, int x, int y, int w, int h, int id);
// "Contaner CPP" captions: framed (style 4) or clickable (style 5).
TContanerPanel* CreateCaption(HWND parent, int x, int y, int w, int h, int id, const char* text, DWORD exStyle = 0);
TContanerPanel* CreateClickableCaption(HWND parent, int x, int y, int w, int h, int id, const char* text,
                                       bool enabled);
TContanerAnim* CreateAnimPanel(HWND parent, int x, int y, int w, int h, int id);
TContanerColor* CreateSwatch(HWND parent, int x, int y, int w, int h, int id, COLORREF colour);
// A swatch with a caption 18 high below it (the swatch's label) and a tool tip
// on both when `toolTip` is given (referenced, not copied).
TContanerColor* CreateSwatchWithCaption(HWND parent, int x, int y, int w, int h, int id, COLORREF colour,
                                        const char* caption, const char* toolTip);
// On an animated panel: an elliptic glass control among the panel's children
// with its maps from three grey bitmaps of the module.
TControlGlass* CreateGlassControl(HWND panel, int x, int y, int w, int h, int id, int brightnessId, int alphaId,
                                  int reliefId);
TPreviewContaner* CreatePreview(HWND parent, int x, int y, int w, int h, int id);
// Rotors (style 0x56010000); `rounded` gives the window a rounded-rectangle region.
TRotor* CreateRotor(HWND parent, int x, int y, int w, int h, int id, bool rounded);
TSpinEdit* CreateSpinEdit(HWND parent, int x, int y, int w, int h, int id);
// A spin edit without range following, its caption 20 high below it.
TSpinEdit* CreateSpinEditKnob(HWND parent, int x, int y, int w, int h, int id, const char* caption, float lower,
                              float upper, float value);
// A glass slider (style 0x56010000) with a rounded region and, when `caption`
// is given, a framed caption 18 high below it.
TGlassSlider* CreateGlassSlider(HWND parent, int x, int y, int w, int h, int id, const char* caption);
// A bitmap panel whose pixels are cut from `background` at (x, y): where
// `mask` is not black the pixel turns pure red; `alpha` darkens toward black
// by grey / 255. The bitmaps stay the caller's.
TControl* CreateSkinnedControl(HWND parent, int x, int y, int w, int h, int id, HBITMAP background, HBITMAP mask,
                               HBITMAP alpha);

// A place in the parent's client area.
struct WidgetPlace {
    int x = 0, y = 0, w = 0, h = 0;
};
// Four widgets and two skinned controls whose pixels are cut from one bitmap
// resource at their places (ids firstId .. firstId + 5, the four first).
struct WidgetSetLayout {
    WidgetPlace items[4];
    WidgetPlace panels[2];
    int firstId = 0;
};
struct SwatchSet {
    TContanerColor* swatches[4] = {};
    TControl* panels[2] = {};
};
struct RotorSet {
    TRotor* rotors[4] = {};
    TControl* panels[2] = {};
};
// False (a beep, no window made) when the bitmap does not load; the bitmap is
// released once the panels hold their pixels. The rotors get rounded regions.
bool CreateSwatchSet(HWND parent, int bitmapId, const WidgetSetLayout& layout, SwatchSet* out);
bool CreateRotorSet(HWND parent, int bitmapId, const WidgetSetLayout& layout, RotorSet* out);

// A dialog from a template whose procedure keeps a TContaner (the one given,
// which it then owns, or a new one) and frees it when the dialog goes; OK and
// Cancel end it with their id. Modeless: moved to (x, y, w, h) when w > 0,
// the object recording the size; null when the template does not load.
HWND CreateDialogPanel(HWND parent, const char* templateName, TContaner* object, int x, int y, int w, int h);
INT_PTR RunDialogPanel(HWND parent, const char* templateName, TContaner* object);

// 1 ellipse, 4 ellipse one pixel larger all round, 2 rounded rectangle; the
// window owns the region from then on.
void SetShapeRegion(HWND w, int shape);
// A widget and the caption below it, moved, shown or enabled together.
void MoveWidgetWithCaption(HWND widget, HWND caption, int x, int y, int w, int h, int captionHeight);
void ShowWidgetWithCaption(HWND widget, HWND caption, bool show);
void EnableWidgetWithCaption(HWND widget, HWND caption, HWND edit, bool enable);

}  // namespace frostel::widgets

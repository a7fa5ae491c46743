// The widget library's window classes: what the dialogs create from their
// templates, find with FindControlObject and configure.
//
// Every class but "MacStyleBtn" and "ContainerLinkC" keeps one widget object
// in the window's user data for the window's lifetime. An object may be
// passed as the creation parameter of CreateWindowEx (made with `new` of the
// class: the window deletes it); controls from dialog templates carry no
// creation data and get a new one. Objects never own the shared brush, fonts
// or the bitmaps that someone else loaded.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"
#include "PreviewMath.h"

namespace frostel::widgets {

// ---- Shared state ---------------------------------------------------------
// Background of the dialogs and the widgets: made by the dialog before it
// registers the classes and deleted by it after unregistering them.
extern HBRUSH gBackBrush;
// The face colour RGB(236, 233, 216) of the turn dial; the three components
// (set to 232 each by the dialog) colour the direction dial's sphere.
extern COLORREF gFaceColor;
extern BYTE gFaceRed, gFaceGreen, gFaceBlue;
extern HINSTANCE gUiInstance;  // module instance for resources and dialogs
extern int gScreenDpi;         // vertical logical dpi; 96 until the dialog reads it
extern HFONT gDialogFont;      // the dialog's fonts; the widgets only select them
extern HFONT gEditFont;

constexpr COLORREF kDialogGrey = 0xE8E8E8;
constexpr COLORREF kStaticTextColor = 0x3C3732;
// The control-colour messages (WM_CTLCOLOR*) and the one answer every
// dialog and container gives them: the shared grey brush, static text in
// kStaticTextColor on a transparent background.
bool IsControlColourMessage(UINT msg);
LRESULT AnswerControlColour(UINT msg, WPARAM wp);

// The dialog's cursors: the system's arrow, I-beam, four-way
// arrow and hand, and the module's own cursor (resource 201, the crosshair
// for placing the emitter's centre). The dialog loads them before it opens
// and releases them after; outside a dialog they are null and the widgets
// fall back to the system's.
struct WidgetCursors {
    HCURSOR arrow = nullptr, ibeam = nullptr, sizeAll = nullptr, hand = nullptr, place = nullptr;
};
extern WidgetCursors gCursors;
constexpr int kPlaceCursorId = 201;
// Loads the five (the module's from `instance`); ReleaseWidgetCursors
// destroys the module's (the system's are shared) and nulls all five.
void LoadWidgetCursors(HINSTANCE instance);
void ReleaseWidgetCursors();

// Width of `text` drawn in `font` (the system font when null) on the window's
// device context.
int TextWidthIn(HWND w, HFONT font, const char* text);
// A font like `base`, as large as it can be up to base's own height, in which
// `text` takes at most `room` pixels (never lower than 6 pixels); null when
// `text` fits in `base` itself. The caller owns the font.
HFONT MakeFittingFont(HWND w, HFONT base, const char* text, int room);

// Notification codes in the high word of WM_COMMAND's wParam.
constexpr WORD kNotifyChanged = 0;
constexpr WORD kNotifyPreviewDoubleClick = 2;
constexpr WORD kNotifyPreviewMoved = 9;
constexpr WORD kNotifyRestoreField = 27;

// Window classes.
constexpr const char* kSpinEditClass = "Spin Edit CPP";
constexpr const char* kMacSliderClass = "Mac Slider CPP";
constexpr const char* kRotorClass = "Rotor CPP";
constexpr const char* kPreviewClass = "Preview Contaner CPP";
constexpr const char* kControlClass = "Control CPP";
constexpr const char* kControlButtonClass = "Control Button CPP";
constexpr const char* kColorClass = "Contaner Color CPP";
constexpr const char* kMacStyleBtnClass = "MacStyleBtn";
constexpr const char* kContainerLinkClass = "ContainerLinkC";
// The classes that no dialog creates (made by program: WidgetCreators.h).
constexpr const char* kContanerClass = "Contaner CPP";
constexpr const char* kContaner1Class = "Contaner1 CPP";
constexpr const char* kSpinEditHorClass = "Spin Edit CPP Hor";

// ---- Registration ---------------------------------------------------------
// Each registers its class (no class brush: the widgets paint their own
// background) and returns 1.
int RegisterSpinEditClass(HINSTANCE instance);
int RegisterMacSliderClass(HINSTANCE instance);
int RegisterRotorClass(HINSTANCE instance);
int RegisterPreviewContanerClass(HINSTANCE instance);
int RegisterControlClass(HINSTANCE instance);
int RegisterControlButtonClass(HINSTANCE instance);
int RegisterContanerColorClass(HINSTANCE instance);
int RegisterMacStyleBtnClass(HINSTANCE instance);
int RegisterContainerLinkClass(HINSTANCE instance);
int RegisterContanerClass(HINSTANCE instance);
int RegisterContaner1Class(HINSTANCE instance);
int RegisterSpinEditHorClass(HINSTANCE instance);
// The classes of the fire button, glass slider, animated and plain
// containers, glass control, horizontal spin edit and colour equalizer are
// registered by their own widgets (the class list in WidgetBase.cpp shows where they join).

// The TContaner classes (those of the dialogs and the later ones), registered and
// unregistered together (the push button and the link come with their
// resources: CreateMacStyleBtnFonts, CreateLinkFonts).
void RegisterWidgetClasses(HINSTANCE instance);
void UnregisterWidgetClasses(HINSTANCE instance);

// The object in the window's user data when the window is of that exact
// class (case-sensitive, whole name); else null.
void* FindControlObject(HWND window, const char* className);
template <typename T>
T* FindControl(HWND dialog, int item, const char* className) {
    return static_cast<T*>(FindControlObject(GetDlgItem(dialog, item), className));
}

// A balloon tool tip over the control's client area; nothing for a null
// control or text. The text is referenced, not copied: it must outlive the
// control. Returns the tool-tip window (owned by the control's top window).
HWND AddToolTip(HWND control, const char* text, const char* title);

// ---- Base data ------------------------------------------------------------
class TContaner {
public:
    TContaner() = default;
    virtual ~TContaner();
    TContaner(const TContaner&) = delete;
    TContaner& operator=(const TContaner&) = delete;

    // Every message but the creation and destruction of the object; the base
    // keeps the client size, paints and erases with the dialog's background.
    virtual LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    // Draws the whole control; WM_PAINT and WM_PRINTCLIENT come here.
    virtual void Paint(HDC dc);

    void* ownedBuffer = nullptr;  // released with free
    HWND wnd = nullptr;
    int id = 0;
    HBRUSH backBrush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));  // stock: never deleted
    COLORREF shadow = 0x7F7F7F, face = 0xB4BCB4, dark = 0x646464, light = 0xFFFFFF;
    int width = 0, height = 0;  // client size
    bool enabled = true;
    int hot = -1;
};

// "Control CPP": a bitmap panel.
class TControl : public TContaner {
public:
    ~TControl() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;
    // Kind 2: shows these 24-bit bottom-up pixels (copied).
    bool SetPixels(const uint8_t* bgrBottomUp, int width, int height);

    uint8_t kind = 0;        // 1 or 3: the bitmap; 2: the stored pixels
    HBITMAP bitmap = nullptr;  // shown, not owned: whoever loaded it deletes it
    BITMAPINFOHEADER header{};
    uint8_t* pixels = nullptr;  // page memory
};

// "Control Button CPP": a four-state bitmap push or toggle button.
class TControlButton : public TControl {
public:
    ~TControlButton() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;
    // Ids -1, -2, -3 take one of the three shared sets (normal, hot and
    // pressed; the disabled bitmap is kept). Other ids: each non-zero id is
    // loaded from the button window's module; 0 leaves that state's bitmap.
    void SetBitmaps(int normalId, int hotId, int pressedId, int disabledId);

    uint8_t state = 0;   // 0 normal, 1 hot, 2 pressed
    uint8_t hotLook = 0;
    bool checked = false;
    uint8_t buttonKind = 0;  // 0 push, 1 toggle
    uint32_t alternate = 0;
    HBITMAP bitmaps[4] = {};  // normal, hot, pressed, disabled
    bool ownsBitmap[4] = {};

private:
    void ReleaseBitmap(int i);
};
// The shared sets behind ids -1..-3; filled by the skin loaders (none yet),
// owned by whoever fills them.
void SetSharedButtonSet(int set, HBITMAP normal, HBITMAP hot, HBITMAP pressed);

// ---- Spin edit and bar ----------------------------------------------------
class TMacSlider : public TContaner {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;
    void SetValue(float value, bool quiet);
    void SetRange(float lower, float upper);

    uint32_t doubleClicked = 0;
    int lastX = 0, lastY = 0;
    bool framed = true;
    float value = 0.0f;
    float lower = 0.0f, upper = 100.0f;
    float innerLower = 0.0f, innerUpper = 100.0f;
    uint8_t kind = 0;  // 0 horizontal, 1 vertical, 2 drives a trackbar child
    bool limited = false;
    bool notifyWhileDragging = false;
    bool ownedBySpinEdit = false;
    bool thinLook = false;
    bool snap = false;
    float snapValue = 0.0f, snapDistance = 10.0f;
    int textItem = 0, upDownItem = 0;
    HWND trackbar = nullptr;

private:
    float ValueAt(int x, int y) const;
    void Commit();
};

class TSpinEdit : public TContaner {
public:
    ~TSpinEdit() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;

    bool rangeFollowing = true;
    char name[64] = {};
    bool horizontal = false;
    bool integer = false;
    HWND edit = nullptr, upDown = nullptr, slider = nullptr, label = nullptr;
    float value = 0.0f;
    float lower = 0.0f, upper = 100.0f;
    float outerUpper = 100.0f, outerLower = 0.0f;
    float defaultValue = 0.0f;
    TMacSlider* sliderObject = nullptr;
    bool notifyAtOnce = true;
    bool timerPending = false;

    // Takes the edit's text when it differs from the value (reported to the
    // parent with `reportLp`); a refused text is replaced by the value.
    void CommitTypedText(LPARAM reportLp);

protected:
    // Makes the edit, the up-down and the bar; -1 when one is missing.
    virtual LRESULT Create();
};

// "Spin Edit CPP Hor": the bar on the left carries a trackbar; the edit and
// the up-down sit at its right end.
class TSpinEditHor : public TSpinEdit {
public:
    TSpinEditHor() { horizontal = true; }
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    LRESULT Create() override;
};

void SetupSpinEdit(TSpinEdit** out, HWND dialog, int item, int labelItem, float lower, float upper,
                   float outerLower, float outerUpper, const char* name, const char* toolTip, bool integer,
                   bool rangeFollowing, bool notifyAtOnce, float defaultValue);
void SetSpinEditRange(TSpinEdit* s, float lower, float upper);
// The single way to change the value (range following, up-down, text, bar).
void SetControlValueText(TSpinEdit* s, float value);
// Commits text typed but not yet taken and a report still waiting for its
// timer (each reported to the parent), then gives the value. The dialog
// reads values through this so that OK never loses the last edit.
float GetSpinEditValue(TSpinEdit* s);
void FlushSpinEdit(TSpinEdit* s);
// The "Set value" dialog of the spin edit; 1 for OK, 2 for cancel.
INT_PTR OpenSpinEditValueDialog(TSpinEdit* s);

// ---- Plain containers ----------------------------------------------------
// "Contaner CPP": a panel, a framed caption (style 4), a clickable caption
// (style 5) or a hover panel (mode 6). Passes its children's commands on.
class TContanerPanel : public TContaner {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    uint8_t style = 0;  // 4 framed caption, 5 clickable caption
    uint8_t mode = 0;   // 6 hover panel
    uint8_t state = 0;  // 1 hot, 2 pressed
    std::string text;
    COLORREF frameColor = 0x646464;
    COLORREF textColor = kStaticTextColor;
    COLORREF stateColors[3] = {kStaticTextColor, 0xC00000, 0x0000A0};  // clickable: normal, hot, pressed
    HFONT font = nullptr;  // null: gDialogFont
    // The parent's background picture shown behind the panel, from (backX, backY); not owned.
    HBITMAP background = nullptr;
    int backX = 0, backY = 0;
};
// "Contaner1 CPP": a frame drawn as a cross from `inset` to the right edge.
class TContaner1 : public TContaner {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    int inset = 10;
};

// ---- Rotor dials ----------------------------------------------------------
class TRotor : public TControl {
public:
    ~TRotor() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    bool dragging = false;  // captured for a drag or for hover
    bool doubleClicked = false;
    float angle1 = 0.0f, angle2 = 90.0f;
    float turns = 0.0f;
    float angleInTurn = 0.0f, previousAngleInTurn = 0.0f, lastAngle = 0.0f;
    float valueUpper = 0.0f, valueLower = 0.0f, value = 0.0f;
    float angleLower = 0.0f, angleUpper = 360.0f;
    float outerLower = 0.0f, outerUpper = 0.0f;
    float default1 = 0.0f, default2 = 0.0f;
    char name[64] = {};
    RECT hitRect{};
    uint8_t knobSpriteW = 10, knobSpriteH = 10;
    uint8_t rotorKind = 0;  // DialKind
    bool limited = false;
    bool integer = false;
    bool lightPosition = false;
    HWND text1 = nullptr, text2 = nullptr, text3 = nullptr;
    // The turn dial's field: the font its owner gave it, and the smaller one
    // (owned) it shows a value in that would not fit the field otherwise.
    HFONT fieldBaseFont = nullptr, fieldFont = nullptr;
    bool notifyWhileDragging = false;
    int knobSize = 0;
    POINT mouse{}, previousMouse{};
    // Optional skin: face, knob sprite and its alpha (one byte a pixel).
    std::vector<uint8_t> skinPixels, knobPixels, knobAlpha;
    int skinW = 0, skinH = 0;

private:
    void AnglesFromPoint(int x, int y, bool press);
    bool OverHitRect(int x, int y) const;
};

void SetControlAngles(TRotor* r, float angle1, float angle2);
void SetRotorValue(TRotor* r, float value);
void SetRotorValueRange(TRotor* r, float lower, float upper);
void UpdateRotorEdits(TRotor* r);
void LightAnglesToPoint(const TRotor* r, float* x, float* y);
void PointToLightAngles(TRotor* r, float x, float y);
void EnableControl(TRotor* r, bool enable);
// The turn dial's centre field (id 1), `width` wide.
HWND CreateRoundEdit(TRotor* r, int width);
// The font of that field (its owner's; not owned). A value wider than the
// field is shown in the largest smaller font of the same face that fits.
void SetRoundEditFont(TRotor* r, HFONT font);
INT_PTR OpenRotorValueDialog(TRotor* r);

// The direction dial's texture (bitmap 108, 72 x 72, 24 bits): loaded once by
// the dialog; false (and no texture) when the resource is missing or of
// another size. FreeBackgroundBitmap releases it.
bool LoadBackgroundBitmap(int resourceId = 108);
void FreeBackgroundBitmap();
const uint8_t* BackgroundTexture();

// ---- Preview container ----------------------------------------------------
struct TPreviewMarker {
    uint8_t style = 0;  // 0 full cross; 1, 2, 3 corner crosses
    bool visible = false;
    bool grabbed = false;
    float x = 0.0f, y = 0.0f;              // percent of the image, y upwards
    float screenX = 0.0f, screenY = 0.0f;  // client pixels, set at each paint
};

class TSpinEdit;
class TPreviewContaner;

// The container's calls into the dialog. Every entry may be null (nothing
// happens); the dialog fills them when it opens.
struct PreviewDialogCalls {
    // The document's size in preview pixels (filter rectangle / preview
    // scale); false when there is none yet.
    bool (*documentSize)(float* width, float* height) = nullptr;
    // A marker was placed (index 0 is the emitter centre) at x%, y%.
    void (*centreMoved)(int marker, float x, float y) = nullptr;
    // Moves the position dial to the centre.
    void (*setCentreRotor)(float x, float y) = nullptr;
    // Stores the centre into the parameter record.
    void (*storeCentre)(float x, float y) = nullptr;
    // Renders the preview again and rebuilds its bitmap.
    void (*rerenderPreview)() = nullptr;
    // Linked controls that are sliders set their value through this.
    void (*setLinkedSlider)(void* control, float value) = nullptr;
};
void SetPreviewDialogCalls(const PreviewDialogCalls& calls);
const PreviewDialogCalls& GetPreviewDialogCalls();

class TPreviewContaner : public TContaner {
public:
    ~TPreviewContaner() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    bool doubleClicked = false;
    std::vector<TPreviewMarker> markers;
    uint8_t centreMode = 0;
    void* linkedX = nullptr;  // TSpinEdit*, or sliders when linkedAreSliders
    void* linkedY = nullptr;
    POINT press{}, dragOffset{}, mousePoint{};
    int viewX = 0, viewY = 0;
    int offsetX = 0, offsetY = 0;
    int frameW = 0, frameH = 0;
    int frameX = 0, frameY = 0;
    int bitmapW = 0, bitmapH = 0;
    float navigatorScale = 1.0f;
    float previewScale = 1.0f;  // the dialog's preview scale, for the navigator frame
    bool linkedAreSliders = false;
    HBITMAP bitmap = nullptr;
    BITMAPINFOHEADER header{};
    uint8_t mode = 1;  // 0 navigator, 1 main preview, 2 main preview at a size of its own
    int drawW = 0, drawH = 0;  // mode 2
    bool quietDrag = false;
    uint8_t* pixels = nullptr;  // page memory, 24-bit bottom-up rows
    float pendingX = 0.0f, pendingY = 0.0f;
    TPreviewContaner* mainPreview = nullptr;  // the navigator's big preview
    // The image the view is cut from (24-bit bottom-up rows padded to 4
    // bytes) and its zoom; see ShowPreviewImage.
    std::vector<uint8_t> source;
    int sourceW = 0, sourceH = 0;
    float zoom = 1.0f;

    bool Frame(PreviewFrame* f) const;

private:
    void PaintNavigator(HDC dc);
    void PaintPreview(HDC dc);
    void SetLinked(float x, float y);
    bool MarkerFromPoint(int index, int x, int y);
    bool rightPressed_ = false;
};

// Builds the bitmap from the host's output buffer; nothing when it has no data.
void BuildPreviewBitmap(TPreviewContaner* p, const PreviewSource& source);
// Makes the bitmap again from the stored pixels, recentred.
void UpdatePreviewBitmap(TPreviewContaner* p);
// Copies 24-bit bottom-up pixels (rows padded to 4 bytes) in as the
// container's image (the navigator's).
bool SetPreviewPixels(TPreviewContaner* p, const uint8_t* bgrBottomUp, int width, int height);
// Keeps a copy of a caller's 24-bit image (bottom-up rows padded to 4 bytes)
// and shows its view at `zoom` (RebuildPreviewView); false when it is empty.
bool ShowPreviewImage(TPreviewContaner* p, const uint8_t* bgrBottomUp, int width, int height, float zoom);
// Cuts the container's bitmap again from the kept image at the container's
// zoom, centred, the view origin (viewX, viewY) clamped to the image.
void RebuildPreviewView(TPreviewContaner* p);
void PreviewContanerStub(TPreviewContaner* p);
bool IsNearPoint(const TPreviewMarker& m, float x, float y);

// ---- Colour swatch --------------------------------------------------------
class TContanerColor : public TContaner {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    bool hover = false;
    HWND label = nullptr;
    COLORREF color = 0;
    COLORREF customColors[16] = {};
};

// The host's colour picker, when the host offers one: chooses an RGB colour
// starting from *rgb; returns the host's result (0 chosen, -128 cancelled,
// anything else failed).
using HostColorPicker = int (*)(COLORREF* rgb);
void SetHostColorPicker(HostColorPicker picker);  // null: the host offers none
// The system colour dialog; replaceable for tests. True and *color when chosen.
using SystemColorDialog = bool (*)(HWND owner, COLORREF* color, COLORREF custom[16], bool hooked);
void SetSystemColorDialog(SystemColorDialog dialog);  // null restores ChooseColorA
// The host's picker, or the system dialog when the host fails (not when the
// user cancelled). `owner` owns the system dialog.
bool PickColor(HWND owner, COLORREF* color);

// ---- Skinned push button and link -----------------------------------------
struct MacStyleBtn {
    char* caption = nullptr;
    HWND wnd = nullptr;
    int id = 0;
    int drawX = 0, drawY = 0;
    int width = 0, height = 0;
    uint8_t state = 0;  // 0 normal, 1 hot, 2 pressed, 3 default
    bool isDefault = false;
    bool enabled = true;
};
// Font and the twelve bitmaps, and the class. Nested dialogs may call the
// pair again: the resources live until the outermost destroy.
void CreateMacStyleBtnFonts();
void DestroyMacStyleBtnResources();
void SetupMacStyleBtn(HWND dialog, int item, const char* caption, bool isDefault);
// The skin bitmap of a state (0 normal, 1 hot, 2 default, 3 pressed) and
// part (0 left, 1 middle, 2 right); null outside Create/Destroy.
HBITMAP MacStyleBtnBitmap(int state, int part);

struct ContainerLink {
    char* text = nullptr;
    HWND wnd = nullptr;
    int id = 0;
    int width = 0, height = 0;
    uint8_t kind = 0;  // 5: text
    bool link = false;
    bool leftAligned = false;
    bool hasBackground = false;
    int sourceX = 0, sourceY = 0;
    HBITMAP background = nullptr;  // not owned
    HFONT font = nullptr;          // not owned; null: the shared fonts
    COLORREF textColor = 0;
    bool useOwnColor = false;
};
void CreateLinkFonts();
void DestroyLinkResources();
void SetupContainerLink(HWND dialog, int item, const char* text, bool link, bool leftAligned);
void SetContainerLinkFont(HWND dialog, int item, HFONT font, COLORREF color);
void SetContainerLinkBackground(HWND dialog, int item, HBITMAP background, int sourceX, int sourceY);

}  // namespace frostel::widgets

// The Geometry and Material pages: widgets loaded from the parameter record
// and every change written back at once, with the preview rendered again.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "DialogLogic.h"
#include "DialogWin.h"
#include "ImageTransfer.h"
#include "Plugin.h"
#include "DialMath.h"
#include "WidgetMath.h"

struct __Triangle3ds;
struct __Point3ds;

namespace frostel {

using namespace widgets;
using dialog::kGeometrySpins;
using dialog::kMaterialSpins;
using dialog::SpinSpec;

namespace {

constexpr int kGeometry = 0, kMaterial = 1;

// The widgets of both pages; null until their page exists.
struct PageWidgets {
    TSpinEdit* geometry[17] = {};
    TSpinEdit* material[9] = {};
    TRotor* position = nullptr;
    TRotor* rotation = nullptr;
    TRotor* light = nullptr;
    TContanerColor* background = nullptr;
    TContanerColor* diffuse = nullptr;
    TContanerColor* specular = nullptr;
    TContanerColor* lightColor = nullptr;
    HWND pages[2] = {};
};
PageWidgets gW;

// Smaller fonts made for captions that would not fit their control in the
// page fonts, per page; deleted after the page's controls.
std::vector<HFONT> gFittedFonts[2];
HWND gFittedPage[2] = {};

int PageIndex(HWND page) { return page == gW.pages[kMaterial] ? kMaterial : kGeometry; }

const char* const kEffectNames[] = {"Geometric 1", "Geometric 2", "Geometric 3", "Floral 1", "Floral 2",
                                    "Floral 3",    "Single 1",    "Single 2",    "Single 3", "Single 4"};
const char* const kMaskNames[] = {"Bottom", "Top", "Top and bottom", "Perimeter", "U-like", "Window"};
const char* const kDirectionNames[] = {"Direction 1", "Direction 2", "Direction 3", "Direction 4",
                                       "Direction 5", "Direction 6", "Direction 7", "All directions"};
const char* const kRenderNames[] = {"Rough", "Line", "Wire", "Flat", "Phong"};

template <size_t N>
void FillCombo(HWND page, int id, const char* const (&names)[N], const char* tip) {
    HWND c = GetDlgItem(page, id);
    if (!c) return;
    SendMessageA(c, CB_RESETCONTENT, 0, 0);
    for (const char* n : names) SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n));
    if (gPageFont) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(gPageFont), FALSE);
    AddToolTip(c, tip, nullptr);
}

int ComboSelection(HWND page, int id) { return int(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0)); }
void SelectCombo(HWND page, int id, int i) { SendDlgItemMessageA(page, id, CB_SETCURSEL, WPARAM(i), 0); }
bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Enable(HWND page, int id, bool on) {
    if (HWND w = GetDlgItem(page, id)) EnableWindow(w, on);
}
void SetFont(HWND page, int id, HFONT f) {
    if (f) SendDlgItemMessageA(page, id, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
}

TContanerColor* SetupSwatch(HWND page, int id, int caption, const char* tip) {
    auto* s = FindControl<TContanerColor>(page, id, kColorClass);
    if (!s) return nullptr;
    s->label = GetDlgItem(page, caption);
    SetFont(page, caption, gPageFont);
    AddToolTip(s->wnd, tip, nullptr);
    AddToolTip(s->label, tip, nullptr);
    return s;
}

void SetSwatch(TContanerColor* s, uint32_t colour) {
    if (!s) return;
    s->color = COLORREF(colour & 0xFFFFFF);
    if (s->wnd) InvalidateRect(s->wnd, nullptr, FALSE);
}

void SetupSpins(HWND page, const SpinSpec* specs, TSpinEdit** slots, int count) {
    for (int i = 0; i < count; ++i) {
        const SpinSpec& s = specs[i];
        SetupSpinEdit(&slots[i], page, s.edit, s.label, s.lower, s.upper, s.outerLower, s.outerUpper, s.name,
                      s.toolTip, s.integer, s.wide, true, s.reset);
    }
}

void LoadSpins(const SpinSpec* specs, TSpinEdit** slots, int count) {
    for (int i = 0; i < count; ++i)
        if (slots[i]) SetControlValueText(slots[i], dialog::SpinParameter(*gParams, specs[i]));
}

void CopySpins(const SpinSpec* specs, TSpinEdit** slots, int count) {
    for (int i = 0; i < count; ++i)
        if (slots[i]) dialog::StoreSpinParameter(*gParams, specs[i], slots[i]->value);
}

void SetPositionRotor(float x, float y) {
    if (gW.position) PointToLightAngles(gW.position, x, -y);
}

void SetCentreFields() {
    if (!gW.pages[kGeometry] || !gParams) return;
    SetDlgItemTextA(gW.pages[kGeometry], IDC_CENTRE_X, dialog::CentreText(gParams->CtnX).c_str());
    SetDlgItemTextA(gW.pages[kGeometry], IDC_CENTRE_Y, dialog::CentreText(gParams->CtnY).c_str());
}

void EndGeometryChange() {
    gParams->geometryDirty = 1;
    RerenderPreview();
}

// ---- Enabling ----------------------------------------------------------------------
void UpdateKindControls(HWND page) {
    const int index = dialog::FlatEffectIndex(gParams->EfKn, gParams->PtrK);
    const dialog::KindEnabling e = dialog::KindControls(index, gParams->EmTp);
    Enable(page, IDC_MASK_KIND, e.column[dialog::kColMaskKind]);
    Enable(page, IDC_GROW_DIRECT, e.column[dialog::kColGrowDirect]);
    for (int i = 0; i < 17; ++i) {
        if (!gW.geometry[i] || !gW.geometry[i]->wnd) continue;
        const int c = kGeometrySpins[i].column;
        EnableWindow(gW.geometry[i]->wnd, c < 0 || e.column[size_t(c)]);
    }
    EnableControl(gW.rotation, e.rotationDial);
}

void UpdateEmitterControls(HWND page) {
    const int index = dialog::FlatEffectIndex(gParams->EfKn, gParams->PtrK);
    const dialog::EmitterEnabling em = dialog::EmitterControls(index, DocumentHasPath());
    Enable(page, IDC_RADIO_PATH, em.path);
    Enable(page, IDC_RADIO_SELECTION, em.selection);
    Enable(page, IDC_RADIO_PATTERN, em.pattern);
    const pi::FilterRecord* fr = gFilterRecord;
    const bool cmyk = fr && fr->imageMode == pi::plugInModeCMYKColor;
    if (gW.background && gW.background->wnd)
        EnableWindow(gW.background->wnd, dialog::BackgroundSwatchEnabled(gParams->AlpC != 0, fr ? fr->planes : 3, cmyk));
    const bool single = gParams->EfKn == 3;
    if (gPreview && !gPreview->markers.empty()) {
        gPreview->markers[0].visible = single;
        if (gPreview->wnd) InvalidateRect(gPreview->wnd, nullptr, FALSE);
    }
    EnableControl(gW.position, single);
    Enable(page, IDC_POSITION_GROUP, single);
    Enable(page, IDC_CENTRE_X, single);
    Enable(page, IDC_CENTRE_Y, single);
    UpdateKindControls(page);
}

void EnableGlassControls(HWND page) {
    const bool glass = gParams->UsGl != 0;
    for (int i : {5, 6, 7})  // Refraction, Optical Coefficient, Aberration
        if (gW.material[i] && gW.material[i]->wnd) EnableWindow(gW.material[i]->wnd, glass);
    (void)page;
}

void SetRadios(HWND page) {
    CheckRadioButton(page, IDC_RADIO_PATTERN, IDC_RADIO_PATH,
                     gParams->EmTp == 0 ? IDC_RADIO_PATH : gParams->EmTp == 1 ? IDC_RADIO_SELECTION : IDC_RADIO_PATTERN);
}

// ---- Creation and loading ----------------------------------------------------------
// Every caption of the page shows whole: a label, check box or radio button
// whose text is wider than its room (for a check box or radio, the room
// beside its glyph) gets the largest smaller font of the same face in which
// it fits. The room is measured with the fonts the system really has.
void FitCaptions(HWND page, std::vector<HFONT>& made) {
    const int dpi = gScreenDpi > 0 ? gScreenDpi : 96;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {}, text[128] = {};
        GetClassNameA(c, cls, sizeof cls);
        GetWindowTextA(c, text, sizeof text);
        if (!text[0]) continue;
        RECT r{};
        GetClientRect(c, &r);
        int room = r.right - r.left;
        if (lstrcmpiA(cls, "Button") == 0) {
            const LONG type = GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK;
            if (type == BS_GROUPBOX) room -= 16;
            else if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX ||
                     type == BS_CHECKBOX)
                room -= 12 * dpi / 96 + 1 + 6;  // the glyph and the gap before the text
            else continue;
        } else if (lstrcmpiA(cls, "Static") != 0) {
            continue;
        }
        auto font = reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0));
        if (HFONT fit = MakeFittingFont(c, font, text, room)) {
            SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(fit), FALSE);
            made.push_back(fit);
        }
    }
}

void CreateGeometryPage(HWND page) {
    for (int id : {IDC_LABEL_EMITTER, IDC_CUT_ALPHA, IDC_LABEL_EFFECT, IDC_LABEL_PATTERN, IDC_LABEL_RENDER,
                   IDC_BACK_CAPTION, IDC_RADIO_PATH, IDC_RADIO_SELECTION, IDC_RADIO_PATTERN})
        SetFont(page, id, gPageFont);
    FillCombo(page, IDC_EFFECT_KIND, kEffectNames, "The Frostel effect kind");
    FillCombo(page, IDC_MASK_KIND, kMaskNames, "Choose a fixed pattern for Frostel growth");
    FillCombo(page, IDC_GROW_DIRECT, kDirectionNames, "You can set how to patterns will grou up relatively the path");
    FillCombo(page, IDC_RENDER_MODE, kRenderNames, "The mode of visualisation");
    AddToolTip(GetDlgItem(page, IDC_RADIO_PATH), "Build Frostel by vector path(s)", nullptr);
    AddToolTip(GetDlgItem(page, IDC_RADIO_SELECTION),
               "Build Frostel by selected mask contours or by any contours on source image if no one selection is "
               "presented",
               nullptr);
    AddToolTip(GetDlgItem(page, IDC_RADIO_PATTERN), "Build Frostel by fixed pattern to defined direction", nullptr);
    AddToolTip(GetDlgItem(page, IDC_CUT_ALPHA), "Cutting scene by alpha-channel", nullptr);
    SetupSpins(page, kGeometrySpins, gW.geometry, 17);

    gW.position = FindControl<TRotor>(page, IDC_POSITION_ROTOR, kRotorClass);
    if (gW.position) {
        gW.position->rotorKind = kDirectionDial;
        gW.position->lightPosition = true;
        gW.position->angle1 = gW.position->angle2 = 0.0f;
        lstrcpynA(gW.position->name, "Position of effect", sizeof gW.position->name);
        AddToolTip(gW.position->wnd,
                   "The center of ice figure. You can adjust this parameter directly in preview by moving a "
                   "crosshair mark with mouse",
                   nullptr);
    }
    SetFont(page, IDC_CENTRE_X, gPageLabelFont);
    SetFont(page, IDC_CENTRE_Y, gPageLabelFont);
    AddToolTip(GetDlgItem(page, IDC_CENTRE_X), "Enter X coordinate of center", nullptr);
    AddToolTip(GetDlgItem(page, IDC_CENTRE_Y), "Enter Y coordinate of center", nullptr);

    gW.rotation = FindControl<TRotor>(page, IDC_ROTATION_ROTOR, kRotorClass);
    if (gW.rotation) {
        const dialog::Size side = dialog::RotationDialForDpi(gScreenDpi);
        SetWindowPos(gW.rotation->wnd, nullptr, 0, 0, side.width, side.width, SWP_NOMOVE | SWP_NOZORDER);
        gW.rotation->width = gW.rotation->height = side.width;
        gW.rotation->rotorKind = kTurnDial;
        gW.rotation->knobSize = side.height;
        lstrcpynA(gW.rotation->name, "Rotation", sizeof gW.rotation->name);
        if (CreateRoundEdit(gW.rotation, dialog::RotationFieldWidth(side.width))) SetRoundEditFont(gW.rotation, gPageFont);
    }
    gW.background = SetupSwatch(page, IDC_BACK_SWATCH, IDC_BACK_CAPTION, "Fill background color");
    if (gPreview) {
        gPreview->markers.assign(1, TPreviewMarker{});
        gPreview->markers[0].style = 0;
        AddToolTip(gPreview->wnd,
                   "Use left mouse button to shift preview area. And right mouse button to setup a center of emitter",
                   nullptr);
    }
}

void CreateMaterialPage(HWND page) {
    SetFont(page, IDC_USE_GLASS, gPageFont);
    SetupSpins(page, kMaterialSpins, gW.material, 9);
    gW.diffuse = SetupSwatch(page, IDC_DIFFUSE_SWATCH, IDC_DIFFUSE_CAPTION, "Diffuse color of material");
    gW.specular = SetupSwatch(page, IDC_SPECULAR_SWATCH, IDC_SPECULAR_CAPTION, "Specular color of material");
    gW.lightColor = SetupSwatch(page, IDC_LIGHT_SWATCH, IDC_LIGHT_CAPTION, "Color of light");
    AddToolTip(GetDlgItem(page, IDC_USE_GLASS), "Make material as glass", nullptr);
    gW.light = FindControl<TRotor>(page, IDC_LIGHT_ROTOR, kRotorClass);
    if (gW.light) {
        gW.light->rotorKind = kDirectionDial;
        lstrcpynA(gW.light->name, "Light direction", sizeof gW.light->name);
        AddToolTip(gW.light->wnd, "Direction on a light source", nullptr);
    }
}

void LoadGeometryValues(HWND page) {
    const FilterParameters& p = *gParams;
    SelectCombo(page, IDC_RENDER_MODE, p.RndM - 1);
    SelectCombo(page, IDC_EFFECT_KIND, dialog::FlatEffectIndex(p.EfKn, p.PtrK));
    SelectCombo(page, IDC_MASK_KIND, p.MskK - 1);
    SelectCombo(page, IDC_GROW_DIRECT, p.GrwD - 1);
    SetPositionRotor(p.CtnX, p.CtnY);
    SetCentreFields();
    SetRadios(page);
    CheckDlgButton(page, IDC_CUT_ALPHA, p.AlpC ? BST_CHECKED : BST_UNCHECKED);
    if (gW.rotation) SetControlAngles(gW.rotation, p.RttX, 0.0f);
    LoadSpins(kGeometrySpins, gW.geometry, 17);
    SetSwatch(gW.background, p.BkCl);
    SyncCentreToPreview();
    UpdateEmitterControls(page);
}

void LoadMaterialValues(HWND page) {
    const FilterParameters& p = *gParams;
    SetSwatch(gW.diffuse, p.Diff);
    SetSwatch(gW.specular, p.Spec);
    SetSwatch(gW.lightColor, p.LgCl);
    LoadSpins(kMaterialSpins, gW.material, 9);
    if (gW.light) SetControlAngles(gW.light, p.LgAl, p.LgBt);
    CheckDlgButton(page, IDC_USE_GLASS, p.UsGl ? BST_CHECKED : BST_UNCHECKED);
    EnableGlassControls(page);
}

void LoadPage(HWND page) {
    if (!gParams) return;
    if (PageIndex(page) == kGeometry) LoadGeometryValues(page);
    else LoadMaterialValues(page);
}

void InitPage(HWND page, int index) {
    if (TabState* t = GetTabState()) {
        t->itemRects[0] = t->itemRects[1] = RECT{};
        t->hover = -1;
        SetWindowPos(page, nullptr, t->display.left, t->display.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    gW.pages[index] = page;
    if (index == kGeometry) CreateGeometryPage(page);
    else CreateMaterialPage(page);
    gFittedPage[index] = page;
    FitCaptions(page, gFittedFonts[index]);
    LoadPage(page);
}

// ---- Outcomes -----------------------------------------------------------------------
void GeometrySpinsChanged() {
    CopySpins(kGeometrySpins, gW.geometry, 17);
    if (gW.rotation) gParams->RttX = gW.rotation->angle1;
    EndGeometryChange();
}

// Only widgets that exist: the Material page may not have been opened yet.
void MaterialChanged() {
    FilterParameters& p = *gParams;
    if (gW.background) p.BkCl = gW.background->color;
    if (gW.diffuse) p.Diff = gW.diffuse->color;
    if (gW.specular) p.Spec = gW.specular->color;
    if (gW.lightColor) p.LgCl = gW.lightColor->color;
    CopySpins(kMaterialSpins, gW.material, 9);
    if (gW.light) {
        p.LgAl = gW.light->angle1;
        p.LgBt = gW.light->angle2;
    }
    RerenderPreview();
}

// Escape in a centre field: the stored value again; a field that already
// shows it cancels the dialog.
void RestoreEditValue(HWND page, int id, float stored) {
    const std::string text = dialog::CentreText(stored);
    char now[32] = {};
    GetDlgItemTextA(page, id, now, sizeof now);
    if (text == now) {
        if (gMainDialog) EndDialog(gMainDialog, 2);
        return;
    }
    SetDlgItemTextA(page, id, text.c_str());
}

void CentreFieldCommand(HWND page, int id, int code) {
    float& stored = id == IDC_CENTRE_X ? gParams->CtnX : gParams->CtnY;
    if (code == kNotifyRestoreField) {
        RestoreEditValue(page, id, stored);
        return;
    }
    if (code != EN_KILLFOCUS && code != 13 && code != 1281) return;
    char text[17] = {};
    GetDlgItemTextA(page, id, text, sizeof text);
    float v;
    if (!dialog::TypedCentre(text, stored, &v)) {
        if (code == EN_KILLFOCUS) SetCentreFields();  // refused or clamped onto the value: show it
        return;
    }
    stored = v;
    SetCentreFields();
    SetPositionRotor(gParams->CtnX, gParams->CtnY);
    SyncCentreToPreview();
    EndGeometryChange();
}

INT_PTR PageCommand(HWND page, int id, int code) {
    if (!gParams) return TRUE;
    if (id == IDC_RERENDER) {
        SendMessageA(gMainDialog, WM_COMMAND, IDC_RERENDER, 0);
        return TRUE;
    }
    if (PageIndex(page) == kMaterial) {
        switch (id) {
            case IDC_USE_GLASS:
                gParams->UsGl = Checked(page, id) ? 1 : 0;
                EnableGlassControls(page);
                MaterialChanged();
                return TRUE;
            case IDC_DIFFUSE_SWATCH: case IDC_SPECULAR_SWATCH: case IDC_LIGHT_SWATCH: case IDC_LIGHT_ROTOR:
            case 1246: case 1248: case 1250: case 1252: case 1254: case 1256: case 1258: case 1260: case 1263:
                MaterialChanged();
                return TRUE;
            default:
                return TRUE;
        }
    }
    switch (id) {
        case 1003: case 1018: case 2959: case 2960: case 2961: case 2962: case 2963: case 2964: case 2965:
        case 2966: case 2967: case 2968: case 2969: case 2970: case 2971: case 2973: case 2974:
        case IDC_ROTATION_ROTOR:
            GeometrySpinsChanged();
            return TRUE;
        case IDC_RADIO_PATH: case IDC_RADIO_SELECTION: case IDC_RADIO_PATTERN:
            gParams->EmTp = id == IDC_RADIO_PATH ? 0 : id == IDC_RADIO_SELECTION ? 1 : 2;
            SetRadios(page);
            UpdateEmitterControls(page);
            EndGeometryChange();
            return TRUE;
        case IDC_CUT_ALPHA:
            gParams->AlpC = Checked(page, id) ? 1 : 0;
            UpdateEmitterControls(page);
            RerenderPreview();
            return TRUE;
        case IDC_MASK_KIND: case IDC_GROW_DIRECT: {
            if (code != CBN_SELENDOK) return TRUE;
            const int sel = ComboSelection(page, id);
            if (sel < 0) return TRUE;
            (id == IDC_MASK_KIND ? gParams->MskK : gParams->GrwD) = uint8_t(sel + 1);
            EndGeometryChange();
            return TRUE;
        }
        case IDC_RENDER_MODE:
            if (code == CBN_SELENDOK && ComboSelection(page, id) >= 0) {
                gParams->RndM = uint8_t(ComboSelection(page, id) + 1);
                RerenderPreview();
            }
            return TRUE;
        case IDC_EFFECT_KIND:
            if (code == CBN_SELENDOK && ComboSelection(page, id) >= 0) {
                dialog::EffectFromIndex(ComboSelection(page, id), &gParams->EfKn, &gParams->PtrK);
                UpdateEmitterControls(page);
                EndGeometryChange();
            }
            return TRUE;
        case IDC_CENTRE_X: case IDC_CENTRE_Y:
            CentreFieldCommand(page, id, code);
            return TRUE;
        case IDC_POSITION_ROTOR:
            if (gW.position) {
                float x, y;
                LightAnglesToPoint(gW.position, &x, &y);
                gParams->CtnX = x;
                gParams->CtnY = y;
                SetCentreFields();
                SyncCentreToPreview();
                EndGeometryChange();
            }
            return TRUE;
        case IDC_BACK_SWATCH:
            MaterialChanged();
            return TRUE;
        default:
            return TRUE;
    }
}

void FreeCachedGeometry() {
    if (!gParams) return;
    for (void* p : {static_cast<void*>(gParams->cachedTriangles), static_cast<void*>(gParams->cachedPoints)})
        if (p) VirtualFree(p, 0, MEM_RELEASE);
    gParams->cachedTriangles = nullptr;
    gParams->cachedPoints = nullptr;
    gParams->geometryDirty = 1;
}

INT_PTR PageMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            if (gParams) gParams->geometryDirty = 1;
            InitPage(page, int(lp) == kMaterial ? kMaterial : kGeometry);
            return TRUE;
        case WM_DESTROY:
            FreeCachedGeometry();
            if (PageIndex(page) == kGeometry) {
                std::fill(std::begin(gW.geometry), std::end(gW.geometry), nullptr);
                gW.position = gW.rotation = nullptr;
                gW.background = nullptr;
                gW.pages[kGeometry] = nullptr;
            } else {
                std::fill(std::begin(gW.material), std::end(gW.material), nullptr);
                gW.light = nullptr;
                gW.diffuse = gW.specular = gW.lightColor = nullptr;
                gW.pages[kMaterial] = nullptr;
            }
            return TRUE;
        case WM_NCDESTROY: {
            // The page's controls are gone: their fitted fonts may go too.
            std::vector<HFONT>& made = gFittedFonts[page == gFittedPage[kMaterial] ? kMaterial : kGeometry];
            for (HFONT f : made) DeleteObject(f);
            made.clear();
            return FALSE;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return DialogControlColour(msg, wp);
        case WM_COMMAND:
            return PageCommand(page, LOWORD(wp), HIWORD(wp));
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return PageMessage(page, msg, wp, lp);
    } catch (...) {
        return FALSE;
    }
}

void RefreshPageValues(HWND) {
    TabState* t = GetTabState();
    if (!t || !t->current) return;
    LoadPage(t->current);
    InvalidateRect(t->current, nullptr, TRUE);
}

void SyncCentreToPreview() {
    if (!gPreview || gPreview->markers.empty() || !gParams) return;
    gPreview->markers[0].x = gParams->CtnX;
    gPreview->markers[0].y = gParams->CtnY;
    // Shown for the single figures only, whichever page is up: a preset
    // applied on the Material page may change the kind.
    gPreview->markers[0].visible = gParams->EfKn == 3;
    if (gPreview->wnd) InvalidateRect(gPreview->wnd, nullptr, FALSE);
}

void OnCentreMoved(int code, float x, float y) {
    if (code != 0 || !gParams) return;
    gParams->CtnX = x;
    gParams->CtnY = y;
    SetCentreFields();
    SetCentreRotor(x, y);
}

void SetCentreRotor(float x, float y) {
    if (!gDialogOpen || !gParams) return;
    SetPositionRotor(x, y);
    gParams->geometryDirty = 1;
}

}  // namespace frostel

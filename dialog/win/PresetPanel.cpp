#include "PresetPanel.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogWin.h"
#include "Effect.h"
#include "Plugin.h"
#include "PresetFiles.h"
#include "PresetFormat.h"
#include "PresetIds.h"
#include "Scene.h"

namespace frostel {

namespace {

struct PanelState {
    HWND panel = nullptr;
    HWND main = nullptr;
    HWND tips = nullptr;
    HBITMAP folder = nullptr, folderUp = nullptr;
    std::string subFolder[2];  // per list, relative to its tree
};
PanelState gPanel;
std::string gPresetRoot;

HINSTANCE OwnInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnInstance), &module);
    return module;
}

int ListId(PresetList list) { return list == PresetList::Factory ? IDC_FACTORY_LIST : IDC_USER_LIST; }
int PathId(PresetList list) { return list == PresetList::Factory ? IDC_FACTORY_PATH : IDC_USER_PATH; }
std::string& SubFolder(PresetList list) { return gPanel.subFolder[int(list)]; }

std::string ItemText(HWND list, int index) {
    const LRESULT n = SendMessageA(list, LB_GETTEXTLEN, WPARAM(index), 0);
    if (n == LB_ERR || n < 0) return {};
    std::string text(size_t(n) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(size_t(n));
    return text;
}

int Selection(HWND list) { return int(SendMessageA(list, LB_GETCURSEL, 0, 0)); }

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> out;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    if (pattern.size() > kMaxPath) return out;
    WIN32_FIND_DATAA d;
    FindHandle find(FindFirstFileA(pattern.c_str(), &d));
    if (find.get() == INVALID_HANDLE_VALUE) return out;
    do {
        out.push_back({d.cFileName, (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (d.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0,
                       (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileA(find.get(), &d));
    return out;
}

void Alert(const char* text, const char* caption) {
    MessageBoxA(gPanel.main ? gPanel.main : gPanel.panel, text, caption, MB_ICONHAND);
}

// The main dialog redraws and reloads its pages.
void TellMainDialog() {
    if (gParams) gParams->geometryDirty = 1;
    if (!gPanel.main) return;
    SyncCentreToPreview();
    RefreshPageValues(gPanel.main);
    SendMessageA(gPanel.main, WM_COMMAND, MAKEWPARAM(IDC_PRESET_APPLIED, 0), 0);
}

void ApplyDefaults() {
    if (gParams == nullptr) return;
    // The cached bump texture is ours: free it before the record forgets it.
    FreeSceneCache();
    ApplyParameterDefaults(*gParams);
    ResolveEmitterType(*gParams);
    TellMainDialog();
}

int PanelItemHeight() {
    int line = 13;
    if (gPanelFont) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, gPanelFont);
        TEXTMETRICA tm{};
        if (GetTextMetricsA(dc, &tm)) line = tm.tmHeight;
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    return std::max(16, line + 3);
}

void AddTip(HWND panel, int id, const char* text) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = panel;
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(panel, id));
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(gPanel.tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

// Both lists and their folder strips in the panel font; items as tall as its
// line (and the 14-pixel folder glyph) need.
void ApplyPanelFont(HWND panel) {
    if (!gPanelFont) return;
    for (const int id : {IDC_FACTORY_LIST, IDC_USER_LIST, IDC_FACTORY_PATH, IDC_USER_PATH})
        SendDlgItemMessageA(panel, id, WM_SETFONT, reinterpret_cast<WPARAM>(gPanelFont), FALSE);
    const int h = PanelItemHeight();
    for (const int id : {IDC_FACTORY_LIST, IDC_USER_LIST}) SendDlgItemMessageA(panel, id, LB_SETITEMHEIGHT, 0, h);
}

void InitPresetPanelTips(HWND panel) {
    gPanel.tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, panel, nullptr, OwnInstance(), nullptr);
    if (gPanel.tips) {
        AddTip(panel, IDC_FACTORY_LIST, "Click to apply factory created settings");
        AddTip(panel, IDC_USER_LIST, "Click to apply previously saved settings");
        AddTip(panel, IDC_SAVE_PRESET, "Save current settings");
        AddTip(panel, IDC_DELETE_PRESET, "Delete a selected preset");
    }
    FillPresetList(panel, PresetList::Factory);
    FillPresetList(panel, PresetList::User);
}

void DrawItem(const DRAWITEMSTRUCT& d) {
    if (d.itemID == UINT(-1)) return;
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    const bool selected = (d.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (d.itemState & ODS_FOCUS) {
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ oldFont = gPanelFont ? SelectObject(dc, gPanelFont) : nullptr;
    const std::string text = ItemText(d.hwndItem, int(d.itemID));
    int x = r.left + 3;
    if (IsFolderEntry(text)) {
        HBITMAP glyph = FolderOfEntry(text) == ".." ? gPanel.folderUp : gPanel.folder;
        if (glyph) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, glyph);
            BitBlt(dc, r.left + 2, r.top + (r.bottom - r.top - 14) / 2, 16, 14, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        x = r.left + 23;
    }
    const std::string shown = FolderOfEntry(text);
    RECT t{x, r.top, r.right, r.bottom};
    DrawTextA(dc, shown.c_str(), int(shown.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (oldFont) SelectObject(dc, oldFont);
}

void OnSelect(HWND panel, PresetList list) {
    HWND box = GetDlgItem(panel, ListId(list));
    const int index = Selection(box);
    if (index == LB_ERR) return;
    const std::string entry = ItemText(box, index);
    if (list == PresetList::Factory && index == 0 && entry == kDefaultEntry) {
        ApplyDefaults();
        return;
    }
    if (list == PresetList::User) UpdatePresetButtons(panel);
    if (IsFolderEntry(entry)) return;
    if (gPanel.main) EnableWindow(gPanel.main, FALSE);
    const bool loaded = LoadPreset(panel, entry, list);
    if (gPanel.main) EnableWindow(gPanel.main, TRUE);
    if (loaded) TellMainDialog();
}

void OnDoubleClick(HWND panel, PresetList list) {
    HWND box = GetDlgItem(panel, ListId(list));
    const int index = Selection(box);
    if (index == LB_ERR) return;
    const std::string entry = ItemText(box, index);
    if (!IsFolderEntry(entry)) return;
    if (!EnterSubFolder(SubFolder(list), FolderOfEntry(entry))) {
        Alert("The folder path is too long.", "Preset Folder");
        return;
    }
    FillPresetList(panel, list);
    if (list == PresetList::User) UpdatePresetButtons(panel);
}

void OnDelete(HWND panel) {
    HWND box = GetDlgItem(panel, IDC_USER_LIST);
    const int index = Selection(box);
    if (index == LB_ERR || !IsWindowEnabled(GetDlgItem(panel, IDC_DELETE_PRESET))) return;
    const std::string entry = ItemText(box, index);
    if (IsFolderEntry(entry)) return;
    if (!DeletePreset(panel, entry)) return;
    SendMessageA(box, LB_DELETESTRING, WPARAM(index), 0);
    UpdatePresetButtons(panel);
}

INT_PTR CALLBACK PresetPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            gPanel.panel = panel;
            ApplyPanelFont(panel);
            InitPresetPanelTips(panel);
            UpdatePresetButtons(panel);
            return TRUE;
        case WM_MEASUREITEM: {
            auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            m->itemHeight = UINT(PanelItemHeight());
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (d->CtlID != IDC_FACTORY_LIST && d->CtlID != IDC_USER_LIST) return FALSE;
            DrawItem(*d);
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wp), code = HIWORD(wp);
            const PresetList list = id == IDC_FACTORY_LIST ? PresetList::Factory : PresetList::User;
            if (id == IDC_FACTORY_LIST || id == IDC_USER_LIST) {
                if (code == LBN_SELCHANGE) OnSelect(panel, list);
                else if (code == LBN_DBLCLK) OnDoubleClick(panel, list);
            } else if (id == IDC_SAVE_PRESET && code == 0) {
                SavePreset(panel);
            } else if (id == IDC_DELETE_PRESET && code == 0) {
                OnDelete(panel);
            } else if (id == IDC_PRESET_APPLIED) {
                TellMainDialog();
            }
            return TRUE;
        }
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // The dialog's grey and text colours; the lists keep the window colour of their items.
            if (gPanel.main) return DialogControlColour(msg, wp);
            return FALSE;
        case WM_DESTROY:
            if (gPanel.tips) DestroyWindow(gPanel.tips);
            if (gPanel.folder) DeleteObject(gPanel.folder);
            if (gPanel.folderUp) DeleteObject(gPanel.folderUp);
            gPanel = PanelState{};
            return FALSE;
        default:
            return FALSE;
    }
}

// The name dialog: Save only while the field holds text.
INT_PTR CALLBACK SaveNameProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dlg, DWLP_USER, lp);
            const auto* name = reinterpret_cast<const std::string*>(lp);
            SendDlgItemMessageA(dlg, IDC_PRESET_NAME, EM_LIMITTEXT, 255, 0);
            SetDlgItemTextA(dlg, IDC_PRESET_NAME, name->c_str());
            EnableWindow(GetDlgItem(dlg, IDOK), !name->empty());
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDC_PRESET_NAME && HIWORD(wp) == EN_CHANGE) {
                EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, IDC_PRESET_NAME)) > 0);
            } else if (LOWORD(wp) == IDOK) {
                auto* name = reinterpret_cast<std::string*>(GetWindowLongPtrA(dlg, DWLP_USER));
                char text[256] = {};
                GetDlgItemTextA(dlg, IDC_PRESET_NAME, text, sizeof text);
                *name = text;
                EndDialog(dlg, IDOK);
            } else if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

// The name of the preset to write and its path, asked until the user settles
// on a usable name or cancels. An existing file is only overwritten on Yes.
bool ConfirmPresetOverwrite(HWND owner, std::string& name, std::string& path, bool& exists) {
    for (;;) {
        if (DialogBoxParamA(OwnInstance(), MAKEINTRESOURCEA(IDD_SAVE_PRESET), owner, SaveNameProc,
                            reinterpret_cast<LPARAM>(&name)) != IDOK)
            return false;
        name = StripPresetExtension(name);
        if (const char* why = CheckPresetName(name)) {
            MessageBoxA(owner, why, "Save Preset Error", MB_ICONHAND);
            continue;
        }
        path = PresetFilePath(gPresetRoot, PresetList::User, SubFolder(PresetList::User), name);
        if (path.empty()) {
            MessageBoxA(owner, "The name is too long for this folder.", "Save Preset Error", MB_ICONHAND);
            continue;
        }
        exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!exists) return true;
        switch (MessageBoxA(owner, "The file already exist!\n Do you want rewrite it?", "File Save Warning",
                            MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
            case IDYES: return true;
            case IDNO: continue;
            default: return false;
        }
    }
}

}  // namespace

void SetPresetFolder(const std::string& folder) { gPresetRoot = folder; }

HWND CreatePresetPanel(HWND mainDialog) {
    HINSTANCE instance = OwnInstance();
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDD_PRESET_PANEL), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* tmpl = loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
    if (tmpl == nullptr) return nullptr;
    gPanel = PanelState{};
    gPanel.main = mainDialog;
    gPanel.folder = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_PRESET_FOLDER));
    gPanel.folderUp = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_PRESET_FOLDER_UP));
    HWND panel = CreateDialogIndirectParamA(instance, tmpl, mainDialog, PresetPanelProc, 0);
    if (panel == nullptr) {
        if (gPanel.folder) DeleteObject(gPanel.folder);
        if (gPanel.folderUp) DeleteObject(gPanel.folderUp);
        gPanel = PanelState{};
    }
    return panel;
}

void LayoutPresetPanel(HWND panel, int width, int height) {
    RECT pr;
    GetWindowRect(panel, &pr);
    MapWindowPoints(nullptr, GetParent(panel), reinterpret_cast<POINT*>(&pr), 2);
    const int panelHeight = height - pr.top;
    if (panelHeight <= 0) return;
    (void)width;  // the panel keeps its template width
    SetWindowPos(panel, nullptr, 0, 0, pr.right - pr.left, panelHeight, SWP_NOMOVE | SWP_NOZORDER);
    auto rectOf = [panel](int id) {
        RECT r{};
        GetWindowRect(GetDlgItem(panel, id), &r);
        MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT group = rectOf(IDC_USER_GROUP);
    const int groupBottom = panelHeight - 9;
    SetWindowPos(GetDlgItem(panel, IDC_USER_GROUP), nullptr, 0, 0, group.right - group.left, groupBottom - group.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    int buttonTop = groupBottom;
    for (const int id : {IDC_SAVE_PRESET, IDC_DELETE_PRESET}) {
        const RECT b = rectOf(id);
        buttonTop = groupBottom - 6 - (b.bottom - b.top);
        SetWindowPos(GetDlgItem(panel, id), nullptr, b.left, buttonTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    const RECT list = rectOf(IDC_USER_LIST);
    SetWindowPos(GetDlgItem(panel, IDC_USER_LIST), nullptr, 0, 0, list.right - list.left, buttonTop - 5 - list.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

void FillPresetList(HWND panel, PresetList list) {
    HWND box = GetDlgItem(panel, ListId(list));
    SendMessageA(box, LB_RESETCONTENT, 0, 0);
    const std::string& sub = SubFolder(list);
    for (const std::string& entry :
         PresetListEntries(ListFolder(PresetListFolder(gPresetRoot, list, sub)), list, sub.empty()))
        SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SetDlgItemTextA(panel, PathId(list), sub.c_str());
}

bool LoadPreset(HWND, const std::string& name, PresetList list) {
    if (gParams == nullptr) return false;
    const std::string path = PresetFilePath(gPresetRoot, list, SubFolder(list), name);
    if (path.empty() || !LoadPresetFile(path, *gParams)) return false;
    ResolveEmitterType(*gParams);
    gParams->geometryDirty = 1;
    return true;
}

void SavePreset(HWND panel) {
    if (gParams == nullptr) return;
    HWND owner = gPanel.main ? gPanel.main : panel;
    std::string name, path;
    bool exists = false;
    if (!ConfirmPresetOverwrite(owner, name, path, exists)) return;
    HWND box = GetDlgItem(panel, IDC_USER_LIST);
    SendMessageA(box, LB_SETCURSEL, WPARAM(-1), 0);
    UpdatePresetButtons(panel);
    // The user tree may not exist yet; a sub-folder was entered, so it exists.
    CreateDirectoryA(gPresetRoot.c_str(), nullptr);
    CreateDirectoryA((gPresetRoot + "User").c_str(), nullptr);
    if (!SavePresetFile(path, *gParams)) {
        MessageBoxA(owner, "Cannot Save File!", "Save Preset Error", MB_ICONHAND);
        return;
    }
    if (!exists) SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

bool DeletePreset(HWND, const std::string& name) {
    const std::string path = PresetFilePath(gPresetRoot, PresetList::User, SubFolder(PresetList::User), name);
    if (!path.empty() && DeleteFileA(path.c_str())) return true;
    Alert("Cannot Delete File!", "Delete Preset Error");
    return false;
}

void UpdatePresetButtons(HWND panel) {
    HWND box = GetDlgItem(panel, IDC_USER_LIST);
    const int index = Selection(box);
    const bool preset = index != LB_ERR && !IsFolderEntry(ItemText(box, index));
    EnableWindow(GetDlgItem(panel, IDC_DELETE_PRESET), preset);
}

}  // namespace frostel

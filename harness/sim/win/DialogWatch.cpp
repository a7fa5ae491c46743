#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "DialogWatch.h"
#include "HostSim.h"
#include "ImageIO.h"

namespace frostel::hostsim {

namespace {

constexpr const char* kDialogCaption = "Vornhal Frostel";
constexpr UINT_PTR kScriptTimer = 0x5C17;
constexpr int kTickMs = 40;
constexpr int kMaxTicks = 3000;
constexpr int kMaxShellWaitTicks = 250;

// OK from another thread some time after the dialog opened: a click that
// comes while the dialog may be busy drawing.
struct LateOk {
    HWND dialog = nullptr;
    DWORD delayMs = 0;
    HANDLE thread = nullptr, cancel = nullptr;
    LARGE_INTEGER postedAt{};
    volatile LONG posted = 0;
};

DWORD WINAPI PostOkLater(void* param) {
    auto* ok = static_cast<LateOk*>(param);
    if (WaitForSingleObject(ok->cancel, ok->delayMs) != WAIT_TIMEOUT) return 0;
    QueryPerformanceCounter(&ok->postedAt);
    InterlockedExchange(&ok->posted, 1);
    PostMessageA(ok->dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(ok->dialog, IDOK)));
    return 0;
}

void StartLateOk(LateOk& ok, HWND dialog, int delayMs) {
    ok.dialog = dialog;
    ok.delayMs = DWORD(delayMs);
    ok.cancel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ok.cancel) ok.thread = CreateThread(nullptr, 0, PostOkLater, &ok, 0, nullptr);
}

void StopLateOk(LateOk& ok) {
    if (ok.cancel) SetEvent(ok.cancel);
    if (ok.thread) {
        WaitForSingleObject(ok.thread, INFINITE);
        CloseHandle(ok.thread);
    }
    if (ok.cancel) CloseHandle(ok.cancel);
    ok.thread = ok.cancel = nullptr;
}

// Milliseconds since the late OK was posted, or -1 when it was not.
double SinceLateOk(const LateOk& ok) {
    if (!ok.posted) return -1;
    LARGE_INTEGER now, f;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&f);
    return double(now.QuadPart - ok.postedAt.QuadPart) * 1000.0 / double(f.QuadPart);
}

struct WatchState {
    Host* host = nullptr;
    LateOk lateOk;
    HHOOK get = nullptr;
    double okTakenMs = -1;
    HHOOK cbt = nullptr, ret = nullptr;
    HWND dialog = nullptr;
    WNDPROC original = nullptr;
    size_t line = 0;
    int waitTicks = 0;
    int shellCalls = 0, shellWaitTicks = 0;  // "wait shell N"
    int ticks = 0;
    bool ended = false;
};
thread_local WatchState* tWatch = nullptr;

std::string ClassOf(HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

void Seen(const std::string& what, CallLog::Args args) {
    if (!tWatch || !tWatch->host) return;
    args.insert(args.begin(), {"what", JsonString(what)});
    tWatch->host->LogEvent("dialogSeen", std::move(args));
}

// The page on show: a visible child dialog of the main dialog.
HWND CurrentPage(HWND dlg) {
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == "#32770" && IsWindowVisible(c)) return c;
    return nullptr;
}

// An id of the page on show, else of the dialog, else of another child
// dialog on show (the preset panel).
HWND Item(HWND dlg, const std::string& ref) {
    if (ref.rfind("main:", 0) == 0) return GetDlgItem(dlg, std::atoi(ref.c_str() + 5));
    const int id = std::atoi(ref.c_str());
    if (HWND page = CurrentPage(dlg))
        if (HWND w = GetDlgItem(page, id)) return w;
    if (HWND w = GetDlgItem(dlg, id)) return w;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == "#32770" && IsWindowVisible(c))
            if (HWND w = GetDlgItem(c, id)) return w;
    return nullptr;
}

// The entry of a list box that shows `text` (a folder entry shows its name
// without its leading TAB), or -1.
int ListEntry(HWND list, const std::string& text) {
    const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        const int len = int(SendMessageA(list, LB_GETTEXTLEN, WPARAM(i), 0));
        if (len < 0) continue;
        std::string entry(size_t(len) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(size_t(len));
        if (!entry.empty() && entry[0] == '\t') entry.erase(0, 1);
        if (entry == text) return i;
    }
    return -1;
}

// A spin edit's own field, or the window itself.
HWND FieldOf(HWND w) {
    if (w && ClassOf(w) != "Edit")
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (ClassOf(c) == "Edit") return c;
    return w;
}

BOOL CALLBACK AddWorkArea(HMONITOR m, HDC, LPRECT, LPARAM out) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(m, &mi)) {
        std::string& list = *reinterpret_cast<std::string*>(out);
        if (list.size() > 1) list += ',';
        list += JsonRect(mi.rcWork.top, mi.rcWork.left, mi.rcWork.bottom, mi.rcWork.right);
    }
    return TRUE;
}

// Where the dialog is on the screen: its window, its title bar, its OK
// button and the work areas of the monitors, all in screen pixels.
void RecordPlacement(HWND dlg) {
    RECT window{}, ok{};
    GetWindowRect(dlg, &window);
    if (HWND b = GetDlgItem(dlg, IDOK)) GetWindowRect(b, &ok);
    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    GetTitleBarInfo(dlg, &title);
    std::string areas = "[";
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    areas += ']';
    const auto json = [](const RECT& r) { return JsonRect(r.top, r.left, r.bottom, r.right); };
    Seen("placement", {{"window", json(window)},
                       {"title", json(title.rcTitleBar)},
                       {"ok", json(ok)},
                       {"workAreas", areas}});
}

std::string RectJson(HWND dlg, HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return JsonRect(r.top, r.left, r.bottom, r.right);
}

// The window with its frame, or only a control's client area.
bool Shot(HWND window, const std::string& file, bool clientOnly) {
    RECT r;
    if (clientOnly) GetClientRect(window, &r);
    else GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC src = clientOnly ? GetDC(window) : GetWindowDC(window);
    HDC mem = CreateCompatibleDC(src);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(src, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, src, 0, 0, SRCCOPY);
    GdiFlush();
    Image8 img{w, h, 3, std::vector<uint8_t>(size_t(w) * size_t(h) * 3)};
    const auto* p = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i) {
        img.pixels[i * 3] = p[i * 4 + 2];
        img.pixels[i * 3 + 1] = p[i * 4 + 1];
        img.pixels[i * 3 + 2] = p[i * 4];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window, src);
    std::vector<uint8_t> png;
    std::string error;
    return EncodePng(img, png, error) && WriteFileBytes(file, png);
}

// As a click would: the button takes the focus first.
void End(HWND dlg, int id) {
    if (HWND b = GetDlgItem(dlg, id)) SetFocus(b);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    tWatch->ended = true;
}

// ---- Layout check -------------------------------------------------------------
// What a person sees of each control's text: its extent in the control's own
// font against the room the control gives it, and whether two controls of
// one window lie over each other.
struct TextRoom {
    int width = 0, height = 0;  // the room
    bool check = false;
};

int LineHeight(HDC dc) {
    TEXTMETRICA tm{};
    return GetTextMetricsA(dc, &tm) ? tm.tmHeight : 0;
}

SIZE Extent(HWND w, HFONT font, const std::string& text, int* line) {
    SIZE size{};
    HDC dc = GetDC(w);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    std::string shown;
    for (char c : text)
        if (c != '&') shown += c;
    GetTextExtentPoint32A(dc, shown.c_str(), int(shown.size()), &size);
    *line = LineHeight(dc);
    if (old) SelectObject(dc, old);
    ReleaseDC(w, dc);
    return size;
}

HFONT FontOf(HWND w) { return reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)); }

std::string Describe(HWND w) {
    return ClassOf(w) + " " + std::to_string(GetDlgCtrlID(w)) + " '" + TextOf(w) + "'";
}

void CheckText(HWND w, std::vector<std::string>& clipped, int& checked) {
    const std::string cls = ClassOf(w);
    std::string text = TextOf(w);
    if (text.empty()) return;
    RECT c{};
    GetClientRect(w, &c);
    int room = c.right - c.left, roomH = c.bottom - c.top;
    const int dpi = [] {
        HDC s = GetDC(nullptr);
        const int d = GetDeviceCaps(s, LOGPIXELSY);
        ReleaseDC(nullptr, s);
        return d;
    }();
    if (_stricmp(cls.c_str(), "Static") == 0) {
        if (GetWindowLongA(w, GWL_STYLE) & SS_PATHELLIPSIS) return;  // shortens itself by design
    } else if (_stricmp(cls.c_str(), "Button") == 0) {
        const LONG type = GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_GROUPBOX) room -= 16;
        else if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX ||
                 type == BS_CHECKBOX)
            room -= 12 * dpi / 96 + 1 + 6;
    } else if (_stricmp(cls.c_str(), "Edit") == 0) {
        RECT f{};
        SendMessageA(w, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&f));
        room = f.right - f.left - 1;
        roomH = std::min(int(f.bottom - f.top), roomH);
    } else if (_stricmp(cls.c_str(), "ComboBox") == 0) {
        room -= GetSystemMetrics(SM_CXVSCROLL) + 6;
    } else if (cls == "MacStyleBtn") {
        room -= 8;
    } else {
        return;
    }
    int line = 0;
    const SIZE size = Extent(w, FontOf(w), text, &line);
    ++checked;
    if (size.cx > room || (cls != "ComboBox" && line > roomH))
        clipped.push_back(Describe(w) + " needs " + std::to_string(size.cx) + "x" + std::to_string(line) +
                          ", has " + std::to_string(room) + "x" + std::to_string(roomH));
}

RECT RectIn(HWND parent, HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Windows that hold others by design: group boxes, the tab control and its
// pages, and the header pictures under the header's buttons.
bool Holder(HWND w) {
    const std::string cls = ClassOf(w);
    if (cls == "#32770" || cls == "SysTabControl32") return true;
    if (_stricmp(cls.c_str(), "Button") == 0 && (GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
        return true;
    const int id = GetDlgCtrlID(w);
    return cls == "Control CPP" && (id == 1163 || id == 1128);
}

void CheckWindow(HWND parent, std::vector<std::string>& clipped, std::vector<std::string>& overlaps, int& checked,
                 int& controls) {
    std::vector<HWND> kids;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) kids.push_back(c);
    for (HWND c : kids) {
        ++controls;
        const std::string cls = ClassOf(c);
        if (cls == "#32770") {
            CheckWindow(c, clipped, overlaps, checked, controls);
            continue;
        }
        CheckText(c, clipped, checked);
        // The fields inside the widgets: a spin edit's and a dial's.
        if (cls == "Spin Edit CPP" || cls == "Rotor CPP")
            for (HWND f = GetWindow(c, GW_CHILD); f; f = GetWindow(f, GW_HWNDNEXT))
                if (ClassOf(f) == "Edit" && IsWindowVisible(f)) CheckText(f, clipped, checked);
    }
    for (size_t i = 0; i < kids.size(); ++i) {
        if (Holder(kids[i])) continue;
        const RECT a = RectIn(parent, kids[i]);
        for (size_t j = i + 1; j < kids.size(); ++j) {
            if (Holder(kids[j])) continue;
            const RECT b = RectIn(parent, kids[j]);
            RECT both;
            if (IntersectRect(&both, &a, &b))
                overlaps.push_back(Describe(kids[i]) + " and " + Describe(kids[j]));
        }
    }
}

std::string Joined(const std::vector<std::string>& v) {
    std::string out;
    for (const std::string& s : v) out += (out.empty() ? "" : "; ") + s;
    return out;
}

void RecordLayout(HWND dlg) {
    std::vector<std::string> clipped, overlaps;
    int checked = 0, controls = 0;
    CheckWindow(dlg, clipped, overlaps, checked, controls);
    HDC s = GetDC(nullptr);
    const int dpi = GetDeviceCaps(s, LOGPIXELSY);
    ReleaseDC(nullptr, s);
    Seen("layout", {{"dpi", JsonInt(dpi)}, {"controls", JsonInt(controls)}, {"texts", JsonInt(checked)},
                    {"clipped", JsonString(Joined(clipped))}, {"overlaps", JsonString(Joined(overlaps))}});
}

void Record(HWND dlg, std::istringstream& in) {
    std::string what, ref;
    in >> what >> ref;
    if (what == "scale") {
        Seen("scale", {{"text", JsonString(TextOf(GetDlgItem(dlg, 1003)))}});
    } else if (what == "minsize") {
        MINMAXINFO mmi{};
        SendMessageA(dlg, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        Seen("minsize", {{"width", JsonInt(mmi.ptMinTrackSize.x)}, {"height", JsonInt(mmi.ptMinTrackSize.y)}});
    } else if (what == "layout") {
        RecordLayout(dlg);
    } else if (what == "placement") {
        RecordPlacement(dlg);
    } else if (what == "focus") {
        HWND f = GetFocus();
        Seen("focus", {{"class", JsonString(f ? ClassOf(f) : "")}, {"id", JsonInt(f ? GetDlgCtrlID(f) : 0)}});
    } else {
        HWND w = Item(dlg, ref);
        CallLog::Args args{{"item", JsonString(ref)}, {"exists", JsonBool(w != nullptr)}};
        if (w && what == "enabled") args.push_back({"enabled", JsonBool(IsWindowEnabled(w) != FALSE)});
        if (w && what == "text") args.push_back({"text", JsonString(TextOf(FieldOf(w)))});
        if (w && what == "rect") args.push_back({"rect", RectJson(dlg, w)});
        if (w && what == "pos") args.push_back({"pos", JsonInt(SendMessageA(w, PBM_GETPOS, 0, 0))});
        Seen(what, std::move(args));
    }
}

void Run(HWND dlg, const std::string& line) {
    std::istringstream in(line);
    std::string op;
    in >> op;
    if (op.empty() || op[0] == '#') return;
    if (op == "command") {
        int id = 0, code = 0;
        in >> id >> code;
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), 0);
    } else if (op == "notify") {
        // What a widget sends its page when its value changed.
        std::string ref;
        in >> ref;
        if (HWND w = Item(dlg, ref))
            SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), 0), reinterpret_cast<LPARAM>(w));
    } else if (op == "click") {
        // A left click at the control's centre, as a person's would be.
        std::string ref;
        in >> ref;
        if (HWND w = Item(dlg, ref)) {
            RECT r;
            GetClientRect(w, &r);
            const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
            SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(w, WM_LBUTTONUP, 0, at);
        }
    } else if (op == "hotkey") {
        int n = 0;
        in >> n;
        SendMessageA(dlg, WM_HOTKEY, WPARAM(n), 0);
    } else if (op == "tab") {
        int n = 0;
        in >> n;
        HWND tabs = GetDlgItem(dlg, 999);
        SendMessageA(tabs, TCM_SETCURSEL, WPARAM(n), 0);
        NMHDR h{tabs, 999, UINT(TCN_SELCHANGE)};
        SendMessageA(dlg, WM_NOTIFY, 999, reinterpret_cast<LPARAM>(&h));
    } else if (op == "pick" || op == "open") {
        // A click on a list entry, or a double click.
        std::string ref, text;
        in >> ref;
        std::getline(in >> std::ws, text);
        HWND w = Item(dlg, ref);
        const int i = w ? ListEntry(w, text) : -1;
        if (i < 0) {
            Seen("noEntry", {{"item", JsonString(ref)}, {"text", JsonString(text)}});
            return;
        }
        SendMessageA(w, LB_SETCURSEL, WPARAM(i), 0);
        const auto notify = [w](WORD code) {
            SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), code), reinterpret_cast<LPARAM>(w));
        };
        notify(LBN_SELCHANGE);
        if (op == "open") notify(LBN_DBLCLK);
    } else if (op == "select" || op == "check") {
        std::string ref;
        int v = 0;
        in >> ref >> v;
        HWND w = Item(dlg, ref);
        if (!w) return;
        if (op == "select") SendMessageA(w, CB_SETCURSEL, WPARAM(v), 0);
        else SendMessageA(w, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), op == "select" ? CBN_SELENDOK : BN_CLICKED),
                     reinterpret_cast<LPARAM>(w));
    } else if (op == "type" || op == "focus") {
        std::string ref, text;
        in >> ref;
        std::getline(in >> std::ws, text);
        HWND f = FieldOf(Item(dlg, ref));
        if (!f) return;
        if (SetFocus(f) == nullptr && GetFocus() != f) {
            SetActiveWindow(dlg);
            SetFocus(f);
        }
        if (op == "type") SetWindowTextA(f, text.c_str());
    } else if (op == "key") {
        std::string k;
        in >> k;
        const WPARAM vk = k == "enter" ? VK_RETURN : k == "escape" ? VK_ESCAPE : VK_TAB;
        HWND f = GetFocus();
        PostMessageA(f ? f : dlg, WM_KEYDOWN, vk, 1);
        PostMessageA(f ? f : dlg, WM_KEYUP, vk, 0xC0000001);
    } else if (op == "drag") {
        int dx = 0, dy = 0;
        in >> dx >> dy;
        HWND p = GetDlgItem(dlg, 1002);
        const int x = 60, y = 60;
        SendMessageA(p, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(p, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + dx, y + dy));
        SendMessageA(p, WM_LBUTTONUP, 0, MAKELPARAM(x + dx, y + dy));
    } else if (op == "size") {
        int w = 0, h = 0;
        in >> w >> h;
        SetWindowPos(dlg, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
        SendMessageA(dlg, WM_EXITSIZEMOVE, 0, 0);
    } else if (op == "minimize" || op == "restore") {
        ShowWindow(dlg, op == "minimize" ? SW_MINIMIZE : SW_RESTORE);
    } else if (op == "wait") {
        std::string what;
        in >> what;
        if (what == "shell") {
            in >> tWatch->shellCalls;
            tWatch->shellWaitTicks = kMaxShellWaitTicks;
        } else {
            tWatch->waitTicks = std::atoi(what.c_str());
        }
    } else if (op == "shot") {
        std::string file, ref;
        in >> file >> ref;
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        HWND control = ref.empty() ? nullptr : Item(dlg, ref);
        const bool written = ref.empty() ? Shot(dlg, file, false) : control != nullptr && Shot(control, file, true);
        Seen("shot", {{"file", JsonString(file)}, {"written", JsonBool(written)}});
    } else if (op == "record") {
        Record(dlg, in);
    } else if (op == "timed") {
        // A change renders the preview before its message returns: the
        // line's time is what the user waits for.
        std::string rest;
        std::getline(in >> std::ws, rest);
        LARGE_INTEGER start, end, f;
        QueryPerformanceCounter(&start);
        Run(dlg, rest);
        QueryPerformanceCounter(&end);
        QueryPerformanceFrequency(&f);
        const double us = double(end.QuadPart - start.QuadPart) * 1e6 / double(f.QuadPart);
        Seen("timed", {{"line", JsonString(rest)}, {"us", JsonInt(int64_t(us + 0.5))}});
    } else if (op == "ok") {
        End(dlg, IDOK);
    } else if (op == "cancel") {
        End(dlg, IDCANCEL);
    } else if (op == "close") {
        PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        tWatch->ended = true;
    } else {
        Seen("unknown", {{"line", JsonString(line)}});
    }
}

void CALLBACK ScriptTick(HWND dlg, UINT, UINT_PTR, DWORD) {
    WatchState* s = tWatch;
    if (!s || dlg != s->dialog) return;
    const std::vector<std::string>& script = s->host->options().dialogScript;
    if (s->ended) {
        // A dialog that did not end when told: Cancel, once every 25 ticks.
        if (++s->ticks % 25 == 0) {
            Seen("stillOpen", {});
            End(dlg, IDCANCEL);
        }
        return;
    }
    if (s->waitTicks > 0) {
        --s->waitTicks;
        return;
    }
    if (s->shellWaitTicks > 0) {
        // The module's shell worker ends just after its call: two ticks more.
        if (s->host->CallCount("shellExecute") >= s->shellCalls) {
            s->shellWaitTicks = 0;
            s->waitTicks = 2;
        } else if (--s->shellWaitTicks == 0) {
            Seen("noShellCall", {{"calls", JsonInt(s->shellCalls)}});
        }
        return;
    }
    // Input goes to the active window: wait for the dialog to be shown and active.
    if ((!IsWindowVisible(dlg) || GetActiveWindow() != dlg) && s->ticks < 25) {
        ++s->ticks;
        SetActiveWindow(dlg);
        return;
    }
    if (++s->ticks > kMaxTicks || s->line >= script.size()) {
        Seen("scriptEnded", {{"line", JsonInt(int64_t(s->line))}});
        End(dlg, IDCANCEL);
        return;
    }
    Run(dlg, script[s->line++]);
}

// Silent: the dialog's own procedure never runs, and the dialog ends with OK
// before it is shown.
LRESULT CALLBACK SilentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    WatchState* s = tWatch;
    WNDPROC original = s ? s->original : DefDlgProcA;
    if (GetWindowLongPtrA(w, DWLP_DLGPROC) != 0) SetWindowLongPtrA(w, DWLP_DLGPROC, 0);
    if (msg == WM_INITDIALOG) {
        if (s && s->host) s->host->log().Add("dialog", {{"answer", JsonString("silent")}});
        EndDialog(w, IDOK);
        return TRUE;
    }
    return CallWindowProcA(original, w, msg, wp, lp);
}

LRESULT CALLBACK OnCbt(int code, WPARAM wp, LPARAM lp) {
    WatchState* s = tWatch;
    if (code == HCBT_CREATEWND && s) {
        const auto* c = reinterpret_cast<const CBT_CREATEWNDA*>(lp)->lpcs;
        HWND w = reinterpret_cast<HWND>(wp);
        const bool dialogClass = c->lpszClass == MAKEINTATOM(32770) ||
                                 (HIWORD(c->lpszClass) && lstrcmpiA(c->lpszClass, "#32770") == 0);
        if (dialogClass && HIWORD(c->lpszName) && lstrcmpA(c->lpszName, kDialogCaption) == 0 && !s->dialog) {
            s->dialog = w;
            const DialogAnswer answer = s->host->options().dialog;
            if (answer == DialogAnswer::Silent)
                s->original = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SilentProc)));
            else if (s->host->options().dialogOkAfterMs >= 0 && !s->lateOk.thread)
                StartLateOk(s->lateOk, w, s->host->options().dialogOkAfterMs);
        }
    }
    return CallNextHookEx(s ? s->cbt : nullptr, code, wp, lp);
}

LRESULT CALLBACK OnGetMessage(int code, WPARAM wp, LPARAM lp) {
    WatchState* s = tWatch;
    const auto* m = reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && s && wp == PM_REMOVE && m->message == WM_COMMAND && LOWORD(m->wParam) == IDOK &&
        s->lateOk.posted && s->okTakenMs < 0)
        s->okTakenMs = SinceLateOk(s->lateOk);
    return CallNextHookEx(s ? s->get : nullptr, code, wp, lp);
}

LRESULT CALLBACK AfterMessage(int code, WPARAM wp, LPARAM lp) {
    WatchState* s = tWatch;
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && s && m->hwnd == s->dialog && s->dialog) {
        if (m->message == WM_INITDIALOG && s->host->options().dialog == DialogAnswer::Script) {
            s->host->log().Add("dialog", {{"answer", JsonString("script")}});
            SetTimer(m->hwnd, kScriptTimer, kTickMs, ScriptTick);
        } else if (m->message == WM_DESTROY) {
            KillTimer(m->hwnd, kScriptTimer);
            if (s->lateOk.thread) {
                const double ms = SinceLateOk(s->lateOk);
                if (ms >= 0) Seen("okHandled", {{"ms", JsonInt(int64_t(ms + 0.5))}, {"takenMs", JsonInt(int64_t(s->okTakenMs + 0.5))}});
                else Seen("okNotPosted", {});
                StopLateOk(s->lateOk);
            }
            s->dialog = nullptr;
        }
    }
    return CallNextHookEx(s ? s->ret : nullptr, code, wp, lp);
}

}  // namespace

DialogWatch::DialogWatch(Host& host) {
    if (tWatch || host.options().dialog == DialogAnswer::Show) return;
    auto* s = new WatchState();
    s->host = &host;
    tWatch = s;
    s->cbt = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    s->ret = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
    s->get = SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId());
    hook_ = s;
}

DialogWatch::~DialogWatch() {
    auto* s = static_cast<WatchState*>(hook_);
    if (!s) return;
    StopLateOk(s->lateOk);
    if (s->cbt) UnhookWindowsHookEx(s->cbt);
    if (s->ret) UnhookWindowsHookEx(s->ret);
    if (s->get) UnhookWindowsHookEx(s->get);
    delete s;
    tWatch = nullptr;
}

}  // namespace frostel::hostsim

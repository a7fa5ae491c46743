// The widget rig: a parent window that logs every WM_COMMAND its controls
// send or post (id, code, lParam, when), message pumping with timers, and
// mouse input both as sent messages and as real input (SendInput).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "WidgetInternal.h"
#include "Widgets.h"

namespace rig {

#define IDB_RIG_BUTTON_NORMAL 3001
#define IDB_RIG_BUTTON_HOT 3002
#define IDB_RIG_BUTTON_PRESSED 3003
#define IDB_RIG_BUTTON_DISABLED 3004
#define IDB_RIG_PANEL 3005
#define IDD_RIG_TEMPLATE 3100

struct Command {
    int id;
    int code;
    LPARAM lp;
    DWORD tick;
};
extern std::vector<Command> gCommands;

// Sets up the library once (instance, brush, classes, fonts) and makes the parent.
void Start();
HWND Parent();
void ClearCommands();
int CountCommands(int id, int code = -1);
const Command* FirstCommand(int id);

// Runs the message loop for `ms` milliseconds, timers included.
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Sent mouse messages in client coordinates.
LPARAM Pt(int x, int y);
void Press(HWND w, int x, int y, WPARAM keys = MK_LBUTTON);
void Move(HWND w, int x, int y, WPARAM keys);
void Release(HWND w, int x, int y);
void Click(HWND w, int x, int y);

// Real input at a client point of `w`: the system turns it into messages,
// double clicks and capture included.
void RealMove(HWND w, int x, int y);
void RealClick(HWND w, int x, int y);
void RealDoubleClick(HWND w, int x, int y);

// A child of the parent.
HWND Child(const char* cls, int id, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE,
           void* object = nullptr);

// The control drawn through WM_PRINTCLIENT into a 24-bit buffer.
struct Snapshot {
    int width = 0, height = 0;
    std::vector<BYTE> bgr;  // rows top down, width * 3 bytes each
    COLORREF At(int x, int y) const;
};
Snapshot Snap(HWND w);

// Destroys `w` and tells whether its timer `id` was still set when the
// window's own WM_DESTROY handling had run (the system would kill it
// silently afterwards): a subclass looks with KillTimer at WM_NCDESTROY,
// before the widget's procedure sees that message.
bool DestroyLeavesTimer(HWND w, UINT_PTR id);

// True while the GDI handle names a live object.
inline bool Alive(HGDIOBJ h) { return h && GetObjectType(h) != 0; }

// GDI objects of this process alive now (GetGuiResources, or the process's
// shared GDI handle table where that call is not implemented); -1 when neither
// can be read.
int LiveGdiObjects();

}  // namespace rig

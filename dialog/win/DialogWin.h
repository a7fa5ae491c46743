// Shared between the main dialog and its pages (Windows only).
#pragma once

#include <windows.h>

#include "Dialog.h"
#include "DialogIds.h"
#include "Widgets.h"

extern "C" INT_PTR CALLBACK DissolveProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

namespace frostel {

extern HWND gMainDialog;
extern widgets::TPreviewContaner* gPreview;
extern widgets::TPreviewContaner* gNavigator;
extern char gModuleDir[MAX_PATH], gPresetFolder[MAX_PATH], gHelpFolder[MAX_PATH];
// Page fonts (the label font scales linearly with the dpi).
extern HFONT gPageFont, gPageLabelFont, gTabFont, gPanelFont;

struct TabState {
    HWND tabs = nullptr;
    HWND current = nullptr;
    RECT display{};
    const DLGTEMPLATE* templates[2] = {};
    HWND pages[2] = {};
    RECT itemRects[2] = {};
    int hover = -1;
};
TabState* GetTabState();
// The control-colour answer of every dialog: the shared brush, static text
// in the dialog's colour on a transparent background.
INT_PTR DialogControlColour(UINT msg, WPARAM wp);

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp);
void RerenderPreview();
void RefreshPageValues(HWND dialog);
void SyncCentreToPreview();
void OnCentreMoved(int code, float x, float y);
void SetCentreRotor(float x, float y);
// The document has a work path (the "Path" emitter).
bool DocumentHasPath();

}  // namespace frostel

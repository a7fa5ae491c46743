// The dialog's worker threads: the shell worker that opens a help page or a
// web address, and the update check.
//
// Every worker holds a reference to this module and ends with
// FreeLibraryAndExitThread, so the module stays loaded while one runs, and
// none is ever terminated. Everything a worker needs (path, URL, host token)
// is built by the starter on the host's thread; a worker touches no host
// record or suite.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace frostel {

// The instance of the module this code is linked into (resources, dialogs).
HINSTANCE ThisModuleInstance();

// ---- Shell worker -----------------------------------------------------------
// Opens the help page of a topic (AboutText.h) from the help folder beside
// this module. Dropped (false) while a shell worker runs.
bool StartHelpThread(int topic, HWND owner = nullptr);
// Opens a text (a web address) with the shell; the text is copied. Dropped
// (false) while a shell worker runs.
bool ShellOpenAsync(const char* text, HWND owner = nullptr);
bool ShellWorkerBusy();
// What opens a text; the shell's ShellExecuteA unless replaced (tests).
using ShellOpener = void (*)(HWND owner, const char* text);
void SetShellOpener(ShellOpener opener);  // null restores the shell's
// The help folder beside this module, with its trailing backslash.
std::string ModuleHelpFolder();

// ---- Update check -----------------------------------------------------------
// [0] a new version, [1] new presets; written by the update check, read by
// the main dialog when it opens.
extern std::atomic<uint8_t> gUpdateFlags[2];
// True when a check has reported a new version or new presets: the main
// dialog then shows its product-page button highlighted.
bool UpdateAvailable();

// The host's token is taken here, on the host's thread; false while a check
// runs or when no thread could start.
bool StartUpdateCheck();
bool StartUpdateCheckWithToken(const std::string& hostToken);
bool UpdateCheckRunning();
// Opens the updates page in the browser.
void OpenUpdatesPage(HWND owner = nullptr);
// Where the check and the updates page go; the update server unless set
// (tests point it at a loopback server: "127.0.0.1:port").
void SetUpdateServer(const char* authority);  // null restores the update server
// The limits of the check's request, for tests (null restores the defaults).
struct HttpLimits;
void SetUpdateLimits(const HttpLimits* limits);

// ---- Ending -------------------------------------------------------------------
// Gives a running update check `graceMs` to finish, then cancels it (flag
// and socket) and waits up to `waitMs` in all for both workers; a shell
// worker is never cut short. True when no worker runs any more. The main
// dialog calls it when it is destroyed.
bool StopDialogWorkers(DWORD waitMs = 3000, DWORD graceMs = 0);

}  // namespace frostel

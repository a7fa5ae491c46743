// Threads that keep this module loaded while they run: each holds a
// reference to the module and ends with FreeLibraryAndExitThread, so a host
// that unloads the module meanwhile never pulls code from under one.
#pragma once

#include <windows.h>

namespace frostel {

// Runs work(arg) on a new thread; its handle into *thread when asked for
// (the caller closes it), else closed at once. False, with nothing run,
// when no thread could start.
bool StartModuleThread(void (*work)(void* arg), void* arg, HANDLE* thread = nullptr);

}  // namespace frostel

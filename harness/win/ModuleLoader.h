// Loads a filter module and finds its entry point through the module's
// property list, as an image editor does.
#pragma once

#include <windows.h>

#include <string>

#include "HostSim.h"

namespace frostel::hostsim {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const wchar_t* wide);
std::string LastErrorText();

// Points the module's import of ShellExecuteA (help pages, web addresses)
// at a recorder: the call is logged with the current host ("shellExecute")
// and answered as a success, so no browser starts; only a host that leaves
// its dialog to a person (DialogAnswer::Show) passes it on to the shell.
// False when the module does not import it. Every LoadedModule does this.
bool RecordShellCalls(HMODULE module);

// Owns a loaded module.
class LoadedModule {
public:
    explicit LoadedModule(const std::wstring& path);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// The entry named by the module's property list for this processor, or null
// with `why` set.
EntryPoint FindEntry(HMODULE module, std::string& why);

}  // namespace frostel::hostsim

#include "ModuleLoader.h"

#include <shellapi.h>

#include <atomic>
#include <optional>

#include "Pipl.h"

namespace frostel::hostsim {

std::wstring Widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.pop_back();  // the terminator
    return s;
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string msg = text ? Narrow(text) : std::string();
    if (text) LocalFree(text);
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == ' ')) msg.pop_back();
    return "error " + std::to_string(code) + (msg.empty() ? "" : " (" + msg + ")");
}

namespace {

using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
std::atomic<ShellExecuteFn> gShellExecute{nullptr};

std::optional<std::string> Text(LPCSTR s) {
    if (!s) return std::nullopt;
    return std::string(s);
}

// Runs on the module's worker thread.
HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    Host* host = Host::Current();
    if (!host) return reinterpret_cast<HINSTANCE>(INT_PTR(SE_ERR_ACCESSDENIED));
    ShellCall call;
    // Not GetWindowText: it sends to the owner's thread, which may be
    // waiting for this one to end.
    wchar_t caption[256] = {};
    if (owner) InternalGetWindowText(owner, caption, 256);
    call.owner = Narrow(caption);
    call.verb = verb ? verb : "";
    call.file = file ? file : "";
    call.parameters = Text(parameters);
    call.directory = Text(directory);
    call.show = show;
    host->RecordShellCall(call);
    const ShellExecuteFn shell = gShellExecute.load();
    if (host->options().dialog == DialogAnswer::Show && shell)
        return shell(owner, verb, file, parameters, directory, show);
    return reinterpret_cast<HINSTANCE>(INT_PTR(33));  // above 32: done
}

}  // namespace

bool RecordShellCalls(HMODULE module) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return false;
    bool patched = false;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "shell32.dll") != 0 || !d->OriginalFirstThunk)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), "ShellExecuteA") != 0) continue;
            DWORD was = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &was)) continue;
            gShellExecute = reinterpret_cast<ShellExecuteFn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&RecordShellExecute);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, was, &was);
            patched = true;
        }
    }
    return patched;
}

LoadedModule::LoadedModule(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
    if (module_) RecordShellCalls(module_);
}

LoadedModule::~LoadedModule() {
    if (module_) FreeLibrary(module_);
}

EntryPoint FindEntry(HMODULE module, std::string& why) {
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(16000), L"PiPL");
    if (!res) {
        why = "the module has no property list (PiPL 16000): " + LastErrorText();
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, res);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        why = "the property list cannot be loaded: " + LastErrorText();
        return nullptr;
    }
    const PiplEntry entry = FindPiplEntryName(static_cast<const uint8_t*>(bytes), SizeofResource(module, res));
    if (!entry.ok) {
        why = "property list: " + entry.error;
        return nullptr;
    }
    FARPROC proc = GetProcAddress(module, entry.name.c_str());
    if (!proc) {
        why = "the module does not export its entry '" + entry.name + "': " + LastErrorText();
        return nullptr;
    }
    // The function type void(*)() converts to any other without a warning.
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace frostel::hostsim

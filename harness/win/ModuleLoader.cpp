#include "ModuleLoader.h"

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

LoadedModule::LoadedModule(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}

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

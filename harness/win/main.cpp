// The test host as a console program: loads a filter module, finds its entry
// point through the module's property list and drives it with the in-process
// host. Everything Windows-specific lives here.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "HarnessMain.h"
#include "ModuleLoader.h"

using namespace frostel::hostsim;

namespace {

bool ReadWide(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* f = _wfopen(Widen(path).c_str(), L"rb");
    if (!f) return false;
    bytes.clear();
    // Read straight into a buffer of the file's size; more is appended if it grew.
    if (_fseeki64(f, 0, SEEK_END) == 0) {
        const long long size = _ftelli64(f);
        if (size > 0 && uint64_t(size) < SIZE_MAX) bytes.resize(size_t(size));
        rewind(f);
    }
    bytes.resize(bytes.empty() ? 0 : fread(bytes.data(), 1, bytes.size(), f));
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    const bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool WriteWide(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = _wfopen(Widen(path).c_str(), L"wb");
    if (!f) return false;
    const bool wrote = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && wrote;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
    const ParsedArgs parsed = ParseHarnessArgs(args);
    if (!parsed.ok) {
        std::cerr << "harness: " << parsed.error << "\n\n" << HarnessUsage();
        return kExitUsage;
    }
    if (parsed.args.help) {
        std::cout << HarnessUsage();
        return kExitOk;
    }

    // Read by the module's renderer; set in the C runtime it shares with us.
    if (parsed.args.renderThreads > 0 &&
        _putenv_s("FROSTEL_RENDER_THREADS", std::to_string(parsed.args.renderThreads).c_str()) != 0) {
        std::cerr << "harness: cannot set FROSTEL_RENDER_THREADS\n";
        return kExitUsage;
    }

    // No error boxes from the loader: a missing dependency is reported here.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    LoadedModule module(Widen(parsed.args.module));
    if (!module.get()) {
        std::cerr << "harness: cannot load " << parsed.args.module << ": " << LastErrorText() << "\n";
        return kExitFiles;
    }
    std::string why;
    const EntryPoint entry = FindEntry(module.get(), why);
    if (!entry) {
        std::cerr << "harness: " << parsed.args.module << ": " << why << "\n";
        return kExitFiles;
    }
    const FileAccess files{ReadWide, WriteWide};
    return RunHarness(parsed.args, entry, files, std::cout, std::cerr);
}

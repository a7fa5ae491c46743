#include <cstdio>
#include <cstdlib>

#include "FilterEntry.h"
#include "ModuleLoader.h"

using namespace frostel::hostsim;

// The module stays loaded for the whole test program, as in an editor.
EntryPoint FilterEntry() {
    static LoadedModule module(Widen(FROSTEL_MODULE_FILE));
    static EntryPoint entry = [] {
        if (module.get() == nullptr) {
            std::fprintf(stderr, "cannot load %s: %s\n", FROSTEL_MODULE_FILE, LastErrorText().c_str());
            std::abort();
        }
        std::string why;
        EntryPoint e = FindEntry(module.get(), why);
        if (e == nullptr) {
            std::fprintf(stderr, "%s: %s\n", FROSTEL_MODULE_FILE, why.c_str());
            std::abort();
        }
        return e;
    }();
    return entry;
}

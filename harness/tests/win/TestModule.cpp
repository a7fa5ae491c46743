// The in-test filter as a loadable module. Its entry has a name no host
// would guess, so a run proves the entry was found through the property list.
#include <cstdint>

#include "TestFilter.h"

extern "C" __declspec(dllexport) void FrostelTestEntry(int16_t selector, void* record, intptr_t* data,
                                                       int16_t* result) {
    testfilter::Entry(selector, record, data, result);
}

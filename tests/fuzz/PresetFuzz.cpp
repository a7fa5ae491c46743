// Preset text from anywhere: no sanitizer report, a text without the header
// leaves the record as it was, and whatever is read is finite, in range and
// written back the same.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ParameterSanitizer.h"
#include "PresetFormat.h"

using namespace frostel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FilterParameters p{};
    ApplyWindowPlacementDefaults(p);
    ApplyParameterDefaults(p);
    const FilterParameters before = p;
    const char* text = reinterpret_cast<const char*>(data);
    if (!ReadPresetText(text, size, p)) {
        if (std::memcmp(&before, &p, sizeof p) != 0) std::abort();
    } else {
        for (const ParameterKey& k : ParameterKeys)
            if (k.isFloat() && !std::isfinite(GetFloatField(p, k))) std::abort();
        // Values read are already in range: only the rule between fields may still act.
        FilterParameters s = p;
        SanitizeParameters(s);
        s.PtrK = p.PtrK;
        if (std::memcmp(&s, &p, sizeof p) != 0) std::abort();
        FilterParameters q = before;
        const std::string again = WritePresetText(p);
        if (!ReadPresetText(again.data(), again.size(), q)) std::abort();
        for (const ParameterKey& k : ParameterKeys) {
            const double a = GetFloatField(p, k), b = GetFloatField(q, k);
            if (std::fabs(a - b) > 0.005 + std::fabs(a) * 1e-6) std::abort();
        }
    }
    FilterParameters ini = before;
    ReadIniText(text, size, ini);
    return 0;
}

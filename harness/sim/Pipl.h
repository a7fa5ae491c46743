// Reading a module's plug-in property list (the "PiPL" resource, id 16000):
// how the host learns a module's entry point without trusting a fixed name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "HostInterface.h"

namespace frostel::hostsim {

constexpr uint32_t kPiplVendor = pi::FourCC("8BIM");
constexpr uint32_t kPiplEntry64 = pi::FourCC("8664");  // x86-64 entry point
constexpr uint32_t kPiplEntry32 = pi::FourCC("wx86");  // x86 entry point
constexpr uint32_t kPiplKind = pi::FourCC("kind");
constexpr uint32_t kPiplEntryForThisProcessor = sizeof(void*) == 8 ? kPiplEntry64 : kPiplEntry32;

struct PiplProperty {
    uint32_t vendor = 0;
    uint32_t key = 0;
    int32_t id = 0;
    std::vector<uint8_t> data;  // without the alignment padding
};

struct PiplParse {
    bool ok = false;
    std::string error;                    // set when !ok
    std::vector<PiplProperty> properties;
};

// Layout: marker 1 (int16), version 0 (int32), count (int32), then count
// records of vendor, key, id, length (int32 each) and length bytes of data,
// padded to a multiple of 4. Everything little-endian; four-character codes
// are 32-bit integers ('8664' is stored as the bytes "4668").
PiplParse ParsePipl(const uint8_t* bytes, size_t size);

struct PiplEntry {
    bool ok = false;
    std::string name;   // entry point name when ok
    std::string error;  // reason when not
};

// The zero-terminated entry name under `processorKey` (vendor '8BIM').
PiplEntry FindPiplEntryName(const uint8_t* bytes, size_t size,
                            uint32_t processorKey = kPiplEntryForThisProcessor);

std::string FourCCText(uint32_t code);  // 'abcd' -> "abcd", unprintable bytes as '?'

}  // namespace frostel::hostsim

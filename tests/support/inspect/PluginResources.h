// Parsers for the two resources the host reads from a filter module: the
// plug-in property list and the scripting terminology. Both are strict: a
// block that a careless resource script could produce (odd lengths, a count
// that does not match, bytes left over) is an error with the offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteReader.h"

namespace frostel::inspect {

// ---- Property list ----

struct PiplProperty {
    uint32_t vendor = 0;
    uint32_t key = 0;
    int32_t id = 0;
    int32_t length = 0;          // always a multiple of 4
    std::vector<uint8_t> data;   // `length` bytes
    size_t offset = 0;           // of the record in the block
};

struct Pipl {
    uint16_t marker = 0;
    int32_t version = 0;
    int32_t count = 0;
    std::vector<PiplProperty> properties;

    const PiplProperty* Find(uint32_t key) const;
};

Expected<Pipl> ParsePipl(const uint8_t* data, size_t size);
inline Expected<Pipl> ParsePipl(const std::vector<uint8_t>& bytes) { return ParsePipl(bytes.data(), bytes.size()); }

// Property data decoders. Each requires the bytes after the value, up to the
// end of the data, to be zero.

// A length byte and the characters.
Expected<std::string> PiplPascalString(const PiplProperty& p);
// A zero-terminated string starting at `offset` of the data.
Expected<std::string> PiplCString(const PiplProperty& p, size_t offset = 0);

// The terminology property ('hstm').
struct PiplTerminology {
    int32_t version = 0;
    uint32_t classId = 0;
    uint32_t eventId = 0;
    int16_t terminologyId = 0;
    std::string scope;
};
Expected<PiplTerminology> ParsePiplTerminology(const PiplProperty& p);

// The filter-case property ('fici'): one record per case.
struct PiplFilterCase {
    uint8_t input = 0, output = 0, flags1 = 0, flags2 = 0;
};
Expected<std::vector<PiplFilterCase>> ParsePiplFilterCases(const PiplProperty& p);

// ---- Scripting terminology ----

struct AeteParameter {
    std::string name;
    uint32_t key = 0;
    uint32_t type = 0;
    std::string description;
    uint16_t flags = 0;
};

struct AeteEvent {
    std::string name, description;
    uint32_t eventClass = 0, eventId = 0;
    uint32_t replyType = 0;
    std::string replyDescription;
    uint16_t replyFlags = 0;
    uint32_t directType = 0;
    std::string directDescription;
    uint16_t directFlags = 0;
    std::vector<AeteParameter> parameters;
};

struct AeteSuite {
    std::string name, description;
    uint32_t id = 0;
    uint16_t level = 0, version = 0;
    std::vector<AeteEvent> events;
    // Only empty class, comparison and enumeration lists are understood.
    uint16_t classCount = 0, comparisonCount = 0, enumerationCount = 0;
};

struct Aete {
    uint16_t marker = 0;
    uint8_t majorVersion = 0, minorVersion = 0;
    uint16_t language = 0, script = 0;
    std::vector<AeteSuite> suites;
};

// Strings are a length byte and the characters, integers 16-bit, codes
// 32-bit, all little-endian and unaligned; the block must end exactly after
// the last suite.
Expected<Aete> ParseAete(const uint8_t* data, size_t size);
inline Expected<Aete> ParseAete(const std::vector<uint8_t>& bytes) { return ParseAete(bytes.data(), bytes.size()); }

}  // namespace frostel::inspect

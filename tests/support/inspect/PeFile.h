// Reads what the build and the host care about from a Windows module (PE32 or
// PE32+) held in memory: machine type, exported names, imported DLL names and
// the resource tree. Portable: works on any machine, maps nothing, runs
// nothing. Malformed input yields an error, never a read out of range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteReader.h"

namespace frostel::inspect {

enum : uint16_t {
    kMachineI386 = 0x014C,
    kMachineAmd64 = 0x8664,
};

// A resource type or name: a 16-bit id or a string.
struct ResourceId {
    bool named = false;
    uint16_t id = 0;
    std::string name;  // UTF-8; resource compilers store names upper-cased

    static ResourceId Id(uint16_t id) { return ResourceId{false, id, {}}; }
    static ResourceId Name(std::string name) { return ResourceId{true, 0, std::move(name)}; }

    // Names compare without regard to ASCII case, as the loader does.
    bool Matches(const ResourceId& other) const;
    std::string ToString() const;  // "16000" or "\"PIPL\""
};

struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    uint16_t language = 0;
    uint32_t dataRva = 0;
    uint32_t size = 0;
    size_t fileOffset = 0;  // of the data, checked to lie inside the file
};

struct PeSection {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

class PeFile {
public:
    static Expected<PeFile> Parse(std::vector<uint8_t> bytes);
    static Expected<PeFile> Load(const std::string& path);

    uint16_t Machine() const { return machine_; }
    bool IsPe32Plus() const { return pe32Plus_; }
    const std::vector<PeSection>& Sections() const { return sections_; }

    // In the order of the export name table.
    const std::vector<std::string>& ExportNames() const { return exports_; }
    bool Exports(const std::string& name) const;

    // In the order of the import directory.
    const std::vector<std::string>& ImportedDlls() const { return imports_; }

    // Every leaf of the resource tree, in directory order.
    const std::vector<ResourceEntry>& Resources() const { return resources_; }

    // The data of the first resource of that type and name (any language).
    Expected<std::vector<uint8_t>> FindResource(const ResourceId& type, const ResourceId& name) const;

private:
    PeFile() = default;

    // File offset of `rva` and how many bytes of its section's file data follow.
    bool MapRva(uint32_t rva, size_t& fileOffset, size_t& available) const;
    // Reader over `size` bytes at `rva`, inside one section's file data.
    bool ReaderAt(uint32_t rva, uint32_t size, ByteReader& out) const;
    // Reader from `rva` to the end of its section's file data.
    bool ReaderFrom(uint32_t rva, ByteReader& out) const;

    Expected<bool> ReadExports(uint32_t rva, uint32_t size);
    Expected<bool> ReadImports(uint32_t rva);
    Expected<bool> ReadResources(uint32_t rva, uint32_t size);

    std::vector<uint8_t> bytes_;
    uint16_t machine_ = 0;
    bool pe32Plus_ = false;
    std::vector<PeSection> sections_;
    std::vector<std::string> exports_;
    std::vector<std::string> imports_;
    std::vector<ResourceEntry> resources_;
};

Expected<std::vector<uint8_t>> ReadFileBytes(const std::string& path);

}  // namespace frostel::inspect

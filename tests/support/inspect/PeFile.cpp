#include "PeFile.h"

#include <fstream>
#include <iterator>

namespace frostel::inspect {

namespace {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kDirExport = 0, kDirImport = 1, kDirResource = 2;
constexpr uint32_t kHighBit = 0x80000000u;
// Bounds on what a crafted file can make us collect.
constexpr size_t kMaxImports = 4096;
constexpr size_t kMaxResources = 65536;

std::string Hex(uint64_t v) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[v & 0xF]);
        v >>= 4;
    } while (v);
    return "0x" + s;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(const std::vector<uint16_t>& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;  // unpaired surrogate
        }
        AppendUtf8(out, u);
    }
    return out;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

}  // namespace

bool ResourceId::Matches(const ResourceId& other) const {
    if (named != other.named) return false;
    if (!named) return id == other.id;
    if (name.size() != other.name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (AsciiUpper(name[i]) != AsciiUpper(other.name[i])) return false;
    return true;
}

std::string ResourceId::ToString() const {
    return named ? "\"" + name + "\"" : std::to_string(id);
}

Expected<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail("cannot open " + path);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Fail("cannot read " + path);
    return bytes;
}

Expected<PeFile> PeFile::Load(const std::string& path) {
    Expected<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes) return Fail(bytes.error());
    Expected<PeFile> pe = Parse(std::move(*bytes));
    if (!pe) return Fail(path + ": " + pe.error());
    return pe;
}

Expected<PeFile> PeFile::Parse(std::vector<uint8_t> bytes) {
    PeFile pe;
    pe.bytes_ = std::move(bytes);
    ByteReader r(pe.bytes_);

    uint16_t mz;
    uint32_t peOffset;
    if (!r.U16(mz) || mz != 0x5A4D) return Fail("no MZ header");
    if (!r.Seek(0x3C) || !r.U32(peOffset)) return Fail("DOS header truncated");

    uint32_t signature;
    uint16_t sectionCount, optionalSize;
    if (!r.Seek(peOffset) || !r.U32(signature)) return Fail("PE header offset " + Hex(peOffset) + " is past the end");
    if (signature != kPeSignature) return Fail("no PE signature at " + Hex(peOffset));
    if (!r.U16(pe.machine_) || !r.U16(sectionCount) || !r.Skip(12) || !r.U16(optionalSize) || !r.Skip(2))
        return Fail("file header truncated");

    const size_t optionalStart = r.Position();
    ByteReader opt;
    if (!r.Sub(optionalStart, optionalSize, opt)) return Fail("optional header truncated");
    uint16_t magic;
    if (!opt.U16(magic)) return Fail("optional header truncated");
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) return Fail("unknown optional header magic " + Hex(magic));
    pe.pe32Plus_ = magic == kMagicPe32Plus;

    // NumberOfRvaAndSizes sits just before the data directories.
    const size_t directoriesAt = pe.pe32Plus_ ? 112 : 96;
    uint32_t directoryCount;
    if (!opt.Seek(directoriesAt - 4) || !opt.U32(directoryCount)) return Fail("optional header truncated");
    struct Directory { uint32_t rva = 0, size = 0; } dirs[16];
    for (uint32_t i = 0; i < directoryCount && i < 16; ++i)
        if (!opt.U32(dirs[i].rva) || !opt.U32(dirs[i].size))
            return Fail("data directory " + std::to_string(i) + " lies outside the optional header");

    if (!r.Seek(optionalStart + optionalSize)) return Fail("section table truncated");
    for (uint16_t i = 0; i < sectionCount; ++i) {
        std::vector<uint8_t> rawName;
        PeSection s;
        if (!r.Bytes(8, rawName) || !r.U32(s.virtualSize) || !r.U32(s.virtualAddress) || !r.U32(s.rawSize) ||
            !r.U32(s.rawOffset) || !r.Skip(16))
            return Fail("section table truncated at section " + std::to_string(i));
        for (uint8_t c : rawName) {
            if (c == 0) break;
            s.name += char(c);
        }
        if (uint64_t(s.rawOffset) + s.rawSize > pe.bytes_.size())
            return Fail("section " + s.name + " runs past the end of the file");
        pe.sections_.push_back(s);
    }

    if (dirs[kDirExport].rva != 0) {
        Expected<bool> ok = pe.ReadExports(dirs[kDirExport].rva, dirs[kDirExport].size);
        if (!ok) return Fail(ok.error());
    }
    if (dirs[kDirImport].rva != 0) {
        Expected<bool> ok = pe.ReadImports(dirs[kDirImport].rva);
        if (!ok) return Fail(ok.error());
    }
    if (dirs[kDirResource].rva != 0) {
        Expected<bool> ok = pe.ReadResources(dirs[kDirResource].rva, dirs[kDirResource].size);
        if (!ok) return Fail(ok.error());
    }
    return pe;
}

bool PeFile::MapRva(uint32_t rva, size_t& fileOffset, size_t& available) const {
    for (const PeSection& s : sections_) {
        if (rva < s.virtualAddress) continue;
        const uint64_t delta = uint64_t(rva) - s.virtualAddress;
        if (delta >= s.rawSize) continue;
        // Section bounds were checked against the file size when they were read.
        fileOffset = size_t(s.rawOffset + delta);
        available = size_t(s.rawSize - delta);
        return true;
    }
    return false;
}

bool PeFile::ReaderFrom(uint32_t rva, ByteReader& out) const {
    size_t offset, available;
    return MapRva(rva, offset, available) && ByteReader(bytes_).Sub(offset, available, out);
}

bool PeFile::ReaderAt(uint32_t rva, uint32_t size, ByteReader& out) const {
    ByteReader rest;
    return ReaderFrom(rva, rest) && rest.Sub(0, size, out);
}

Expected<bool> PeFile::ReadExports(uint32_t rva, uint32_t /*size*/) {
    ByteReader dir;
    if (!ReaderAt(rva, 40, dir)) return Fail("export directory at " + Hex(rva) + " is outside the file");
    // NumberOfNames at 24, AddressOfNames at 32; the 40 bytes are there.
    uint32_t nameCount = 0, namesRva = 0;
    (void)(dir.Seek(24) && dir.U32(nameCount) && dir.Skip(4) && dir.U32(namesRva));
    if (nameCount == 0) return true;
    ByteReader names;
    if (uint64_t(nameCount) * 4 > UINT32_MAX || !ReaderAt(namesRva, nameCount * 4, names))
        return Fail("export name table (" + std::to_string(nameCount) + " names) is outside the file");
    for (uint32_t i = 0; i < nameCount; ++i) {
        uint32_t nameRva = 0;
        names.U32(nameRva);  // the table's size was checked above
        ByteReader text;
        std::string name;
        if (!ReaderFrom(nameRva, text) || !text.CString(name))
            return Fail("export name " + std::to_string(i) + " at " + Hex(nameRva) + " is outside the file");
        exports_.push_back(name);
    }
    return true;
}

Expected<bool> PeFile::ReadImports(uint32_t rva) {
    ByteReader dir;
    if (!ReaderFrom(rva, dir)) return Fail("import directory at " + Hex(rva) + " is outside the file");
    for (;;) {
        if (imports_.size() >= kMaxImports) return Fail("import directory has no end");
        uint32_t lookup, stamp, chain, nameRva, thunks;
        if (!dir.U32(lookup) || !dir.U32(stamp) || !dir.U32(chain) || !dir.U32(nameRva) || !dir.U32(thunks))
            return Fail("import directory runs off its section without a terminating entry");
        if (lookup == 0 && stamp == 0 && chain == 0 && nameRva == 0 && thunks == 0) return true;
        ByteReader text;
        std::string name;
        if (!ReaderFrom(nameRva, text) || !text.CString(name))
            return Fail("imported DLL name at " + Hex(nameRva) + " is outside the file");
        imports_.push_back(name);
    }
}

Expected<bool> PeFile::ReadResources(uint32_t rva, uint32_t /*size*/) {
    // Offsets inside the tree are relative to its start; the tree may use the
    // whole rest of its section.
    ByteReader tree;
    if (!ReaderFrom(rva, tree)) return Fail("resource directory at " + Hex(rva) + " is outside the file");

    // Three levels: type, name, language.
    struct Walker {
        PeFile& pe;
        const ByteReader& tree;

        bool ReadName(uint32_t field, ResourceId& id) const {
            if (!(field & kHighBit)) {
                if (field > 0xFFFF) return false;
                id = ResourceId::Id(uint16_t(field));
                return true;
            }
            ByteReader r = tree;
            uint16_t length;
            if (!r.Seek(field & ~kHighBit) || !r.U16(length)) return false;
            std::vector<uint16_t> units(length);
            for (uint16_t& u : units)
                if (!r.U16(u)) return false;
            id = ResourceId::Name(Utf16ToUtf8(units));
            return true;
        }

        Expected<bool> Walk(uint32_t offset, int level, ResourceEntry entry) {
            ByteReader dir = tree;
            uint16_t namedCount, idCount;
            if (!dir.Seek(offset) || !dir.Skip(12) || !dir.U16(namedCount) || !dir.U16(idCount))
                return Fail("resource directory at offset " + Hex(offset) + " is truncated");
            for (uint32_t i = 0; i < uint32_t(namedCount) + idCount; ++i) {
                uint32_t nameField, dataField;
                if (!dir.U32(nameField) || !dir.U32(dataField))
                    return Fail("resource directory at offset " + Hex(offset) + " is truncated");
                ResourceId id;
                if (!ReadName(nameField, id))
                    return Fail("resource entry name " + Hex(nameField) + " is malformed or outside the file");
                const bool isDirectory = (dataField & kHighBit) != 0;
                if (level < 2) {
                    if (!isDirectory) return Fail("resource tree has data at level " + std::to_string(level));
                    (level == 0 ? entry.type : entry.name) = id;
                    Expected<bool> ok = Walk(dataField & ~kHighBit, level + 1, entry);
                    if (!ok) return ok;
                    continue;
                }
                if (isDirectory) return Fail("resource tree is deeper than type, name and language");
                if (id.named) return Fail("resource language is a name");
                if (pe.resources_.size() >= kMaxResources) return Fail("too many resources");
                ByteReader data = tree;
                ResourceEntry leaf = entry;
                leaf.language = id.id;
                if (!data.Seek(dataField) || !data.U32(leaf.dataRva) || !data.U32(leaf.size))
                    return Fail("resource data entry at offset " + Hex(dataField) + " is truncated");
                size_t fileOffset, available;
                if (!pe.MapRva(leaf.dataRva, fileOffset, available) || leaf.size > available)
                    return Fail("resource " + leaf.type.ToString() + "/" + leaf.name.ToString() + " data at " +
                                Hex(leaf.dataRva) + " (" + std::to_string(leaf.size) + " bytes) is outside the file");
                leaf.fileOffset = fileOffset;
                pe.resources_.push_back(leaf);
            }
            return true;
        }
    };
    Walker walker{*this, tree};
    return walker.Walk(0, 0, ResourceEntry{});
}

bool PeFile::Exports(const std::string& name) const {
    for (const std::string& e : exports_)
        if (e == name) return true;
    return false;
}

Expected<std::vector<uint8_t>> PeFile::FindResource(const ResourceId& type, const ResourceId& name) const {
    for (const ResourceEntry& e : resources_) {
        if (!e.type.Matches(type) || !e.name.Matches(name)) continue;
        return std::vector<uint8_t>(bytes_.begin() + e.fileOffset, bytes_.begin() + e.fileOffset + e.size);
    }
    return Fail("no resource " + type.ToString() + "/" + name.ToString());
}

}  // namespace frostel::inspect

#include "PluginResources.h"

namespace frostel::inspect {

namespace {

constexpr size_t kPropertyHeaderSize = 16;

std::string At(size_t offset) { return " at offset " + std::to_string(offset); }

ByteReader DataReader(const PiplProperty& p) { return ByteReader(p.data); }

}  // namespace

const PiplProperty* Pipl::Find(uint32_t key) const {
    for (const PiplProperty& p : properties)
        if (p.key == key) return &p;
    return nullptr;
}

Expected<Pipl> ParsePipl(const uint8_t* data, size_t size) {
    ByteReader r(data, size);
    Pipl pipl;
    if (!r.U16(pipl.marker) || !r.I32(pipl.version) || !r.I32(pipl.count))
        return Fail("property list header truncated (" + std::to_string(size) + " bytes)");
    if (pipl.count < 0) return Fail("negative property count " + std::to_string(pipl.count));
    if (size_t(pipl.count) > r.Remaining() / kPropertyHeaderSize)
        return Fail("property count " + std::to_string(pipl.count) + " does not fit in " +
                    std::to_string(r.Remaining()) + " bytes");

    for (int32_t i = 0; i < pipl.count; ++i) {
        PiplProperty p;
        p.offset = r.Position();
        const std::string where = "property " + std::to_string(i + 1) + At(p.offset);
        if (!r.U32(p.vendor) || !r.U32(p.key) || !r.I32(p.id) || !r.I32(p.length))
            return Fail(where + ": header truncated");
        if (p.length < 0) return Fail(where + " (" + FourCCString(p.key) + "): negative length");
        if (p.length % 4 != 0)
            return Fail(where + " (" + FourCCString(p.key) + "): length " + std::to_string(p.length) +
                        " is not a multiple of 4");
        if (!r.Bytes(size_t(p.length), p.data))
            return Fail(where + " (" + FourCCString(p.key) + "): " + std::to_string(p.length) +
                        " data bytes but only " + std::to_string(r.Remaining()) + " left");
        pipl.properties.push_back(std::move(p));
    }
    if (!r.AtEnd())
        return Fail(std::to_string(r.Remaining()) + " bytes left over after the last property" + At(r.Position()));
    return pipl;
}

Expected<std::string> PiplPascalString(const PiplProperty& p) {
    ByteReader r = DataReader(p);
    std::string text;
    if (!r.PascalString(text)) return Fail(FourCCString(p.key) + ": string runs past the property data");
    if (!r.RestIsZero()) return Fail(FourCCString(p.key) + ": padding after the string is not zero");
    return text;
}

Expected<std::string> PiplCString(const PiplProperty& p, size_t offset) {
    ByteReader r = DataReader(p);
    std::string text;
    if (!r.Seek(offset) || !r.CString(text))
        return Fail(FourCCString(p.key) + ": no terminated string" + At(offset) + " of the property data");
    if (!r.RestIsZero()) return Fail(FourCCString(p.key) + ": padding after the string is not zero");
    return text;
}

Expected<PiplTerminology> ParsePiplTerminology(const PiplProperty& p) {
    ByteReader r = DataReader(p);
    PiplTerminology t;
    if (!r.I32(t.version) || !r.U32(t.classId) || !r.U32(t.eventId) || !r.I16(t.terminologyId))
        return Fail(FourCCString(p.key) + ": terminology property truncated");
    Expected<std::string> scope = PiplCString(p, r.Position());
    if (!scope) return Fail(scope.error());
    t.scope = *scope;
    return t;
}

Expected<std::vector<PiplFilterCase>> ParsePiplFilterCases(const PiplProperty& p) {
    ByteReader r = DataReader(p);
    std::vector<PiplFilterCase> cases;
    while (!r.AtEnd()) {
        PiplFilterCase c;
        if (!r.U8(c.input) || !r.U8(c.output) || !r.U8(c.flags1) || !r.U8(c.flags2))
            return Fail(FourCCString(p.key) + ": filter-case record truncated");
        cases.push_back(c);
    }
    return cases;
}

Expected<Aete> ParseAete(const uint8_t* data, size_t size) {
    ByteReader r(data, size);
    Aete aete;
    auto truncated = [&](const std::string& what) { return Fail(what + " truncated" + At(r.Position())); };

    uint16_t suiteCount;
    if (!r.U16(aete.marker) || !r.U8(aete.majorVersion) || !r.U8(aete.minorVersion) || !r.U16(aete.language) ||
        !r.U16(aete.script) || !r.U16(suiteCount))
        return truncated("terminology header");

    for (uint16_t s = 0; s < suiteCount; ++s) {
        AeteSuite suite;
        const std::string suiteName = "suite " + std::to_string(s + 1);
        uint16_t eventCount;
        if (!r.PascalString(suite.name) || !r.PascalString(suite.description) || !r.U32(suite.id) ||
            !r.U16(suite.level) || !r.U16(suite.version) || !r.U16(eventCount))
            return truncated(suiteName);

        for (uint16_t e = 0; e < eventCount; ++e) {
            AeteEvent event;
            const std::string eventName = suiteName + " event " + std::to_string(e + 1);
            uint16_t parameterCount;
            if (!r.PascalString(event.name) || !r.PascalString(event.description) || !r.U32(event.eventClass) ||
                !r.U32(event.eventId) || !r.U32(event.replyType) || !r.PascalString(event.replyDescription) ||
                !r.U16(event.replyFlags) || !r.U32(event.directType) || !r.PascalString(event.directDescription) ||
                !r.U16(event.directFlags) || !r.U16(parameterCount))
                return truncated(eventName);

            for (uint16_t i = 0; i < parameterCount; ++i) {
                AeteParameter param;
                if (!r.PascalString(param.name) || !r.U32(param.key) || !r.U32(param.type) ||
                    !r.PascalString(param.description) || !r.U16(param.flags))
                    return truncated(eventName + " parameter " + std::to_string(i + 1));
                event.parameters.push_back(std::move(param));
            }
            suite.events.push_back(std::move(event));
        }

        if (!r.U16(suite.classCount) || !r.U16(suite.comparisonCount) || !r.U16(suite.enumerationCount))
            return truncated(suiteName + " class, comparison and enumeration counts");
        if (suite.classCount != 0 || suite.comparisonCount != 0 || suite.enumerationCount != 0)
            return Fail(suiteName + ": classes, comparison operators and enumerations are not supported (counts " +
                        std::to_string(suite.classCount) + ", " + std::to_string(suite.comparisonCount) + ", " +
                        std::to_string(suite.enumerationCount) + ")");
        aete.suites.push_back(std::move(suite));
    }
    if (!r.AtEnd())
        return Fail(std::to_string(r.Remaining()) + " bytes left over after the terminology" + At(r.Position()));
    return aete;
}

}  // namespace frostel::inspect

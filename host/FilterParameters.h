// The filter's two host-kept records and the table of its 47 scriptable
// parameters. The table's order is the order of the scripting terminology,
// of every descriptor read and write and of the preset file lines.
#pragma once

#include <cstddef>
#include <cstdint>

struct __Triangle3ds;
struct __Point3ds;

namespace frostel {

// Lives in the host's parameter handle (256 bytes); only this process reads
// it as raw memory.
struct FilterParameters {
    // Window placement.
    int32_t dialogLeft, dialogTop, dialogWidth, dialogHeight;
    int32_t curveLeft, curveTop, curveInteractive;

    uint8_t EmTp;
    uint32_t BkCl;
    uint8_t* bumpTexture;  // process-local cache
    uint8_t RndM, MskK, PtrK, GrwD;
    uint32_t RndS;
    float MnIn;
    uint32_t MxIt, MxTr;
    float Wdth, Lngh, Comp, CmDs, Dspr, LsID, PLen, PWid, InDp, Scle;

    // Process-local geometry cache.
    uint8_t geometryDirty;
    int32_t cachedTriangleCount, cachedPointCount;
    __Triangle3ds* cachedTriangles;
    __Point3ds* cachedPoints;

    uint32_t Diff, Spec;
    float Shin, ShSt, SlIl, Trns, BmpP, Rfrc, Keff, Abbr;
    uint32_t LgCl;
    float LgAl, LgBt, LgMt;
    uint8_t UsBk, AlpC, UsGl, EfKn;
    float Turn, Trn1;
    uint32_t MxT1;
    float CtnX, CtnY, RttX, Alph, Beta;
    uint32_t Colr;
};
constexpr int32_t kParametersHandleSize = 256;
static_assert(sizeof(FilterParameters) <= kParametersHandleSize, "parameter record outgrew its handle");

// Lives behind the host's data slot (20 bytes).
struct FilterData {
    int16_t previewTop, previewLeft, previewBottom, previewRight;
    uint8_t showDialog;
};
constexpr int32_t kDataHandleSize = 20;
static_assert(sizeof(FilterData) <= kDataHandleSize, "data record outgrew its handle");

enum class FieldType : uint8_t { U8, U32, F32 };

struct ParameterKey {
    uint32_t key;        // four-character code, first character in the high byte
    const char* name;    // scripting name
    size_t offset;       // field in FilterParameters
    FieldType field;
    double defaultValue;

    // Integer fields travel as descriptor integers ('long'), floats as doubles ('doub').
    bool isFloat() const { return field == FieldType::F32; }
};

constexpr int kParameterCount = 47;
extern const ParameterKey ParameterKeys[kParameterCount];

const ParameterKey* FindParameter(uint32_t key);

// Field access by table entry. Integers are truncated to the field's width on
// store, floats narrowed to 32 bits.
int64_t GetIntegerField(const FilterParameters& p, const ParameterKey& k);
double GetFloatField(const FilterParameters& p, const ParameterKey& k);
void SetIntegerField(FilterParameters& p, const ParameterKey& k, int64_t value);
void SetFloatField(FilterParameters& p, const ParameterKey& k, double value);

// Factory values.
void ApplyWindowPlacementDefaults(FilterParameters& p);
void ApplyParameterDefaults(FilterParameters& p);  // also marks the geometry dirty and drops the bump cache

}  // namespace frostel

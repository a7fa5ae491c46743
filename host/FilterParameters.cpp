#include "FilterParameters.h"

#include <cstring>

#include "HostInterface.h"

namespace frostel {

using pi::FourCC;

#define FIELD(f) offsetof(FilterParameters, f)
const ParameterKey ParameterKeys[kParameterCount] = {
    {FourCC("BkCl"), "Background Color", FIELD(BkCl), FieldType::U32, 0},
    {FourCC("EmTp"), "Emitter Type", FIELD(EmTp), FieldType::U8, 2},
    {FourCC("CtnX"), "Center X", FIELD(CtnX), FieldType::F32, 0.0},
    {FourCC("CtnY"), "Center Y", FIELD(CtnY), FieldType::F32, 0.0},
    {FourCC("RndM"), "RenderMode", FIELD(RndM), FieldType::U8, 5},
    {FourCC("MskK"), "MaskKind", FIELD(MskK), FieldType::U8, 5},
    {FourCC("PtrK"), "PatternKind", FIELD(PtrK), FieldType::U8, 3},
    {FourCC("GrwD"), "GrowDirect", FIELD(GrwD), FieldType::U8, 1},
    {FourCC("RndS"), "RandomSeed", FIELD(RndS), FieldType::U32, 0},
    {FourCC("MnIn"), "MinInterval", FIELD(MnIn), FieldType::F32, 25.0},
    {FourCC("MxIt"), "MaxIterations", FIELD(MxIt), FieldType::U32, 3},
    {FourCC("MxTr"), "MaxTriangles", FIELD(MxTr), FieldType::U32, 3},
    {FourCC("Wdth"), "Width", FIELD(Wdth), FieldType::F32, 80.0},
    {FourCC("Lngh"), "Lenght", FIELD(Lngh), FieldType::F32, 12.0},
    {FourCC("Comp"), "Completance", FIELD(Comp), FieldType::F32, 100.0},
    {FourCC("CmDs"), "CompletanceDist", FIELD(CmDs), FieldType::F32, 100.0},
    {FourCC("Dspr"), "Dispers", FIELD(Dspr), FieldType::F32, 12.5},
    {FourCC("LsID"), "LoseInitDir", FIELD(LsID), FieldType::F32, 15.0},
    {FourCC("PLen"), "PLenght", FIELD(PLen), FieldType::F32, 10.0},
    {FourCC("PWid"), "PWidth", FIELD(PWid), FieldType::F32, 10.0},
    {FourCC("InDp"), "IntervDepend", FIELD(InDp), FieldType::F32, 0.0},
    {FourCC("Scle"), "Scale", FIELD(Scle), FieldType::F32, 100.0},
    {FourCC("Diff"), "Diffuse", FIELD(Diff), FieldType::U32, 0xC0C0C0},
    {FourCC("Spec"), "Speculare", FIELD(Spec), FieldType::U32, 0xFFFFFF},
    {FourCC("Shin"), "Shininess", FIELD(Shin), FieldType::F32, 15.0},
    {FourCC("ShSt"), "Shinstrength", FIELD(ShSt), FieldType::F32, 100.0},
    {FourCC("SlIl"), "SelfIllumination", FIELD(SlIl), FieldType::F32, 10.0},
    {FourCC("Trns"), "Transparancy", FIELD(Trns), FieldType::F32, 0.0},
    {FourCC("BmpP"), "BumpPercent", FIELD(BmpP), FieldType::F32, 20.0},
    {FourCC("Rfrc"), "Refraction", FIELD(Rfrc), FieldType::F32, -50.0},
    {FourCC("Keff"), "Koefficient", FIELD(Keff), FieldType::F32, 75.0},
    {FourCC("Abbr"), "Aberration", FIELD(Abbr), FieldType::F32, 20.0},
    {FourCC("LgCl"), "LightColor", FIELD(LgCl), FieldType::U32, 0xFFFFFF},
    {FourCC("LgAl"), "LightAlpha", FIELD(LgAl), FieldType::F32, 0.0},
    {FourCC("LgBt"), "LightBeta", FIELD(LgBt), FieldType::F32, 45.0},
    {FourCC("LgMt"), "LightMultiplay", FIELD(LgMt), FieldType::F32, 100.0},
    {FourCC("UsBk"), "UseBackLight", FIELD(UsBk), FieldType::U8, 1},
    {FourCC("AlpC"), "AlphaCut", FIELD(AlpC), FieldType::U8, 0},
    {FourCC("UsGl"), "UseGlass", FIELD(UsGl), FieldType::U8, 1},
    {FourCC("EfKn"), "EffectKind", FIELD(EfKn), FieldType::U8, 2},
    {FourCC("Turn"), "Turn", FIELD(Turn), FieldType::F32, 270.0},
    {FourCC("Trn1"), "Turn1", FIELD(Trn1), FieldType::F32, 180.0},
    {FourCC("MxT1"), "MaxTriangles1", FIELD(MxT1), FieldType::U32, 15},
    {FourCC("RttX"), "RotateX", FIELD(RttX), FieldType::F32, 0.0},
    {FourCC("Alph"), "Alpha", FIELD(Alph), FieldType::F32, 0.0},
    {FourCC("Beta"), "Beta", FIELD(Beta), FieldType::F32, 45.0},
    {FourCC("Colr"), "Color", FIELD(Colr), FieldType::U32, 0x00FFFF},
};
#undef FIELD

const ParameterKey* FindParameter(uint32_t key) {
    for (const ParameterKey& k : ParameterKeys)
        if (k.key == key) return &k;
    return nullptr;
}

namespace {
uint8_t* FieldAt(FilterParameters& p, const ParameterKey& k) {
    return reinterpret_cast<uint8_t*>(&p) + k.offset;
}
const uint8_t* FieldAt(const FilterParameters& p, const ParameterKey& k) {
    return reinterpret_cast<const uint8_t*>(&p) + k.offset;
}
}  // namespace

int64_t GetIntegerField(const FilterParameters& p, const ParameterKey& k) {
    const uint8_t* f = FieldAt(p, k);
    switch (k.field) {
        case FieldType::U8: return *f;
        case FieldType::U32: { uint32_t v; std::memcpy(&v, f, 4); return v; }
        case FieldType::F32: { float v; std::memcpy(&v, f, 4); return int64_t(v); }
    }
    return 0;
}

double GetFloatField(const FilterParameters& p, const ParameterKey& k) {
    if (k.field != FieldType::F32) return double(GetIntegerField(p, k));
    float v;
    std::memcpy(&v, FieldAt(p, k), 4);
    return v;
}

void SetIntegerField(FilterParameters& p, const ParameterKey& k, int64_t value) {
    uint8_t* f = FieldAt(p, k);
    switch (k.field) {
        case FieldType::U8: *f = uint8_t(value); break;
        case FieldType::U32: { uint32_t v = uint32_t(value); std::memcpy(f, &v, 4); break; }
        case FieldType::F32: { float v = float(value); std::memcpy(f, &v, 4); break; }
    }
}

void SetFloatField(FilterParameters& p, const ParameterKey& k, double value) {
    if (k.field != FieldType::F32) {
        SetIntegerField(p, k, int64_t(value));
        return;
    }
    float v = float(value);
    std::memcpy(FieldAt(p, k), &v, 4);
}

void ApplyWindowPlacementDefaults(FilterParameters& p) {
    p.dialogLeft = 100;
    p.dialogTop = 100;
    p.dialogWidth = 828;
    p.dialogHeight = 602;
    p.curveLeft = 400;
    p.curveTop = 300;
    p.curveInteractive = 0;
}

void ApplyParameterDefaults(FilterParameters& p) {
    p.geometryDirty = 1;
    p.bumpTexture = nullptr;
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat())
            SetFloatField(p, k, k.defaultValue);
        else
            SetIntegerField(p, k, int64_t(k.defaultValue));
    }
}

}  // namespace frostel

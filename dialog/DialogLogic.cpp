#include "DialogLogic.h"

#include <algorithm>
#include <cmath>
#include <cfloat>
#include <cstdio>
#include <cstdlib>

#include "WidgetMath.h"

namespace frostel::dialog {

namespace {
constexpr uint32_t K(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}
}  // namespace

int PreviewMarginForDpi(int dpi) {
    if (dpi == 96) return 0;
    if (dpi < 120) return 15;
    if (dpi < 144) return 20;
    if (dpi < 216) return 30;
    return 40;
}

Size MinimumDialogSize(int dpi) {
    if (dpi < 120) return {990, 703};
    if (dpi < 144) return {1160, 828};
    if (dpi < 216) return {1390, 985};
    return {1400, 1000};
}

Size RotationDialForDpi(int dpi) {
    if (dpi < 120) return {70, 4};
    if (dpi < 144) return {84, 6};
    if (dpi < 216) return {104, 8};
    return {136, 10};
}

int RotationFieldWidth(int side) { return side * 4 / 5; }

int ScaledFontHeight(int height, int dpi, bool linear) {
    if (linear) return dpi == 96 || dpi <= 0 ? height : int(float(height) * float(dpi) / 96.0f);
    if (dpi <= 96) return height;
    return int(float(height) * std::sqrt(float(dpi) / 96.0f));
}

int RoundUpToFour(int v) { return v <= 0 ? 0 : (v + 3) / 4 * 4; }

DialogLayout ComputeLayout(int w, int h, int left, int top, int pageWidth, int smallCaption, bool haveTabs) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    auto nn = [](int v) { return std::max(v, 0); };
    DialogLayout l{};
    l.headerFillWidth = nn(w - 571);
    l.headerRight = {w - 99, 0, 99, 46};
    l.helpButton = {w - 69, 17, 42, 17};
    l.previewBottom = h - 79;
    l.previewRight = std::max(left, w - pageWidth - 21);
    l.previewWidth = RoundUpToFour(l.previewRight - left);
    l.preview = {left + 5, top, l.previewWidth, nn(h - 79 - top)};
    const int right = l.previewRight;
    l.tabs = {right + 16, 50, nn(pageWidth), nn(h - 59)};
    if (haveTabs)
        l.page = {right + 17, 0, nn(pageWidth - 3), nn(h - 64 - smallCaption - 1)};
    else
        l.page = {right + 16, 0, nn(pageWidth - 1), nn(h - 60 - smallCaption - 1)};
    const int half = (right - left) / 2;
    const int c = left + half;
    l.ok = {c + 91, h - 37, 89, 22};
    l.cancel = {c - 180, h - 37, 89, 22};
    l.zoomIn = {c + 28, h - 37, 29, 22};
    l.zoomOut = {c - 57, h - 37, 29, 22};
    // Wider and taller than the Part's 30 x 12: "100%" in the panel font at any dpi.
    l.scaleText = {c - 26, h - 35, 52, 18};
    l.progress = {left + 24, h - 57, nn(2 * half - 48), 10};
    l.navigator = {left + 5, h - 45, 72, 42};
    return l;
}

float ZoomAfter(ZoomCommand c, const ZoomState& z) {
    const float top = std::max(z.fitScale - 1.0f, 0.0f);
    switch (c) {
        case ZoomCommand::In: return std::min(z.level + 1.0f, top);
        case ZoomCommand::Out: return std::max(z.level - 1.0f, 0.0f);
        case ZoomCommand::Fit: return 0.0f;
        case ZoomCommand::One: return -1.0f;
    }
    return z.level;
}

bool ZoomInAllowed(const ZoomState& z) { return z.level >= 0.0f && z.level < z.fitScale - 1.0f; }
bool ZoomOutAllowed(const ZoomState& z) { return z.level > 0.0f; }

std::string ScaleText(float scale) {
    if (!(scale > 0.0f)) return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", int(100.0f / scale));
    return text;
}

int FlatEffectIndex(int kind, int pattern) {
    int i = 0;
    if (kind == 1) i = pattern - 1;
    else if (kind == 2) i = pattern + 2;
    else if (kind == 3) i = pattern + 5;
    return std::clamp(i, 0, kEffectChoices - 1);
}

void EffectFromIndex(int i, uint8_t* kind, uint8_t* pattern) {
    i = std::clamp(i, 0, kEffectChoices - 1);
    if (i < 3) *kind = 1, *pattern = uint8_t(i + 1);
    else if (i < 6) *kind = 2, *pattern = uint8_t(i - 2);
    else *kind = 3, *pattern = uint8_t(i - 5);
}

KindEnabling KindControls(int flatIndex, int emitterType) {
    static const bool kRows[5][kKindColumns] = {
        {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0},
        {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0},
        {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0},
        {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1},
    };
    const int i = std::clamp(flatIndex, 0, kEffectChoices - 1);
    const int row = i < 3 ? 0 : i == 3 ? 1 : i < 6 ? 2 : i < 8 ? 3 : 4;
    KindEnabling e{};
    for (int c = 0; c < kKindColumns; ++c) e.column[size_t(c)] = kRows[row][c];
    if (emitterType != 2) {
        e.column[kColMaskKind] = false;
        e.column[kColGrowDirect] = true;
    }
    e.rotationDial = i >= 6;
    return e;
}

EmitterEnabling EmitterControls(int flatIndex, bool documentHasPath) {
    if (std::clamp(flatIndex, 0, kEffectChoices - 1) >= 6) return {false, false, false};
    return {documentHasPath, true, true};
}

bool BackgroundSwatchEnabled(bool alphaCut, int planes, bool cmyk) {
    return alphaCut && planes < (cmyk ? 5 : 4);
}

const SpinSpec kGeometrySpins[17] = {
    {1018, 1013, "Random Seed", 0, 100, 0, 300, true, false, 0, K("RndS"),
     "Initial state of random numbers generator", kColSeed},
    {2961, 1060, "Density", 1, 100, 1, 300, true, false, 25, K("MnIn"), "Minimal interval between ice elements",
     kColDensity},
    {2965, 1064, "Max Iterations", 2, 6, 2, 10, true, true, 3, K("MxIt"), "Maximal posible namber of iterations",
     kColMaxIterations},
    {2966, 1065, "Max Triangles", 1, 15, 1, 30, true, true, 3, K("MxTr"),
     "Maximal posible namber of triangles in each branch", -1},
    {2960, 1059, "Width", 1, 150, 1, 300, true, false, 80, K("Wdth"), "Average width of triangles", -1},
    {2959, 1058, "Length", 0, 35, 0, 70, true, false, 12, K("Lngh"), "Average length of triangles", -1},
    {2963, 1062, "Completeness", 0, 100, 0, 100, false, false, 100, K("Comp"), "How Frostels covers the given path",
     kColCompleteness},
    {2964, 1063, "Complet Dist", 0, 100, 0, 100, false, false, 100, K("CmDs"),
     "How Frostels grows up during the path covering", kColCompletDist},
    {2973, 1072, "Dispersion", 0, 100, 0, 200, true, false, 12.5f, K("Dspr"), "Dispersion for different parameters",
     kColDispersion},
    {2974, 1073, "Lose Direct", 0, 100, 0, 200, true, false, 15, K("LsID"), "The random losing of initial direction",
     kColLoseDirect},
    {2968, 1067, "Prop. Width", -100, 100, -200, 200, true, false, 10, K("PWid"),
     "How triangles width change during growing", kColPropWidth},
    {2969, 1068, "Prop. Length", -100, 100, -200, 200, true, false, 10, K("PLen"),
     "How triangles lenght change during growing", kColPropLength},
    {2962, 1061, "Interv Depend", -100, 100, -200, 200, true, false, 0, K("InDp"),
     "How triangles depend on intervals between brunches", kColIntervDepend},
    {1003, 1071, "Scale", 10, 150, 5, 200, true, false, 100, K("Scle"), "Scale of Frostel scene", -1},
    {2967, 1066, "Max Triangles 2", 10, 40, 10, 40, false, true, 15, K("MxT1"),
     "Maximal posible namber of triangles in each subbranch", kColMaxTriangles2},
    {2970, 1069, "Turn 1", -360, 360, -360, 360, false, false, 270, K("Turn"), "Declination of Ice branch", kColTurn1},
    {2971, 1070, "Turn 2", -360, 360, -360, 360, false, false, 180, K("Trn1"), "Second declination of Ice branch",
     kColTurn2},
};

const SpinSpec kMaterialSpins[9] = {
    {1248, 1249, "Material Shininess", 0, 150, 0, 300, true, false, 15, K("Shin"), "Shininess of material", -1},
    {1246, 1247, "Shine Strength", 0, 500, 0, 999, true, false, 100, K("ShSt"), "Shine strength of material", -1},
    {1250, 1251, "Self Illumination", 0, 150, 0, 300, true, false, 10, K("SlIl"), "Self illumination of material",
     -1},
    {1254, 1255, "Transparency", 0, 100, 0, 100, false, false, 0, K("Trns"), "Transparency of material", -1},
    {1252, 1253, "Material Bump", -200, 200, -300, 300, true, false, 20, K("BmpP"),
     "Value of bump on material surface", -1},
    {1256, 1257, "Refraction", -100, 100, -200, 200, true, false, -50, K("Rfrc"), "Refraction of glass", -1},
    {1258, 1259, "Optical Coefficient", -100, 100, -200, 200, true, false, 75, K("Keff"), "Optical coefficient of glass",
     -1},
    {1260, 1261, "Aberration", 0, 100, 0, 200, true, false, 20, K("Abbr"), "Chromatic aberration", -1},
    {1263, 1264, "Light Strength", 0, 150, 0, 300, true, false, 100, K("LgMt"), "Value of light", -1},
};

float SpinParameter(const FilterParameters& p, const SpinSpec& s) {
    const ParameterKey* k = FindParameter(s.key);
    if (k == nullptr) return 0.0f;
    return k->isFloat() ? float(GetFloatField(p, *k)) : float(GetIntegerField(p, *k));
}

void StoreSpinParameter(FilterParameters& p, const SpinSpec& s, float value) {
    const ParameterKey* k = FindParameter(s.key);
    if (k == nullptr || !std::isfinite(value)) return;
    if (k->isFloat()) SetFloatField(p, *k, value);
    else SetIntegerField(p, *k, int64_t(std::trunc(value)));
}

bool TypedCentre(const char* text, float stored, float* out) {
    if (text == nullptr) return false;
    // Read as atof reads ("abc" is 0), but "nan", "inf" and overflows are refused.
    const double typed = std::strtod(text, nullptr);
    if (!std::isfinite(typed) || std::fabs(typed) > double(FLT_MAX)) return false;
    const float v = std::clamp(float(typed), -100.0f, 100.0f);
    if (v == stored) return false;
    *out = v;
    return true;
}

std::string CentreText(float value) { return widgets::FormatWidgetNumber(value, false); }

ParameterSnapshot TakeSnapshot(const FilterParameters& p) {
    ParameterSnapshot s;
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterKey& k = ParameterKeys[i];
        s.values[size_t(i)] = k.isFloat() ? GetFloatField(p, k) : double(GetIntegerField(p, k));
    }
    return s;
}

void RestoreSnapshot(FilterParameters& p, const ParameterSnapshot& s) {
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterKey& k = ParameterKeys[i];
        if (k.isFloat()) SetFloatField(p, k, s.values[size_t(i)]);
        else SetIntegerField(p, k, int64_t(s.values[size_t(i)]));
    }
    p.geometryDirty = 1;
}

ModuleFolders FoldersFromModulePath(const std::string& path) {
    ModuleFolders f;
    const size_t slash = path.find_last_of('\\');
    f.moduleDir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string own = f.moduleDir + "Frostel";
    f.helpFolder = own + "\\Help\\";
    f.presetFolder = own + "\\Presets\\";
    return f;
}

namespace {

// Placement arithmetic: 32-bit inputs, 64-bit sums.
struct Area64 {
    int64_t left, top, right, bottom;
    int64_t width() const { return right - left; }
    int64_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool holds(int64_t x, int64_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Area64 Widen(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// In doubles: two 33-bit spans multiply past 64 bits.
double Overlap(const Area64& a, const Area64& b) {
    const int64_t w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const int64_t h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? double(w) * double(h) : 0.0;
}

double DistanceSquared(int64_t x, int64_t y, const Area64& b) {
    const double dx = double(x < b.left ? b.left - x : (x >= b.right ? x - b.right + 1 : 0));
    const double dy = double(y < b.top ? b.top - y : (y >= b.bottom ? y - b.bottom + 1 : 0));
    return dx * dx + dy * dy;
}

// Every pixel of r on some area: cut r at every area edge inside it; each
// cell then lies wholly inside an area or wholly outside all of them.
bool Covered(const Area64& r, const std::vector<Area64>& areas) {
    if (r.empty()) return false;
    std::vector<int64_t> xs{r.left, r.right}, ys{r.top, r.bottom};
    for (const Area64& a : areas) {
        for (int64_t x : {a.left, a.right})
            if (x > r.left && x < r.right) xs.push_back(x);
        for (int64_t y : {a.top, a.bottom})
            if (y > r.top && y < r.bottom) ys.push_back(y);
    }
    for (std::vector<int64_t>* v : {&xs, &ys}) {
        std::sort(v->begin(), v->end());
        v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    for (size_t i = 0; i + 1 < xs.size(); ++i)
        for (size_t j = 0; j + 1 < ys.size(); ++j) {
            bool on = false;
            for (const Area64& a : areas) on = on || a.holds(xs[i], ys[j]);
            if (!on) return false;
        }
    return true;
}

std::vector<Area64> UsableAreas(const std::vector<Rect>& rects) {
    std::vector<Area64> areas;
    for (const Rect& r : rects)
        if (!Widen(r).empty()) areas.push_back(Widen(r));
    return areas;
}

}  // namespace

bool CoveredByAreas(const Rect& r, const std::vector<Rect>& areas) { return Covered(Widen(r), UsableAreas(areas)); }

Rect ChoosePlacement(const StoredPlacement& stored, const std::vector<Rect>& workAreas, const Rect& host,
                     Size minimum) {
    const int64_t minW = std::max(minimum.width, 1), minH = std::max(minimum.height, 1);
    const Area64 around = Widen(host);
    std::vector<Area64> areas = UsableAreas(workAreas);
    if (areas.empty()) areas.push_back(around.empty() ? Area64{0, 0, minW, minH} : around);

    // No size stored (or a nonsense one): no place either.
    const bool sized = stored.width > 0 && stored.height > 0;
    int64_t w = std::max<int64_t>(stored.width, minW), h = std::max<int64_t>(stored.height, minH);
    int64_t x = stored.left, y = stored.top;
    const Area64 wanted{x, y, x + w, y + h};
    if (sized && Covered(wanted, areas)) return {int(x), int(y), int(x + w), int(y + h)};

    const Area64* area = nullptr;
    double most = 0;
    for (const Area64& a : areas) {
        const double o = sized ? Overlap(wanted, a) : 0.0;
        if (o > most) most = o, area = &a;
    }
    if (area == nullptr) {
        // Off every screen (a monitor that is gone) or never placed: centred
        // on the host, on the screen nearest it.
        const Area64& centre = around.empty() ? areas.front() : around;
        x = centre.left + (centre.width() - w) / 2;
        y = centre.top + (centre.height() - h) / 2;
        const int64_t cx = centre.left + centre.width() / 2, cy = centre.top + centre.height() / 2;
        for (const Area64& a : areas)
            if (area == nullptr || DistanceSquared(cx, cy, a) < DistanceSquared(cx, cy, *area)) area = &a;
    }
    w = std::min(w, area->width());
    h = std::min(h, area->height());
    x = std::clamp(x, area->left, area->right - w);
    y = std::clamp(y, area->top, area->bottom - h);
    return {int(x), int(y), int(x + w), int(y + h)};
}

NavigatorImage ComposeNavigator(const uint8_t* rgba, int width, int height, int boxW, int boxH) {
    NavigatorImage n;
    if (rgba == nullptr || width <= 0 || height <= 0 || boxW <= 0 || boxH <= 0) return n;
    float s = std::min(float(boxW) / float(width), float(boxH) / float(height));
    if (s > 1.0f || s <= 0.0f) s = 1.0f;
    n.scale = s;
    n.width = int(float(width) * s) / 4 * 4;
    n.height = int(float(height) * s);
    if (n.width <= 0 || n.height <= 0) return NavigatorImage{};
    const size_t rowBytes = (size_t(n.width) * 3 + 3) / 4 * 4;
    n.bgr.assign(rowBytes * size_t(n.height), 0);
    for (int y = 0; y < n.height; ++y) {
        const int sy = std::min(int(float(y) / s), height - 1);
        uint8_t* d = n.bgr.data() + rowBytes * size_t(n.height - 1 - y);
        for (int x = 0; x < n.width; ++x, d += 3) {
            const int sx = std::min(int(float(x) / s), width - 1);
            const uint8_t* p = rgba + (size_t(sy) * size_t(width) + size_t(sx)) * 4;
            const float a = float(p[3]) / 255.0f;
            bool light = (x / 15) % 2 == 0;
            if ((y / 15) % 2 == 1) light = !light;
            const float grey = light ? 255.0f : 204.0f;
            for (int c = 0; c < 3; ++c) d[2 - c] = uint8_t(float(p[c]) * a + std::trunc(grey * (1.0f - a)));
        }
    }
    return n;
}

}  // namespace frostel::dialog

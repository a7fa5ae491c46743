// The filter dialog's decisions that need no window: screen bands, layout,
// zoom state, the effect-kind table and the enabling rules, the spin-edit
// set-up tables, centre-field input, the parameter snapshot, the module's
// folders and the navigator's picture.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FilterParameters.h"

namespace frostel::dialog {

// ---- Screen bands ------------------------------------------------------------
// Pixels the preview's left edge moves left of its template place.
int PreviewMarginForDpi(int dpi);
struct Size {
    int width, height;
};
Size MinimumDialogSize(int dpi);
// The rotation dial's side and its inner margin, in the Part's dpi bands. The
// sides are larger than the Part's 50, 60, 80 and 100 pixels: the value field
// in the dial's middle must show a whole angle such as "-135.00" in the page
// font, and the knob must stay in sight beside it.
Size RotationDialForDpi(int dpi);  // {side, margin}
// The value field's width in a dial of that side.
int RotationFieldWidth(int side);
// Font height: scaled by sqrt(dpi/96) above 96 dpi, or by dpi/96 at any other
// dpi when `linear`; truncated toward zero.
int ScaledFontHeight(int height, int dpi, bool linear);

// ---- Layout ----------------------------------------------------------------
struct Box {
    int x, y, w, h;
};
struct DialogLayout {
    int headerFillWidth;
    Box headerRight, helpButton;
    int previewRight, previewBottom, previewWidth;  // previewWidth a multiple of 4
    Box preview;       // client size of the container
    Box tabs, page;
    Box ok, cancel, zoomIn, zoomOut, scaleText, progress, navigator;
};
// Client size w x h; the preview area's left and top; a page's width; the
// small caption height. Sizes never go negative.
DialogLayout ComputeLayout(int w, int h, int previewLeft, int previewTop, int pageWidth, int smallCaption,
                           bool haveTabs);
int RoundUpToFour(int v);

// ---- Zoom --------------------------------------------------------------------
// The zoom steps: level 0 shows the whole document, fitScale - 1 is 1:1 and
// -1 asks the preview read for 1:1.
struct ZoomState {
    float level = -1.0f;
    float fitScale = 1.0f;
};
enum class ZoomCommand { In, Out, Fit, One };
// The level after the command (clamped to 0 .. fitScale - 1).
float ZoomAfter(ZoomCommand c, const ZoomState& z);
// Both buttons from the state after the preview read.
bool ZoomInAllowed(const ZoomState& z);
bool ZoomOutAllowed(const ZoomState& z);
// "%d%%" of trunc(100 / scale); empty for a scale that is not positive.
std::string ScaleText(float previewScale);

// ---- Effect kinds and enabling ------------------------------------------------
constexpr int kEffectChoices = 10;
// The combo's entry of EffectKind and PatternKind, clamped into the table.
int FlatEffectIndex(int effectKind, int patternKind);
void EffectFromIndex(int index, uint8_t* effectKind, uint8_t* patternKind);

// The enabling table's columns.
enum KindColumn {
    kColMaskKind, kColGrowDirect, kColSeed, kColDensity, kColMaxIterations, kColCompleteness, kColCompletDist,
    kColDispersion, kColLoseDirect, kColPropLength, kColPropWidth, kColIntervDepend, kColTurn1, kColTurn2,
    kColMaxTriangles2, kKindColumns
};
struct KindEnabling {
    std::array<bool, kKindColumns> column;
    bool rotationDial;
};
// For the flat index and emitter type (2 = fixed pattern): the mask-kind and
// direction columns hold only for the pattern emitter; otherwise the mask
// kind is off and the direction on.
KindEnabling KindControls(int flatIndex, int emitterType);
// Emitter radios: all off for the single kinds; "Path" only with a path.
struct EmitterEnabling {
    bool path, selection, pattern;
};
EmitterEnabling EmitterControls(int flatIndex, bool documentHasPath);
// The background swatch: alpha cut on and no transparency in the document.
bool BackgroundSwatchEnabled(bool alphaCut, int planes, bool cmyk);

// ---- Spin-edit tables -----------------------------------------------------------
struct SpinSpec {
    int edit, label;
    const char* name;
    float lower, upper;            // the bar's range
    float outerLower, outerUpper;  // typed range; equal to the bar's when "slider"
    bool wide;                     // a typed range of its own
    bool integer;                  // whole steps
    float reset;
    uint32_t key;                  // the parameter
    const char* toolTip;
    int column;                    // KindColumn, or -1: always enabled
};
extern const SpinSpec kGeometrySpins[17];
extern const SpinSpec kMaterialSpins[9];
// The value of a spin's parameter as a float, and back (integer fields
// truncated toward zero).
float SpinParameter(const FilterParameters& p, const SpinSpec& s);
void StoreSpinParameter(FilterParameters& p, const SpinSpec& s, float value);

// ---- Centre fields ---------------------------------------------------------------
// A typed centre coordinate: false (nothing to store) for text that is not a
// finite number or that clamps onto the stored value; else *out in [-100, 100].
bool TypedCentre(const char* text, float stored, float* out);
// The field's text of a stored coordinate.
std::string CentreText(float value);

// ---- Snapshot -------------------------------------------------------------------
// The 47 parameters, restored on cancel; placement and caches untouched.
struct ParameterSnapshot {
    std::array<double, kParameterCount> values{};
};
ParameterSnapshot TakeSnapshot(const FilterParameters& p);
void RestoreSnapshot(FilterParameters& p, const ParameterSnapshot& s);

// ---- Module folders -----------------------------------------------------------
struct ModuleFolders {
    std::string moduleDir, presetFolder, helpFolder;
};
// From the module's full path, whatever its file name.
ModuleFolders FoldersFromModulePath(const std::string& modulePath);

// ---- Placement --------------------------------------------------------------------
struct Rect {
    int left, top, right, bottom;
};
// The placement as the parameter record and the ini file keep it: any
// 32-bit values, hostile ones included.
struct StoredPlacement {
    int32_t left, top, width, height;
};
// True when every pixel of `r` lies on one of the areas (a rectangle across
// two monitors counts); false for an empty `r`.
bool CoveredByAreas(const Rect& r, const std::vector<Rect>& areas);
// Where the dialog opens. The stored size grows to the minimum; a window
// that then lies wholly on the work areas keeps its place. Otherwise it
// moves onto the work area it overlaps most (or, overlapping none or with
// no positive size stored, is centred on the host's window and moved onto
// the work area nearest the host), shrunk to that area's size when larger. So the title bar and the
// buttons are always on a work area. With no usable work area the host's
// window serves as one. Computed in 64 bits: no stored value can overflow.
Rect ChoosePlacement(const StoredPlacement& stored, const std::vector<Rect>& workAreas, const Rect& host,
                     Size minimum);

// ---- Navigator -------------------------------------------------------------------
struct NavigatorImage {
    std::vector<uint8_t> bgr;  // bottom-up rows padded to 4 bytes
    int width = 0, height = 0;
    float scale = 1.0f;
};
// Nearest samples of an RGBA picture into the navigator's box, alpha over a
// checkerboard of 15-pixel squares of 255 and 204.
NavigatorImage ComposeNavigator(const uint8_t* rgba, int width, int height, int boxW, int boxH);

}  // namespace frostel::dialog

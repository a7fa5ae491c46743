// The widgets' pure logic that is not about dials or the preview: screen
// bands, number text, the bar's value mapping, range following, the checks
// of the "Set value" dialog, the swatch's outline colours and the layout of
// the skinned button. No platform calls: built and tested natively.
#pragma once

#include <cstdint>
#include <string>

namespace frostel::widgets {

// ---- Screen bands (vertical logical dpi) ----------------------------------
// Up-down width of the spin edit: up to 96 dpi 20, below 144 25, else 30.
int UpDownWidthForDpi(int dpi);
// Knob radius of the page dials: below 120 dpi 4, below 144 6, below 216 8, else 10.
int DialKnobSizeForDpi(int dpi);
// Width and height of the turn dial's centre field, by the same bands as the knob.
int RoundEditWidthForDpi(int dpi);
int RoundEditHeightForDpi(int dpi);

// ---- Numbers --------------------------------------------------------------
// Truncates toward zero, saturating at the int range; NaN gives 0.
int32_t SaturateToInt(double v);
// Integer controls show the integer part, others two decimals.
std::string FormatWidgetNumber(double v, bool integer);
// The dial's fields: like FormatWidgetNumber, but a negative number of
// magnitude below 0.0001 shows as 0.
std::string FormatDialNumber(double v, bool integer);
// Typed text as a decimal number: leading blanks, then the longest number
// prefix; text without a number reads 0. False (and *out untouched) for a
// value that is not finite as a 32-bit float ("1e39", "inf", "nan").
bool ParseTypedNumber(const char* text, double* out);

// ---- The bar ("Mac Slider CPP") -------------------------------------------
// Track from 5 to extent - 5. A mouse coordinate to a value in [lower, upper];
// an empty range or a track without length gives lower.
float SliderValueAt(int p, int extent, float lower, float upper);
// A value back to the coordinate, rounded.
int SliderPositionOf(float value, int extent, float lower, float upper);
float ClampFloat(float v, float lo, float hi);

// ---- Range following of the spin edit -------------------------------------
struct FollowedRange {
    float lower, upper;
    bool moved;  // either bound changed
};
// A value above upper raises upper to it, cut to outerUpper; a value below
// lower lowers lower to it, raised to outerLower.
FollowedRange FollowRange(float value, float lower, float upper, float outerLower, float outerUpper);

// ---- The "Set value" dialog -----------------------------------------------
// What a field check made of the typed number.
struct FieldCheck {
    double value;  // the number to keep
    bool beep;     // refused or cut to a limit
    bool rewrite;  // the field must show `value` again
};
// New minimum: refused (the previous minimum comes back) when not below the
// new maximum; raised to the outer lower bound when below it.
FieldCheck CheckMinField(double typed, double previousMin, double newMax, double outerLower, bool integer);
// New maximum: refused when not above the new minimum; cut to the outer upper bound.
FieldCheck CheckMaxField(double typed, double previousMax, double newMin, double outerUpper, bool integer);
// New value: clamped into [newMin, newMax] when `clamp`.
FieldCheck CheckValueField(double typed, double newMin, double newMax, bool clamp, bool integer);

// The final check of OK, in the dialog's order. Nothing is stored by it: the
// caller stores the bounds only when all three pass.
enum class SetValueFailure { None, Minimum, Maximum, Value };
struct SetValueVerdict {
    SetValueFailure failure;
    double bound;  // the value the failing field is rewritten with
};
SetValueVerdict CheckSetValueOk(double newMin, double newMax, double newValue, double outerLower,
                                double outerUpper);

// ---- Colours --------------------------------------------------------------
// COLORREF layout: 0x00BBGGRR.
constexpr uint32_t MakeColorRef(int r, int g, int b) {
    return uint32_t(r & 255) | (uint32_t(g & 255) << 8) | (uint32_t(b & 255) << 16);
}
constexpr int RedOf(uint32_t c) { return int(c & 255); }
constexpr int GreenOf(uint32_t c) { return int((c >> 8) & 255); }
constexpr int BlueOf(uint32_t c) { return int((c >> 16) & 255); }
// The swatch's outline: the complement while hovered, else per channel
// (382 - c) mod 256 for bright channels and (255 - c) / 2 for dark ones.
uint32_t SwatchOutlineColor(uint32_t color, bool hovered);
// A disabled caption's text: each channel halved plus 100.
uint32_t DisabledCaptionColor(uint32_t color);

// ---- Skinned push button --------------------------------------------------
constexpr int kCapWidth = 18;
constexpr int kSkinHeight = 24;
// Where the caps and the stretched middle go on a button `width` wide. Narrow
// buttons show the outer half of each cap and no middle.
struct CapLayout {
    int leftWidth;      // columns 0.. of the left cap, drawn at x 0
    int middleX, middleWidth;
    int rightX;         // where the right cap's part starts
    int rightSrcX;      // first column taken from the right cap
    int rightWidth;
};
CapLayout LayoutSkinnedButton(int width);
// The skin's rounded top and bottom rows (8 each) keep their size on a button
// of any height; the rows between them stretch. A button lower than 16 rows
// shares its height between the two ends.
constexpr int kSkinEndRows = 8;
struct SkinRows {
    int top, bottom;
};
SkinRows FitSkinRows(int height);

// ---- Control button faces -------------------------------------------------
enum ButtonFace { kFaceNormal = 0, kFaceHot = 1, kFacePressed = 2, kFaceDisabled = 3 };
struct ButtonLook {
    int state;          // 0 normal, 1 hot, 2 pressed
    int hotLook;        // 2: hot shows the fourth bitmap when alternate is set
    bool alternate;
    bool checked;
    bool toggle;        // kind 1
    bool enabled;
    bool hasDisabledFace;
};
// Index of the bitmap to show (ButtonFace).
int ChooseButtonFace(const ButtonLook& look);

}  // namespace frostel::widgets

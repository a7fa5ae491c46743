// The animated widgets that no dialog creates: the fire button and knob
// ("Control Button Fire CPP") and the glass slider ("Glass Slider CPP").
#pragma once

#include "AnimPanel.h"
#include "Fire.h"
#include "Glass.h"
#include "Widgets.h"

#include <memory>

namespace frostel::widgets {

constexpr const char* kControlButtonFireClass = "Control Button Fire CPP";
constexpr const char* kGlassSliderClass = "Glass Slider CPP";
int RegisterControlButtonFireClass(HINSTANCE instance);
int RegisterGlassSliderClass(HINSTANCE instance);

// A 24-bit bitmap resource of the module as pixels, read through the checked
// DIB decoder: false (and nothing) for a missing or malformed resource.
bool LoadSkinPixels(HINSTANCE module, int id, int* width, int* height, std::vector<Rgb>* pixels);
// A sprite from a picture and a grey mask resource of the same size.
bool LoadSkinSprite(HINSTANCE module, int pictureId, int maskId, Sprite* out);
// The glass slider's shared skins, loaded once from the module (gUiInstance)
// and released together; null until loaded.
bool LoadGlassSkins();
void FreeGlassSkins();
const GlassSkins* SharedGlassSkins();

// A button or knob whose face burns while the cursor is over it. The flame
// level counts rows: above the client height the fire burns, from the height
// down it dies by 2 rows a 15 ms tick; at 0 the still face shows again.
class TControlButtonFire : public TControlButton {
public:
    ~TControlButtonFire() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    // The value by kind (see SetKnobValue), written into the edit child.
    void SetValue(float value);
    void UpdateValueText();
    // The knob's value range; the mark moves 8 pixels in from the rim.
    void SetRange(float low, float high);
    // The skin: the face (24-bit, blue-green-red, rows top down, client size)
    // and its alpha, over the parent's background picture (parentW x
    // parentH, same layout) at the control's place (x, y). Not copied.
    void SetSkins(const uint8_t* face, const float* alpha, const uint8_t* background, int backgroundW,
                  int backgroundH);
    bool skinsLoaded = false;

    uint8_t fireKind = 0;  // 0 button, 1 knob, 2 light position, 3 angle
    bool dragging = false;
    bool notifyWhileDragging = false;
    HWND editChild = nullptr;  // shows the value (id 1)
    int flameLevel = 0;
    bool timerRunning = false;
    POINT cursor{}, previousCursor{};
    int markerInset = 0;
    Rgb fireTint{100, 100, 100};
    KnobState knob;  // value, angle, turns, limits and range
    float angle2 = 0.0f;  // elevation of the light-position kind
    float outerLow = 0.0f, outerHigh = 100.0f;
    // Optional skin: the face (24-bit, rows top down, client size) with its
    // alpha (0..1 a pixel), shown over the parent's background picture at
    // (x, y) of a parent picture parentW wide. Not owned.
    const uint8_t* skinFace = nullptr;
    const float* skinAlpha = nullptr;
    const uint8_t* parentBackground = nullptr;
    int parentW = 0, parentH = 0, x = 0, y = 0;

protected:
    static constexpr UINT_PTR kFireTimer = 7;
    // One animation frame over the still face into `out` (client size); the
    // glass slider renders glass instead.
    virtual void RenderFrame(const Canvas& face, Canvas& out);
    // The face without fire.
    virtual void PaintStill(HDC dc);
    void StartAnimation();
    void Tick();
    void ApplyDrag(int px, int py);
    bool busy_ = false;
    int step_ = 0;
    std::unique_ptr<FireField> field_;
    std::vector<uint8_t> frame_;  // last frame, rows top down
    bool hasFrame_ = false;
};

// The glass knob, light pad or angle dial: turned by dragging, glowing while
// the cursor is over it, its skins shared (SharedGlassSkins) unless given.
class TGlassSlider : public TControlButtonFire {
public:
    TGlassSlider();
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // Marks the frame for rendering and repaints at once.
    void Redraw();
    // Writes the value (kind 2: the angle and the elevation) to the outside values.
    void WriteOut();

    char name[32] = {};
    bool dirty = true;
    float* outValue = nullptr;      // mirrors the value (kind 2: the angle)
    float* outElevation = nullptr;  // mirrors the elevation (kind 2)
    GlowState glow;
    const GlassSkins* skins = nullptr;  // null: the shared skins
    int framesRendered = 0;             // glass frames drawn so far (reused still frames not counted)

protected:
    void RenderFrame(const Canvas& face, Canvas& out) override;
    // The still face, drawn again only when something it shows has changed.
    void PaintStill(HDC dc) override;

private:
    // What the still face shows; an equal key means the kept frame is current.
    struct StillKey {
        int w = 0, h = 0, kind = 0, inset = 0;
        float angle = 0.0f, elevation = 0.0f, spin = 0.0f;
        Rgb background{0, 0, 0};
        const GlassSkins* skins = nullptr;
        bool operator==(const StillKey& o) const {
            return w == o.w && h == o.h && kind == o.kind && inset == o.inset && angle == o.angle &&
                   elevation == o.elevation && spin == o.spin && background == o.background && skins == o.skins;
        }
    };
    StillKey stillKey_;
    std::vector<uint8_t> still_;  // the kept still face, rows top down, blue-green-red
    void Drag(int px, int py);
};
// The "Set value" dialog of the glass slider; 1 for OK, 2 for cancel.
INT_PTR OpenGlassValueDialog(TGlassSlider* g);

// ---- Animated panel and glass controls ---------------------------------------
constexpr const char* kContanerAnimClass = "Contaner Anim CPP";
constexpr const char* kControlGlassClass = "Control Glass CPP";
int RegisterContanerAnimClass(HINSTANCE instance);
int RegisterControlGlassClass(HINSTANCE instance);

class TControlGlass;

// A grey panel with coloured light spots moving over it (timer 1, 50 ms),
// optionally refracted (effect 1) or scattered (effect 2); the glass
// controls on it show its picture through their glass.
class TContanerAnim : public TContaner {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;
    // One frame: spots moved and drawn, glows, the effect, children redrawn.
    void Frame();
    // The picture behind the glass (grey 192, spots and glows), rows top down.
    Canvas BackgroundCanvas();

    uint8_t effectMode = 0;  // 0 spots, 1 refraction, 2 scatter
    bool closing = false;
    int spotCount = 10, spotSize = 64;
    int glowCount = 0;
    std::vector<LightSpot> spots;
    std::vector<float> spotImage;  // spotSize x spotSize intensities
    RefractionMaps maps;           // effect 1
    std::vector<TControlGlass*> children;  // at most 25
    bool running = false;

private:
    std::vector<uint8_t> background_, output_;
};
// Starts the animation: `count` spots of `size` pixels from `image` (size x
// size intensities; empty: a soft round spot) and the glows of the first
// `glowCount` glass children.
void StartContanerAnim(TContanerAnim* panel, int count, int size, std::vector<float> image, int glowCount);
// Effect 1 reads its maps from three grey bitmaps of the module (brightness,
// weight, relief), placed at the panel's top-left; effects 0 and 2 need none.
bool SetContanerAnimEffect(TContanerAnim* panel, int mode, int brightnessId, int weightId, int reliefId);
// Adds a glass control to the panel's children; false past 25.
bool AddContanerAnimChild(TContanerAnim* panel, TControlGlass* child);

// A glass button that shows the panel behind it through its refraction maps
// and lights a glow on the panel while the cursor is over it.
class TControlGlass : public TControl {
public:
    ~TControlGlass() override;
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;
    void ShowGlow(bool show);

    int buttonMode = 0;  // 1 toggle, 2 latch, else push
    bool pressed = false;
    RefractionMaps maps;  // weight = the glass's alpha
    COLORREF glowNormal = 0x19FF19, glowPressed = 0x0000FF;
    GlowSpot glow;
    int x = 0, y = 0;  // place on the panel
    TContanerAnim* panel = nullptr;
};
// The glass control's maps from three grey bitmaps of the module
// (brightness, alpha, relief); false and a beep when one is missing.
bool LoadControlGlassSkin(TControlGlass* glass, int brightnessId, int alphaId, int reliefId);
// The glass control under the cursor, or none.
TControlGlass* HotGlassControl();

// The shared skin maps of the fire buttons and glass sliders from three grey
// bitmaps (brightness, alpha, relief), by B-spline slopes or, in the second
// variant, by a smoothing of their own; loaded once, released together.
bool LoadSharedSkins(int brightnessId, int alphaId, int reliefId, bool smoothedVariant);
void FreeSharedSkins();
const RefractionMaps* SharedSkinMaps();

}  // namespace frostel::widgets

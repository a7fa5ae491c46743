// The dialog of the built module as a person would use it, driven from a
// timer inside its modal loop by the test host: what OK and Cancel leave in
// the parameter record, the zoom buttons and scale text, the preview reads,
// Enter and Escape in fields, and the page controls' enabling.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FilterEntry.h"
#include "FilterParameters.h"
#include "HostSim.h"
#include "PresetFormat.h"

using namespace frostel;
using namespace frostel::hostsim;

namespace {

Document Gradient(int32_t w, int32_t h) {
    Document d = Document::Blank(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &d.pixels[(size_t(y) * size_t(w) + size_t(x)) * 3];
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 128;
        }
    return d;
}

struct Scripted {
    RunResult run;
    std::vector<LogEntry> seen;
    std::vector<LogEntry> reads;  // advanceState after the dialog opened
    FilterParameters params{};
    std::string answer;
};

// The dialog keeps its placement in an ini file beside the module; each
// scripted run starts from the factory placement, or from the text given,
// and leaves no file behind.
struct FreshIniFile {
    explicit FreshIniFile(const std::string& text) {
        std::remove("Frostel.ini");
        if (text.empty()) return;
        if (FILE* f = std::fopen("Frostel.ini", "wb")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }
    ~FreshIniFile() { std::remove("Frostel.ini"); }
};

std::string ReadIniBack() {
    std::string text;
    if (FILE* f = std::fopen("Frostel.ini", "rb")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

Scripted RunScript(const std::vector<std::string>& script, int32_t w = 640, int32_t h = 400,
                   const std::string& iniText = "", std::string* iniAfter = nullptr) {
    FreshIniFile ini(iniText);
    Options o;
    o.dialog = DialogAnswer::Script;
    o.dialogScript = script;
    Host host(FilterEntry(), o);
    host.SetDocument(Gradient(w, h));
    Scripted s;
    s.run = host.RunFilter(true);
    s.seen = host.log().Find("dialogSeen");
    bool open = false;
    for (const LogEntry& e : host.log().Entries()) {
        if (e.call == "dialog") {
            open = true;
            s.answer = e.Arg("answer");
        }
        if (open && e.call == "advanceState") s.reads.push_back(e);
    }
    const std::vector<uint8_t> bytes = host.HandleBytes(host.parameterHandle());
    if (bytes.size() >= sizeof s.params) std::memcpy(&s.params, bytes.data(), sizeof s.params);
    if (iniAfter) *iniAfter = ReadIniBack();
    return s;
}

// The i-th "record" of a kind, as JSON text of one argument.
std::string Seen(const Scripted& s, const std::string& what, size_t i, const std::string& arg) {
    for (const LogEntry& e : s.seen)
        if (e.Arg("what") == "\"" + what + "\"" && i-- == 0) return e.Arg(arg);
    return "<none>";
}

FilterParameters Defaults() {
    FilterParameters p{};
    ApplyParameterDefaults(p);
    return p;
}

}  // namespace

TEST(DialogHost, SilentByDefault) {
    Host host(FilterEntry());
    host.SetDocument(Gradient(64, 48));
    ASSERT_TRUE(host.RunFilter(true).ok);
    const auto d = host.log().Find("dialog");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].Arg("answer"), "\"silent\"");
    EXPECT_EQ(host.CallCount("advanceState"), 1) << "an unseen dialog reads no preview";
}

TEST(DialogHost, OkKeepsWhatTheScriptSetAndEnterCommitsInsteadOfClosing) {
    const Scripted s = RunScript({
        "select 1025 4",     // Floral 2
        "select 1024 1",     // Line
        "type 2961 40",      // Density
        "key enter",
        "record scale",      // still open after Enter
        "type 1018 7.9",     // Random Seed (an integer field)
        "key enter",
        "check 1020 1",      // Cut Alpha
        "tab 1",
        "type 1256 -20",     // Refraction
        "key enter",
        "check 1005 0",      // Use Glass, on by default
        "ok",
    });
    ASSERT_TRUE(s.run.ok) << s.run.message;
    EXPECT_EQ(s.answer, "\"script\"");
    EXPECT_EQ(Seen(s, "scale", 0, "text"), "\"100%\"");
    const FilterParameters& p = s.params;
    EXPECT_EQ(p.EfKn, 2);
    EXPECT_EQ(p.PtrK, 2);
    EXPECT_EQ(p.RndM, 2);
    EXPECT_FLOAT_EQ(p.MnIn, 40.0f);
    EXPECT_EQ(p.RndS, 7u);
    EXPECT_EQ(p.AlpC, 1);
    EXPECT_EQ(p.UsGl, 0);
    EXPECT_FLOAT_EQ(p.Rfrc, -20.0f);
    // Untouched values keep their factory setting, also those of the page seen last.
    const FilterParameters d = Defaults();
    EXPECT_FLOAT_EQ(p.Wdth, d.Wdth);
    EXPECT_EQ(p.Diff, d.Diff);
    EXPECT_FLOAT_EQ(p.LgAl, d.LgAl);
    EXPECT_EQ(p.BkCl, d.BkCl);
}

TEST(DialogHost, CancelGivesUserCancelledAndTheRecordAsBefore) {
    for (const char* end : {"cancel", "close"}) {
        const Scripted s = RunScript({"select 1025 9", "check 1020 1", "type 2960 120", "key enter",
                                      "tab 1", "type 1248 99", "key enter", end});
        EXPECT_FALSE(s.run.ok) << end;
        EXPECT_EQ(s.run.result, -128) << end;
        const FilterParameters d = Defaults();
        EXPECT_EQ(s.params.EfKn, d.EfKn) << end;
        EXPECT_EQ(s.params.PtrK, d.PtrK) << end;
        EXPECT_EQ(s.params.AlpC, d.AlpC) << end;
        EXPECT_FLOAT_EQ(s.params.Wdth, d.Wdth) << end;
        EXPECT_FLOAT_EQ(s.params.Shin, d.Shin) << end;
    }
}

TEST(DialogHost, ZoomClampsSetsBothButtonsAndTheScaleText) {
    // 1200 x 800 needs scale 3 to fit the preview beside the preset panel.
    const Scripted s = RunScript({"record scale", "record enabled main:1000", "command 1001", "record scale",
                                  "command 1001", "record scale", "record enabled main:1001",
                                  "record enabled main:1000", "command 1001", "record scale",
                                  "command 1000", "command 1000", "record scale", "record enabled main:1000",
                                  "hotkey 1", "wait 2",  // Ctrl+Add while "+" is off: nothing
                                  "hotkey 3", "wait 2", "record scale", "record enabled main:1000",
                                  "record enabled main:1001", "hotkey 4", "wait 2", "record scale", "ok"},
                                 1200, 800);
    ASSERT_TRUE(s.run.ok) << s.run.message;
    EXPECT_EQ(Seen(s, "scale", 0, "text"), "\"100%\"");
    EXPECT_EQ(Seen(s, "enabled", 0, "enabled"), "false") << "+ is off at 1:1";
    EXPECT_EQ(Seen(s, "scale", 1, "text"), "\"50%\"");
    EXPECT_EQ(Seen(s, "scale", 2, "text"), "\"33%\"");
    EXPECT_EQ(Seen(s, "enabled", 1, "enabled"), "false") << "- is off at the whole document";
    EXPECT_EQ(Seen(s, "enabled", 2, "enabled"), "true");
    EXPECT_EQ(Seen(s, "scale", 3, "text"), "\"33%\"") << "zoom out stops at the whole document";
    EXPECT_EQ(Seen(s, "scale", 4, "text"), "\"100%\"");
    EXPECT_EQ(Seen(s, "enabled", 3, "enabled"), "false");
    // Ctrl+0 from 1:1: the whole document with "+" on and "-" off.
    EXPECT_EQ(Seen(s, "scale", 5, "text"), "\"33%\"");
    EXPECT_EQ(Seen(s, "enabled", 4, "enabled"), "true");
    EXPECT_EQ(Seen(s, "enabled", 5, "enabled"), "false");
    EXPECT_EQ(Seen(s, "scale", 6, "text"), "\"100%\"");
    // Every preview read asks at the scale shown.
    std::vector<std::string> rates;
    for (const LogEntry& e : s.reads) rates.push_back(e.Arg("inputRate"));
    // From the open dialog at 1:1: 2:1, 3:1, 3:1 (clamped), 2:1, 1:1, Ctrl+0 3:1, Ctrl+1 1:1,
    // then the final render after OK.
    const std::vector<std::string> expected = {"131072", "196608", "196608", "131072",
                                               "65536",  "196608", "65536",  "65536"};
    EXPECT_EQ(rates, expected);
}

TEST(DialogHost, PanningMovesThePreviewRead) {
    const Scripted s = RunScript({"drag -100 -40", "wait 10", "ok"}, 1800, 1200);
    ASSERT_TRUE(s.run.ok) << s.run.message;
    // The read after the drag (the dialog opened at the top left), then the final render.
    ASSERT_EQ(s.reads.size(), 2u);
    // [top, left, bottom, right]: dragging left and up shows what lies right and below.
    EXPECT_EQ(s.reads[0].Arg("inRect").substr(0, 8), "[40,100,");
    EXPECT_EQ(s.reads[1].Arg("inRect"), "[0,0,1200,1800]");
}

TEST(DialogHost, EscapeInAFieldRestoresItAndEscapeElsewhereCancels) {
    const Scripted s = RunScript({"select 1025 6",  // a single kind: the centre fields are on
                                  "type 1036 55", "key escape", "record text 1036", "record focus",
                                  "type 2960 133", "key escape", "record text 2960", "ok"});
    ASSERT_TRUE(s.run.ok) << s.run.message;
    EXPECT_EQ(Seen(s, "text", 0, "text"), "\"0.00\"");
    EXPECT_EQ(Seen(s, "focus", 0, "id"), "1") << "Escape in a field gives OK the focus";
    EXPECT_EQ(Seen(s, "text", 1, "text"), "\"80.00\"");
    EXPECT_FLOAT_EQ(s.params.CtnX, 0.0f);
    EXPECT_FLOAT_EQ(s.params.Wdth, 80.0f);

    // Unchanged text: Escape cancels the dialog; so does Escape on a button.
    const Scripted c = RunScript({"select 1025 6", "focus 1036", "key escape", "wait 5", "record scale"});
    EXPECT_EQ(c.run.result, -128);
    EXPECT_EQ(Seen(c, "scale", 0, "text"), "<none>") << "the dialog ended with the first Escape";
}

TEST(DialogHost, CentreFieldsClampAndRefuseNonFiniteInput) {
    const Scripted s = RunScript({"select 1025 6", "type 1036 150", "key enter", "wait 2", "record text 1036",
                                  "type 1037 nan", "key enter", "wait 2", "record text 1037",
                                  "type 1037 1e39", "key enter", "wait 2", "type 1037 -12.5", "key enter", "wait 2",
                                  "ok"});
    ASSERT_TRUE(s.run.ok) << s.run.message;
    EXPECT_EQ(Seen(s, "text", 0, "text"), "\"100.00\"");
    EXPECT_EQ(Seen(s, "text", 1, "text"), "\"0.00\"");
    EXPECT_FLOAT_EQ(s.params.CtnX, 100.0f);
    EXPECT_FLOAT_EQ(s.params.CtnY, -12.5f);
}

TEST(DialogHost, PageControlsFollowKindEmitterAndGlass) {
    const std::vector<std::string> probe = {"1022", "1023", "1018", "2961", "2974", "2970", "2971", "2967",
                                            "1936", "1178", "1162", "1101", "1935", "2960", "1003"};
    std::vector<std::string> script = {"select 1025 8"};  // Single 3
    for (const auto& id : probe) script.push_back("record enabled " + id);
    script.push_back("select 1025 3");  // Floral 1
    script.push_back("check 1101 1");   // the fixed pattern emitter
    for (const auto& id : probe) script.push_back("record enabled " + id);
    script.push_back("check 1162 1");
    script.push_back("record enabled 1022");
    script.push_back("record enabled 1151");  // background: Cut Alpha is off
    script.push_back("check 1020 1");
    script.push_back("record enabled 1151");
    script.push_back("tab 1");
    for (const char* id : {"1256", "1258", "1260", "1248"}) script.push_back(std::string("record enabled ") + id);
    script.push_back("check 1005 0");
    for (const char* id : {"1256", "1258", "1260"}) script.push_back(std::string("record enabled ") + id);
    script.push_back("ok");
    const Scripted s = RunScript(script);
    ASSERT_TRUE(s.run.ok) << s.run.message;
    std::string single, floral;
    for (size_t i = 0; i < probe.size(); ++i) {
        single += Seen(s, "enabled", i, "enabled") == "true" ? '1' : '0';
        floral += Seen(s, "enabled", probe.size() + i, "enabled") == "true" ? '1' : '0';
    }
    // Single 3: table row 4 (turns and the second triangle count), the rotation dial, no emitter radios.
    EXPECT_EQ(single, "000001111" "000" "111");
    // Floral 1 with the pattern emitter: row 1; no rotation; radios on but "Path" (no work path).
    EXPECT_EQ(floral, "111101000" "011" "011");
    size_t n = 2 * probe.size();
    EXPECT_EQ(Seen(s, "enabled", n++, "enabled"), "false") << "mask kind needs the pattern emitter";
    EXPECT_EQ(Seen(s, "enabled", n++, "enabled"), "false");
    EXPECT_EQ(Seen(s, "enabled", n++, "enabled"), "true");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Seen(s, "enabled", n++, "enabled"), "true") << "glass is on";
    EXPECT_EQ(Seen(s, "enabled", n++, "enabled"), "true");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Seen(s, "enabled", n++, "enabled"), "false") << "glass is off";
}

TEST(DialogHost, MinimumSizeAndMinimisingKeepTheLayout) {
    const Scripted s = RunScript({"record minsize", "record rect main:1002", "minimize", "wait 2", "restore",
                                  "wait 2", "record rect main:1002", "size 1300 800", "record rect main:1002",
                                  "ok"});
    ASSERT_TRUE(s.run.ok) << s.run.message;
    EXPECT_EQ(Seen(s, "minsize", 0, "width"), "990");
    EXPECT_EQ(Seen(s, "minsize", 0, "height"), "703");
    EXPECT_EQ(Seen(s, "rect", 0, "rect"), Seen(s, "rect", 1, "rect")) << "minimising changed the layout";
    EXPECT_NE(Seen(s, "rect", 1, "rect"), Seen(s, "rect", 2, "rect"));
}

// The background swatch reports a material change; before the Material page
// exists only the Geometry page's own widgets may be read.
TEST(DialogHost, MaterialChangeBeforeTheMaterialPageKeepsItsValues) {
    const Scripted s = RunScript({"notify 1151", "notify 1151", "ok"});
    ASSERT_TRUE(s.run.ok) << s.run.message;
    const FilterParameters d = Defaults();
    EXPECT_EQ(s.params.Diff, d.Diff);
    EXPECT_EQ(s.params.Spec, d.Spec);
    EXPECT_EQ(s.params.LgCl, d.LgCl);
    EXPECT_FLOAT_EQ(s.params.Shin, d.Shin);
    EXPECT_FLOAT_EQ(s.params.LgMt, d.LgMt);
    EXPECT_FLOAT_EQ(s.params.LgBt, d.LgBt);
    EXPECT_EQ(s.params.BkCl, d.BkCl);
    EXPECT_EQ(s.reads.size(), 1u) << "a material change reads no new preview rectangle";
}

namespace {

struct ScreenRect {
    int top = 0, left = 0, bottom = 0, right = 0;
    bool Inside(const ScreenRect& a) const {
        return left >= a.left && top >= a.top && right <= a.right && bottom <= a.bottom && right > left &&
               bottom > top;
    }
};

// "[t,l,b,r]" as the log writes it.
ScreenRect ParseRect(const std::string& json) {
    ScreenRect r;
    std::sscanf(json.c_str(), "[%d,%d,%d,%d]", &r.top, &r.left, &r.bottom, &r.right);
    return r;
}

std::vector<ScreenRect> ParseRects(const std::string& json) {
    std::vector<ScreenRect> out;
    for (size_t at = json.find('[', 1); at != std::string::npos; at = json.find('[', at + 1))
        out.push_back(ParseRect(json.substr(at)));
    return out;
}

bool OnSomeArea(const ScreenRect& r, const std::vector<ScreenRect>& areas) {
    for (const ScreenRect& a : areas)
        if (r.Inside(a)) return true;
    return false;
}

std::string Ini(const std::string& left, const std::string& top, const std::string& width, const std::string& height,
                const std::string& curve = "") {
    return ";Parameters for Frostel plug-in UI\ntfeL " + left + "\n poT " + top + "\nhtdW " + width + "\nthgH " +
           height + "\n" + curve;
}

}  // namespace

// Hostile ini files: whatever the stored placement, the dialog opens with
// its title bar and OK on a work area, and what it writes back is as good.
TEST(DialogHost, OpensWithTitleBarAndOkOnAWorkAreaWhateverTheIniSays) {
    const std::string max = "2147483647", min = "-2147483648", huge = "99999999999999999999";
    const std::vector<std::string> inis = {
        Ini("1023", "767", "990", "703"),  // one pixel showing
        Ini("-989", "-702", "990", "703"),
        Ini("10", "-690", "990", "703"),   // title above the screen
        Ini("10", "760", "990", "703"),
        Ini("-980", "100", "990", "703"),
        Ini("1020", "100", "990", "703"),
        Ini("5000", "5000", "990", "703"),  // a monitor that is gone
        Ini("-5000", "-5000", "990", "703"),
        Ini(max, max, max, max),  // sums that overflow 32 bits
        Ini(min, min, max, max),
        Ini("2147483000", "0", "990", "703"),
        Ini(min, "0", "990", "703"),
        Ini("0", "0", "-990", "-703"),
        Ini("0", "0", "0", "0"),
        Ini("0", "0", "100000", "100000"),
        Ini("100", "100", max, "703"),
        Ini(huge, "-" + huge, huge, huge),  // saturated on reading
        Ini("-32768", "-32768", "1036", "780"),
        Ini("0", "0", "1", "1"),
        Ini("100", "100", "5000", "703"),
        Ini("100", "100", "990", "5000"),
        Ini("abc", "-", "x", "", "fLvC " + huge + "\npTvC -" + huge + "\nnIvC 7\n"),  // no numbers
    };
    for (const std::string& ini : inis) {
        SCOPED_TRACE(ini);
        std::string after;
        const Scripted s = RunScript({"record placement", "ok"}, 64, 48, ini, &after);
        ASSERT_TRUE(s.run.ok) << s.run.message;
        const std::vector<ScreenRect> areas = ParseRects(Seen(s, "placement", 0, "workAreas"));
        ASSERT_FALSE(areas.empty());
        const ScreenRect window = ParseRect(Seen(s, "placement", 0, "window"));
        EXPECT_TRUE(OnSomeArea(ParseRect(Seen(s, "placement", 0, "title")), areas)) << "title bar off the screen";
        EXPECT_TRUE(OnSomeArea(ParseRect(Seen(s, "placement", 0, "ok")), areas)) << "OK off the screen";
        EXPECT_TRUE(OnSomeArea(window, areas)) << Seen(s, "placement", 0, "window");

        // What persists is the place the dialog had, never the hostile one.
        FilterParameters p{};
        ReadIniText(after.data(), after.size(), p);
        EXPECT_EQ(p.dialogLeft, window.left);
        EXPECT_EQ(p.dialogTop, window.top);
        EXPECT_EQ(p.dialogWidth, window.right - window.left);
        EXPECT_EQ(p.dialogHeight, window.bottom - window.top);
        EXPECT_GE(p.curveLeft, -32768);
        EXPECT_LE(p.curveLeft, 32767);
        EXPECT_GE(p.curveTop, -32768);
        EXPECT_LE(p.curveTop, 32767);
        EXPECT_TRUE(p.curveInteractive == 0 || p.curveInteractive == 1);
    }
}

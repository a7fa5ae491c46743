// The dialog of the built module as a person would use it, driven from a
// timer inside its modal loop by the test host: what OK and Cancel leave in
// the parameter record, the zoom buttons and scale text, the preview reads,
// Enter and Escape in fields, the page controls' enabling, the factory
// presets, the About box and what help and the product page ask the shell.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FilterEntry.h"
#include "FilterParameters.h"
#include "HostSim.h"
#include "ImageIO.h"
#include "PresetFiles.h"
#include "PresetFormat.h"
#include "PreviewMeasure.h"
#include "ProtocolSupport.h"

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
    std::vector<LogEntry> picks;         // the host's colour picker
    std::vector<LogEntry> colorDialogs;  // the system's colour dialog
    std::vector<LogEntry> reads;  // advanceState after the dialog opened
    std::vector<DialogShown> dialogs;  // the About box and the message dialog
    std::vector<ShellCall> shell;      // what the module asked the shell to open
    FilterParameters params{};
    std::string answer;
};

// The dialog keeps its placement in an ini file beside the module; each
// scripted run starts from the factory placement, or from the text given,
// and leaves no file behind.
struct FreshIniFile {
    explicit FreshIniFile(const std::string& text = "") {
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

Scripted RunScript(const std::vector<std::string>& script, int32_t w = 640, int32_t h = 400, Options o = {},
                   const std::string& iniText = "", std::string* iniAfter = nullptr) {
    FreshIniFile ini(iniText);
    o.dialog = DialogAnswer::Script;
    o.dialogScript = script;
    Host host(FilterEntry(), o);
    host.SetDocument(Gradient(w, h));
    Scripted s;
    s.run = host.RunFilter(true);
    s.seen = host.log().Find("dialogSeen");
    for (const LogEntry& e : host.log().Find("colorServices"))
        if (e.Arg("selector") == std::to_string(pi::plugIncolorServicesChooseColor)) s.picks.push_back(e);
    s.colorDialogs = host.log().Find("colorDialog");
    s.dialogs = host.Dialogs();
    s.shell = host.ShellCalls();
    bool open = false;
    for (const LogEntry& e : host.log().Entries()) {
        if (e.call == "dialog" && !e.Arg("answer").empty()) {  // not the About box's entry
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

// A document the filter cannot draw on: the alert once, no dialog, and the
// document as it was.
TEST(DialogHost, AWrongImageModeAlertsOnceAndOpensNoDialog) {
    FreshIniFile ini;
    Options o;
    o.dialog = DialogAnswer::Script;
    o.dialogScript = {"ok"};
    Host host(FilterEntry(), o);
    Document lab = Document::Blank(64, 48, pi::plugInModeLabColor);
    for (size_t i = 0; i < lab.pixels.size(); ++i) lab.pixels[i] = uint8_t(i * 7);
    host.SetDocument(lab);
    ASSERT_TRUE(host.RunFilter(true).ok);
    const auto alerts = host.log().Find("messageBox");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].Arg("text").find("Wrong Image mode!"), std::string::npos);
    EXPECT_TRUE(host.log().Find("dialog").empty()) << "the filter dialog opened";
    EXPECT_EQ(host.document().pixels, lab.pixels);
}

// A swatch asks the host's colour picker when the host offers one, with the
// prompt the interface expects; the system dialog is only the fallback.
TEST(DialogHost, SwatchesPickWithTheHostAndFallBackToTheSystemDialog) {
    const std::vector<std::string> pickLight = {"tab 1", "click 1154", "ok"};
    Options picking;
    picking.pickedColor = {0x40, 0x80, 0xC0};
    const Scripted host = RunScript(pickLight, 64, 48, picking);
    ASSERT_TRUE(host.run.ok) << host.run.message;
    ASSERT_EQ(host.picks.size(), 1u);
    EXPECT_EQ(host.picks[0].Arg("prompt"), "\"Select a Color\"");
    EXPECT_TRUE(host.colorDialogs.empty());
    EXPECT_EQ(host.params.LgCl, 0xC08040u);

    Options cancelling;
    cancelling.pickCancelled = true;
    const Scripted cancelled = RunScript(pickLight, 64, 48, cancelling);
    ASSERT_TRUE(cancelled.run.ok);
    EXPECT_EQ(cancelled.picks.size(), 1u);
    EXPECT_TRUE(cancelled.colorDialogs.empty()) << "a cancelled host picker opens no second dialog";
    EXPECT_EQ(cancelled.params.LgCl, Defaults().LgCl);

    Options noServices;
    noServices.colorServices = false;
    const Scripted system = RunScript(pickLight, 64, 48, noServices);
    ASSERT_TRUE(system.run.ok);
    EXPECT_TRUE(system.picks.empty());
    EXPECT_EQ(system.colorDialogs.size(), 1u);
    EXPECT_EQ(system.params.LgCl, Defaults().LgCl);  // the dialog was cancelled
}

// The module carries its own cursor (resource 201): a cursor, not an icon,
// with its hot spot in the middle, at the system's cursor size.
TEST(DialogHost, ModuleHasItsPlaceCursor) {
    HMODULE m = LoadLibraryExA(FROSTEL_MODULE_FILE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(m, nullptr);
    HCURSOR c = static_cast<HCURSOR>(LoadImageA(m, MAKEINTRESOURCEA(201), IMAGE_CURSOR, 32, 32, 0));
    ASSERT_NE(c, nullptr) << "no cursor resource 201";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(c, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyCursor(c);
    FreeLibrary(m);
}

// ---- Presets, the About box, help and the product page --------------------------
namespace {

// The folder of the loaded module, with its trailing backslash: its presets
// and help pages lie beside it.
std::string ModuleFolder() {
    FilterEntry();  // loads it
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(GetModuleHandleA(FROSTEL_MODULE_FILE), path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// A factory preset as the preset library reads it over the factory values.
FilterParameters FactoryPreset(const std::string& name) {
    FilterParameters p = Defaults();
    EXPECT_TRUE(LoadPresetFile(ModuleFolder() + "Frostel\\Presets\\Basic\\" + name + ".frlpst", p)) << name;
    return p;
}

// The values of the parameter table that differ, with both values.
std::string Differences(const FilterParameters& got, const FilterParameters& want) {
    std::string out;
    const auto text = [](const FilterParameters& p, const ParameterKey& k) {
        return k.isFloat() ? std::to_string(GetFloatField(p, k)) : std::to_string(GetIntegerField(p, k));
    };
    for (const ParameterKey& k : ParameterKeys) {
        const std::string a = text(got, k), b = text(want, k);
        if (a != b) out += std::string(out.empty() ? "" : ", ") + k.name + " " + a + " (want " + b + ")";
    }
    return out;
}

}  // namespace

// A click on a factory preset applies every value of its file; OK leaves
// them in the record, and the page shows them. A preset in a folder is
// reached by opening the folder, and replaces the one picked before.
TEST(DialogHost, AFactoryPresetPickedInThePanelIsWhatOkLeaves) {
    const FilterParameters ice = FactoryPreset("Ice Flowers");
    const FilterParameters lens = FactoryPreset("Glass\\Clear Lens");
    // Otherwise the runs below could not tell a preset from no preset.
    ASSERT_NE(Differences(ice, Defaults()), "");
    ASSERT_NE(Differences(lens, Defaults()), "");
    ASSERT_NE(Differences(lens, ice), "");

    const Scripted root = RunScript({"pick 1084 Ice Flowers", "record text 1018", "ok"});
    ASSERT_TRUE(root.run.ok) << root.run.message;
    EXPECT_EQ(Differences(root.params, ice), "");
    EXPECT_EQ(Seen(root, "text", 0, "text"), "\"" + std::to_string(ice.RndS) + ".00\"") << "the page shows the seed";

    const Scripted folder = RunScript({"pick 1084 Geometric Crystals", "open 1084 Glass", "record text 1091",
                                       "pick 1084 Clear Lens", "record text 1018", "ok"});
    ASSERT_TRUE(folder.run.ok) << folder.run.message;
    EXPECT_EQ(Seen(folder, "text", 0, "text"), "\"Glass\\\\\"") << "the folder path above the list";
    EXPECT_EQ(Differences(folder.params, lens), "");
    EXPECT_EQ(Seen(folder, "text", 1, "text"), "\"" + std::to_string(lens.RndS) + ".00\"");
    for (const Scripted* s : {&root, &folder})
        for (const LogEntry& e : s->seen) EXPECT_NE(e.Arg("what"), "\"noEntry\"") << e.ToJson();
}

// The single figures' centre marker follows the kind a preset brings, on
// either page: the preview after a preset picked on the Material page is the
// one the same preset gives on the Geometry page, marker and all.
TEST(DialogHost, APresetShowsOrHidesTheCentreMarkerOnEitherPage) {
    auto previewAfter = [](const std::vector<std::string>& steps, const std::string& file) {
        std::vector<std::string> script = steps;
        script.insert(script.end(), {"wait 2", "shot " + file + " main:1002", "ok"});
        const Scripted s = RunScript(script);
        EXPECT_TRUE(s.run.ok) << s.run.message;
        Image8 shot;
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(ReadFileBytes(file, bytes) && DecodePng(bytes, 3, shot, error)) << file << error;
        std::remove(file.c_str());
        return shot;
    };
    ASSERT_EQ(FactoryPreset("Figures\\Golden Curl").EfKn, 3) << "a single figure";
    ASSERT_NE(FactoryPreset("Ice Flowers").EfKn, 3);
    const struct {
        std::vector<std::string> start, pick;
    } cases[] = {
        {{}, {"open 1084 Figures", "pick 1084 Golden Curl"}},  // the marker shows
        {{"select 1025 7", "wait 2"}, {"pick 1084 Ice Flowers"}},  // from Single 2: it goes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pick.back());
        std::vector<std::string> geometry = c.start, material = c.start;
        material.push_back("tab 1");
        geometry.insert(geometry.end(), c.pick.begin(), c.pick.end());
        material.insert(material.end(), c.pick.begin(), c.pick.end());
        const Image8 onGeometry = previewAfter(geometry, "geometry.png");
        const Image8 onMaterial = previewAfter(material, "material.png");
        ASSERT_GT(onGeometry.width, 0);
        ASSERT_EQ(onMaterial.width, onGeometry.width);
        ASSERT_EQ(onMaterial.height, onGeometry.height);
        size_t differ = 0;
        for (size_t i = 0; i < onGeometry.pixels.size(); ++i) differ += onGeometry.pixels[i] != onMaterial.pixels[i];
        EXPECT_EQ(differ, 0u) << "the preview differs on the Material page";
    }
}

// The About button shows the About box modal over the dialog, with the
// version line and its texts; the dialog goes on after it.
TEST(DialogHost, TheAboutButtonShowsTheAboutBoxOverTheDialog) {
    const Scripted s = RunScript({"click main:1154", "wait 5", "record scale", "ok"});
    ASSERT_TRUE(s.run.ok) << s.run.message;
    EXPECT_EQ(s.answer, "\"script\"");
    ASSERT_EQ(s.dialogs.size(), 1u) << "no About box";
    const DialogShown& about = s.dialogs[0];
    EXPECT_EQ(about.caption, "About");
    EXPECT_EQ(about.owner, "Vornhal Frostel");
    ASSERT_EQ(about.items.count(1033), 1u);
    EXPECT_EQ(about.items.at(1033), "1.6 (64 Bit)");
    const std::vector<std::string> texts = {"Vornhal Frostel  Version:",
                                            "The plug-in for Adobe Photoshop and compatibles"};
    EXPECT_EQ(about.texts, texts);
    EXPECT_EQ(about.items.count(1009) ? about.items.at(1009) : "", "Get Updates");
    EXPECT_EQ(about.items.count(2) ? about.items.at(2) : "", "Close");
    EXPECT_EQ(Seen(s, "scale", 0, "text"), "\"100%\"") << "the dialog after the About box";
    EXPECT_TRUE(s.shell.empty()) << "the About box opened " << s.shell[0].file;
}

// The help button opens the main help page, F1 the page of the page on
// show, and F4 and the product-page button the product page: each through
// the shell, owned by the dialog, with nothing but the page to open.
TEST(DialogHost, HelpAndTheProductPageOpenThroughTheShell) {
    const Scripted s = RunScript({"click main:1777", "wait shell 1", "hotkey 5", "wait shell 2", "tab 1",
                                  "hotkey 5", "wait shell 3", "hotkey 6", "wait shell 4", "click main:1156",
                                  "wait shell 5", "ok"});
    ASSERT_TRUE(s.run.ok) << s.run.message;
    const std::string help = ModuleFolder() + "Frostel\\Help\\";
    const std::string product = "http://www.vornhal.com/products/products.php?menu=get_prod_id&p_menustate=&prod_id=8";
    const std::vector<std::string> expected = {help + "frosteldoc.html", help + "frosteldoc_geometry.html",
                                               help + "frosteldoc_material.html", product, product};
    std::vector<std::string> opened;
    for (const ShellCall& c : s.shell) {
        opened.push_back(c.file);
        EXPECT_EQ(c.verb, "open") << c.file;
        EXPECT_FALSE(c.parameters.has_value()) << c.file;
        EXPECT_FALSE(c.directory.has_value()) << c.file;
        EXPECT_EQ(c.show, SW_SHOW) << c.file;
        EXPECT_EQ(c.owner, "Vornhal Frostel") << c.file;
    }
    EXPECT_EQ(opened, expected);
    // The pages are there to be opened.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NE(GetFileAttributesA(expected[i].c_str()), INVALID_FILE_ATTRIBUTES) << expected[i];
}

// ---- The layout at 96, 120 and 144 dpi -----------------------------------------
// Wine reads the screen's dpi from the registry when its server starts: the
// ctest entries module_dialog_layout_* set it and run this test alone
// (layout_at_dpi.sh). Each run checks, from the windows themselves, that every
// control's text fits its room in its own font and that no two controls of a
// window overlap, on both pages, with the rotation dial showing angles of
// every size.
namespace {
constexpr const char* kLayoutDpiVariable = "FROSTEL_LAYOUT_DPI";
}  // namespace

TEST(DialogLayout, AtOneDpi) {
    char dpiText[16] = {};
    if (!GetEnvironmentVariableA(kLayoutDpiVariable, dpiText, sizeof dpiText))
        GTEST_SKIP() << "run by the module_dialog_layout_* tests at their dpi";
    const int dpi = std::atoi(dpiText);
    // The rotation dial holds any angle: whole ones, negative ones, several turns.
    const std::vector<std::string> angles = {"0", "-135", "359.99", "-1080", "-99999.99", "12345678"};
    std::vector<std::string> script = {"record layout", "select 1025 7", "wait 2", "record layout"};
    for (const std::string& a : angles) {
        script.push_back("type 1936 " + a);
        script.push_back("focus 2960");  // the dial's field commits as it loses the focus
        script.push_back("wait 1");
        script.push_back("record text 1936");
        script.push_back("record layout");
    }
    script.insert(script.end(), {"tab 1", "wait 2", "record layout", "check 1005 0", "record layout", "ok"});
    const Scripted s = RunScript(script);
    ASSERT_TRUE(s.run.ok) << s.run.message;
    size_t layouts = 0;
    for (const LogEntry& e : s.seen) {
        if (e.Arg("what") != "\"layout\"") continue;
        ++layouts;
        EXPECT_EQ(e.Arg("dpi"), std::to_string(dpi)) << "the screen's dpi did not take";
        EXPECT_EQ(e.Arg("clipped"), "\"\"") << "at " << dpi << " dpi, layout " << layouts;
        EXPECT_EQ(e.Arg("overlaps"), "\"\"") << "at " << dpi << " dpi, layout " << layouts;
        EXPECT_GE(std::atoi(e.Arg("texts").c_str()), 30) << "the check saw the pages' texts";
    }
    EXPECT_EQ(layouts, 2 + angles.size() + 2);
    const std::vector<std::string> shown = {"\"0.00\"",     "\"-135.00\"",    "\"359.99\"",
                                            "\"-1080.00\"", "\"-99999.99\"", "\"12345678.00\""};
    for (size_t i = 0; i < angles.size(); ++i)
        EXPECT_EQ(Seen(s, "text", i, "text"), shown[i]) << "the dial shows the angle typed";
}

// ---- What the preview shows is what OK renders ----------------------------

// The sample's look: a dark blue field with soft bright discs.
Document Photo(int32_t w, int32_t h) {
    Document d = Document::Blank(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &d.pixels[(size_t(y) * size_t(w) + size_t(x)) * 3];
            const double fx = double(x) / w, fy = double(y) / h;
            const double glow = std::exp(-40 * ((fx - 0.3) * (fx - 0.3) + (fy - 0.4) * (fy - 0.4)));
            p[0] = uint8_t(10 + 40 * fx + 120 * glow);
            p[1] = uint8_t(30 + 90 * fy + 110 * glow);
            p[2] = uint8_t(70 + 60 * fx + 100 * glow);
        }
    return d;
}

// A picture of the preview control and the read that filled it: the
// rectangle in scaled document pixels and the scale.
struct PreviewShot {
    Image8 control;
    int32_t top = 0, left = 0, bottom = 0, right = 0;
    int scale = 1;
};

std::vector<PreviewShot> PreviewShots(const Host& host) {
    std::vector<PreviewShot> shots;
    PreviewShot last;
    for (const LogEntry& e : host.log().Entries()) {
        PreviewShot read;
        if (e.call == "advanceState" &&
            std::sscanf(e.Arg("inRect").c_str(), "[%d,%d,%d,%d]", &read.top, &read.left, &read.bottom,
                        &read.right) == 4 &&
            read.bottom > read.top && read.right > read.left) {
            read.scale = int(std::stoll(e.Arg("inputRate")) >> 16);
            last = read;
        }
        if (e.call == "dialogSeen" && e.Arg("what") == "\"shot\"") {
            std::string file = e.Arg("file");
            file = file.substr(1, file.size() - 2);
            std::vector<uint8_t> bytes;
            std::string error;
            PreviewShot shot = last;
            EXPECT_TRUE(ReadFileBytes(file, bytes) && DecodePng(bytes, 3, shot.control, error)) << file << error;
            std::remove(file.c_str());
            shots.push_back(shot);
        }
    }
    return shots;
}

std::string SettingsName(const std::vector<std::string>& settings) {
    std::string name;
    for (const std::string& v : settings) name += (name.empty() ? "" : " ") + v;
    return name.empty() ? "factory" : name;
}

// What the preview shows for the settings, at the fit zoom the dialog opens
// with and at 100 %, measured against the same region of the final render.
// The preview reads the document point-sampled; the final render's region
// is averaged down to the preview's scale.
void ExpectPreviewOfTheFinal(const std::vector<std::string>& settings) {
    FreshIniFile ini;
    Options o;
    o.dialog = DialogAnswer::Script;
    // The dialog opens at 100 %; Ctrl+0 shows the whole document.
    o.dialogScript = {"shot one.png main:1002", "hotkey 3", "wait 2", "shot fit.png main:1002", "ok"};
    Host host(FilterEntry(), o);
    const Document doc = Photo(640, 400);
    host.SetDocument(doc);
    protocoltest::SetParameters(host, settings);
    ASSERT_TRUE(host.RunFilter(true).ok);
    const std::vector<uint8_t>& final = host.document().pixels;
    const bool single = std::find(settings.begin(), settings.end(), "EfKn=3") != settings.end();
    const std::vector<PreviewShot> shots = PreviewShots(host);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].scale, 1);
    EXPECT_GT(shots[1].scale, 1) << "the whole document at the fit zoom";
    for (const PreviewShot& s : shots) {
        SCOPED_TRACE("scale " + std::to_string(s.scale));
        const int w = s.right - s.left, h = s.bottom - s.top;
        ASSERT_TRUE(w > 0 && h > 0 && w <= s.control.width && h <= s.control.height)
            << w << " x " << h << " in " << s.control.width << " x " << s.control.height;
        // The image sits centred in the control when smaller than it.
        const int ox = (s.control.width - w) / 2, oy = (s.control.height - h) / 2;
        std::vector<uint8_t> preview(size_t(w) * h * 3), previewUnder(preview.size()), shown(preview.size()),
            shownUnder(preview.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = (size_t(y) * w + x) * 3;
                std::memcpy(&preview[i], &s.control.pixels[(size_t(oy + y) * s.control.width + ox + x) * 3], 3);
                const int dx = (s.left + x) * s.scale, dy = (s.top + y) * s.scale;
                std::memcpy(&previewUnder[i], &doc.pixels[(size_t(dy) * 640 + dx) * 3], 3);
                for (int c = 0; c < 3; ++c) {
                    int f = 0, u = 0;
                    for (int j = 0; j < s.scale; ++j)
                        for (int k = 0; k < s.scale; ++k) {
                            const size_t at = (size_t(dy + j) * 640 + dx + k) * 3 + c;
                            f += final[at], u += doc.pixels[at];
                        }
                    const int n = s.scale * s.scale;
                    shown[i + c] = uint8_t((f + n / 2) / n), shownUnder[i + c] = uint8_t((u + n / 2) / n);
                }
            }
        if (single) {
            // The single figures' centre marker is drawn over the preview: not the picture's.
            const int cx = 320 / s.scale - s.left, cy = 200 / s.scale - s.top;
            for (int y = std::max(0, cy - 24); y < std::min(h, cy + 25); ++y)
                for (int x = std::max(0, cx - 24); x < std::min(w, cx + 25); ++x) {
                    const size_t i = (size_t(y) * w + x) * 3;
                    std::memcpy(&preview[i], &shown[i], 3);
                    std::memcpy(&previewUnder[i], &shownUnder[i], 3);
                }
        }
        const frostel::testing::PreviewMeasure m = frostel::testing::MeasurePreview(preview.data(), previewUnder.data(), shown.data(),
                                                                  shownUnder.data(), w, h, 3);
        std::printf("%s scale %d: figure %d, inner %d, misses %d, shading %.2f (worst %d)\n",
                    SettingsName(settings).c_str(), s.scale, m.figure, m.inner,
                    m.coverageMisses, m.shadingMean, m.shadingWorst);
        // What may differ is what draft quality changes: edge pixels (within
        // 2 px of the final's outline) and single texels inside the figure.
        // Measured: at most 10 misses (0.13 %) and a shading mean of 5.3; a
        // figure grown in the preview's own frame misses 2 to 22 % and
        // shades 7.6 to 13.5 apart at 100 %, one cut short by a budget that
        // follows the preview's buffer 45 to 50 % and 30 to 32, contours
        // traced in the preview's buffer at the fit zoom 3 to 81 % and 12.5.
        EXPECT_GT(m.figure, 0);
        EXPECT_LE(m.coverageMisses, m.inner / 100 + 2) << m.inner << " inner pixels";
        EXPECT_LT(m.shadingMean, 8.0) << m.inner << " inner pixels";
    }
}

TEST(DialogHost, ThePreviewShowsWhatOkRenders) {
    for (const auto& settings : {std::vector<std::string>{},                // Floral 3
                                 std::vector<std::string>{"EfKn=1", "PtrK=1"},  // Geometric 1
                                 std::vector<std::string>{"EfKn=3", "PtrK=2"},  // Single 2
                                 std::vector<std::string>{"MnIn=10"},           // Density 10
                                 // Some 585,000 triangles: more than any budget that followed the
                                 // preview's buffer would let it grow.
                                 std::vector<std::string>{"EfKn=1", "PtrK=1", "MnIn=10"},
                                 // Brightness contours: traced in the whole document, not the preview.
                                 std::vector<std::string>{"EmTp=1"}, std::vector<std::string>{"EmTp=1", "EfKn=1"}}) {
        SCOPED_TRACE(SettingsName(settings));
        ExpectPreviewOfTheFinal(settings);
    }
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
        const Scripted s = RunScript({"record placement", "ok"}, 64, 48, {}, ini, &after);
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

namespace {

// The threads of this process now.
int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 e{};
    e.dwSize = sizeof e;
    int n = 0;
    for (BOOL more = Thread32First(snap, &e); more; more = Thread32Next(snap, &e))
        if (e.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snap);
    return n;
}

}  // namespace

// The previews' render threads wait from one preview to the next, and end
// with the dialog: none is left once the filter returns to the host, after
// OK and its final render as after Cancel. Each timed line logs how long
// the change took to show.
TEST(DialogHost, NoThreadOfThePreviewsOutlivesTheFilter) {
    // Geometric 1 and Floral 3 grown, then drawn again.
    const auto previews = [](const char* end) {
        return RunScript({"timed select 1025 0", "timed select 1025 5", "timed command 7777", end});
    };
    // The test's trace starts a thread of its own that stays.
    SCOPED_TRACE("the module's threads");
    const int before = ThreadCount();
    ASSERT_GT(before, 0);
    for (const char* end : {"ok", "cancel", "ok"}) {
        SCOPED_TRACE(end);
        const Scripted s = previews(end);
        EXPECT_EQ(ThreadCount(), before);
        int timed = 0;
        for (const LogEntry& e : s.seen)
            if (e.Arg("what") == "\"timed\"") {
                ++timed;
                EXPECT_GT(std::stoll(e.Arg("us")), 0) << e.Arg("line");
            }
        EXPECT_EQ(timed, 3);
    }
}

// The bar under the preview hears of progress only now and then, but every
// preview, long or short, leaves it empty.
TEST(DialogHost, EveryPreviewLeavesTheProgressBarEmpty) {
    const Scripted s = RunScript({"select 1025 0", "record pos main:1004", "select 1025 5", "record pos main:1004",
                                  "command 7777", "record pos main:1004", "cancel"});
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Seen(s, "pos", i, "pos"), "0") << i;
}

// OK that comes while the preview is busy growing or drawing a heavy scene
// ends the dialog at once, whatever is in flight; the host's abort callback
// is asked only after the dialog, in the final run (here stopped at its
// first question, so that the test need not wait for it).
TEST(DialogHost, OkDuringAHeavyPreviewIsHandledWithinHalfASecond) {
    const struct {
        const char* busy;
        std::vector<std::string> settings;
        int okAfterMs;
    } cases[] = {
        {"growing millions of small triangles", {"EfKn=1", "MxTr=30", "MxIt=10", "MnIn=1", "Wdth=1", "RndM=1"}, 1200},
        {"drawing the dialog's maxima in Phong",
         {"EfKn=1", "MxIt=10", "MxTr=30", "MnIn=1", "MxT1=40", "Wdth=300", "Lngh=70", "Scle=200", "Dspr=200",
          "Comp=100", "CmDs=100", "RndM=5"},
         1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.busy);
        FreshIniFile ini;
        Options o;
        o.dialog = DialogAnswer::Script;
        o.dialogScript = {"wait 250"};  // the script itself never ends the dialog
        o.dialogOkAfterMs = c.okAfterMs;
        o.abortAfter = 0;
        Host host(FilterEntry(), o);
        const Document doc = Gradient(640, 400);
        host.SetDocument(doc);
        protocoltest::SetParameters(host, c.settings);
        const auto start = std::chrono::steady_clock::now();
        const RunResult rr = host.RunFilter(true);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(rr.result, pi::userCanceledErr) << rr.message;
        EXPECT_EQ(host.document().pixels, doc.pixels);

        const std::vector<LogEntry> seen = host.log().Find("dialogSeen");
        const auto handled = std::find_if(seen.begin(), seen.end(),
                                          [](const LogEntry& e) { return e.Arg("what") == "\"okHandled\""; });
        ASSERT_NE(handled, seen.end()) << "OK never came";
        const int ms = std::stoi(handled->Arg("ms"));
        EXPECT_LT(ms, 500);
        EXPECT_LT(seconds, 10.0);
        const std::vector<LogEntry> asks = host.log().Find("abortProc");
        ASSERT_EQ(asks.size(), 1u);
        EXPECT_GT(asks[0].seq, handled->seq) << "the host was asked while the dialog was open";
        std::printf("  %s: OK handled %d ms after it came\n", c.busy, ms);
    }
}

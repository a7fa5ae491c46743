// The preset panel in a parent window of its own, headless under Wine: the
// two lists over a preset folder made here, applying, "Default", sub-folders,
// saving with its questions and deleting. Modal dialogs and message boxes
// are answered by a script that a timer runs inside their loops.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "Plugin.h"
#include "PresetFiles.h"
#include "PresetFormat.h"
#include "PresetIds.h"
#include "PresetPanel.h"
#include "Widgets.h"

namespace frostel {
namespace {

int gApplied = 0;  // IDC_PRESET_APPLIED commands seen by the parent

LRESULT CALLBACK ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_PRESET_APPLIED) ++gApplied;
    return DefWindowProcA(w, msg, wp, lp);
}

// ---- Script for modal windows ---------------------------------------------
struct Step {
    std::string title;
    std::function<void(HWND)> act;
};
struct Seen {
    std::string title, text;
};
std::vector<Step> gSteps;
size_t gNextStep = 0;
std::vector<Seen> gSeen;

struct Found {
    const std::string* title;
    HWND window;
};

BOOL CALLBACK FindTitled(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    char title[128] = {};
    GetWindowTextA(w, title, sizeof title);
    if (*f->title == title && IsWindowVisible(w)) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK LongestStatic(HWND w, LPARAM lp) {
    char cls[32] = {}, text[512] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    auto* out = reinterpret_cast<std::string*>(lp);
    if (lstrcmpiA(cls, "Static") == 0 && std::string(text).size() > out->size()) *out = text;
    return TRUE;
}

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (gNextStep >= gSteps.size()) return;
    const Step& s = gSteps[gNextStep];
    Found f{&s.title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindTitled, reinterpret_cast<LPARAM>(&f));
    if (!f.window) return;
    Seen seen{s.title, {}};
    EnumChildWindows(f.window, LongestStatic, reinterpret_cast<LPARAM>(&seen.text));
    gSeen.push_back(seen);
    ++gNextStep;
    s.act(f.window);
}

void RunScript(std::vector<Step> steps, const std::function<void()>& open) {
    gSteps = std::move(steps);
    gNextStep = 0;
    gSeen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, StepTimer);
    open();
    KillTimer(nullptr, timer);
    EXPECT_EQ(gSteps.size(), gNextStep) << "every scripted window appeared";
}

Step TypeName(const char* name) {
    return {"Save Parameters Preset", [name](HWND dlg) {
                SetDlgItemTextA(dlg, IDC_PRESET_NAME, name);
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }};
}
Step Press(const char* title, int button) {
    return {title, [button](HWND w) { PostMessageA(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }};
}

// ---- Fixture ----------------------------------------------------------------
std::string Folder() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string f = exe;
    f.resize(f.find_last_of('\\') + 1);
    return f + "panel-presets\\";
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + name + "\\");
            else DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(h, &d));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WritePreset(const std::string& path, uint32_t seed) {
    FilterParameters p{};
    ApplyParameterDefaults(p);
    p.RndS = seed;
    ASSERT_TRUE(SavePresetFile(path, p)) << path;
}

class PresetPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
            InitCommonControlsEx(&icc);
            widgets::RegisterWidgetClasses(GetModuleHandleA(nullptr));
            widgets::RegisterMacStyleBtnClass(GetModuleHandleA(nullptr));
            WNDCLASSA wc{};
            wc.lpfnWndProc = ParentProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "Preset Panel Parent";
            RegisterClassA(&wc);
            registered = true;
        }
        root_ = Folder();
        RemoveTree(root_);
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
        CreateDirectoryA((root_ + "Basic").c_str(), nullptr);
        CreateDirectoryA((root_ + "Basic\\Sub").c_str(), nullptr);
        CreateDirectoryA((root_ + "User").c_str(), nullptr);
        WritePreset(root_ + "Basic\\Seven.frlpst", 7);
        WritePreset(root_ + "Basic\\Sub\\Deep.frlpst", 9);
        WritePreset(root_ + "User\\Snowfrlpst.frlpst", 11);
        WritePreset(root_ + "User\\Sno.frlpst", 12);
        HANDLE bad = CreateFileA((root_ + "Basic\\Broken.frlpst").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(bad, "SdnR 99\n", 8, &written, nullptr);
        CloseHandle(bad);
        ApplyParameterDefaults(record_);
        record_.RndS = 1234;
        gParams = &record_;
        gApplied = 0;
        SetPresetFolder(root_);
        parent_ = CreateWindowExA(0, "Preset Panel Parent", "Presets", WS_POPUP | WS_VISIBLE, 0, 0, 400, 600,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, parent_);
        panel_ = CreatePresetPanel(parent_);
        ASSERT_NE(nullptr, panel_);
    }
    void TearDown() override {
        DestroyWindow(parent_);
        gParams = nullptr;
        RemoveTree(root_);
    }
    HWND List(int id) { return GetDlgItem(panel_, id); }
    std::vector<std::string> Entries(int id) {
        std::vector<std::string> out;
        const int n = int(SendMessageA(List(id), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[300] = {};
            SendMessageA(List(id), LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    }
    int IndexOf(int id, const std::string& entry) {
        return int(SendMessageA(List(id), LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(entry.c_str())));
    }
    // Selects an entry as a click would: selection, then the notification.
    void Pick(int id, const std::string& entry, int code = LBN_SELCHANGE) {
        const int index = IndexOf(id, entry);
        ASSERT_NE(LB_ERR, index) << entry;
        SendMessageA(List(id), LB_SETCURSEL, WPARAM(index), 0);
        SendMessageA(panel_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(List(id)));
    }
    void Button(int id) {
        SendMessageA(panel_, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(GetDlgItem(panel_, id)));
    }
    bool DeleteEnabled() { return IsWindowEnabled(GetDlgItem(panel_, IDC_DELETE_PRESET)) != FALSE; }

    std::string root_;
    FilterParameters record_{};
    HWND parent_ = nullptr, panel_ = nullptr;
};

TEST_F(PresetPanelTest, ListsBothTreesAndAppliesPresets) {
    EXPECT_EQ(Entries(IDC_FACTORY_LIST)[0], "Default");
    EXPECT_EQ(Entries(IDC_FACTORY_LIST).size(), 4u);  // Default, the folder, two presets
    EXPECT_NE(LB_ERR, IndexOf(IDC_FACTORY_LIST, "\tSub"));
    // Sorted; "Snowfrlpst.frlpst" keeps its whole stem.
    EXPECT_EQ(Entries(IDC_USER_LIST), (std::vector<std::string>{"Sno", "Snowfrlpst"}));
    EXPECT_FALSE(DeleteEnabled());

    Pick(IDC_FACTORY_LIST, "Seven");
    EXPECT_EQ(7u, record_.RndS);
    EXPECT_EQ(1, gApplied);
    EXPECT_TRUE(IsWindowEnabled(parent_));

    // No header: nothing changes and the main dialog is not told.
    Pick(IDC_FACTORY_LIST, "Broken");
    EXPECT_EQ(7u, record_.RndS);
    EXPECT_EQ(1, gApplied);

    Pick(IDC_USER_LIST, "Snowfrlpst");
    EXPECT_EQ(11u, record_.RndS);
    EXPECT_TRUE(DeleteEnabled());

    record_.MxTr = 17;
    Pick(IDC_FACTORY_LIST, "Default");
    EXPECT_EQ(0u, record_.RndS);
    EXPECT_EQ(3u, record_.MxTr);
    EXPECT_EQ(3, gApplied);
}

TEST_F(PresetPanelTest, SubFoldersGoDownAndUp) {
    Pick(IDC_FACTORY_LIST, "\tSub");  // a single click on a folder applies nothing
    EXPECT_EQ(1234u, record_.RndS);
    Pick(IDC_FACTORY_LIST, "\tSub", LBN_DBLCLK);
    EXPECT_EQ(Entries(IDC_FACTORY_LIST), (std::vector<std::string>{"Default", "\t..", "Deep"}));
    char path[64] = {};
    GetDlgItemTextA(panel_, IDC_FACTORY_PATH, path, sizeof path);
    EXPECT_STREQ("Sub\\", path);
    Pick(IDC_FACTORY_LIST, "Deep");
    EXPECT_EQ(9u, record_.RndS);
    Pick(IDC_FACTORY_LIST, "\t..", LBN_DBLCLK);
    EXPECT_EQ(LB_ERR, IndexOf(IDC_FACTORY_LIST, "\t.."));
    EXPECT_NE(LB_ERR, IndexOf(IDC_FACTORY_LIST, "Seven"));
}

TEST_F(PresetPanelTest, SavesAsksBeforeOverwritingAndRefusesBadNames) {
    record_.RndS = 4242;
    RunScript({TypeName("My Frost.frlpst")}, [&] { Button(IDC_SAVE_PRESET); });
    const std::string mine = root_ + "User\\My Frost.frlpst";
    ASSERT_TRUE(Exists(mine));
    FilterParameters back{};
    ASSERT_TRUE(LoadPresetFile(mine, back));
    EXPECT_EQ(4242u, back.RndS);
    EXPECT_EQ(Entries(IDC_USER_LIST), (std::vector<std::string>{"My Frost", "Sno", "Snowfrlpst"}));

    // No asks again, Cancel stops: the file keeps its values.
    record_.RndS = 5;
    RunScript({TypeName("My Frost"), Press("File Save Warning", IDNO), Press("Save Parameters Preset", IDCANCEL)},
              [&] { Button(IDC_SAVE_PRESET); });
    ASSERT_EQ(3u, gSeen.size());
    EXPECT_NE(std::string::npos, gSeen[1].text.find("The file already exist!"));
    ASSERT_TRUE(LoadPresetFile(mine, back));
    EXPECT_EQ(4242u, back.RndS);

    // Yes overwrites, and the list keeps one entry.
    RunScript({TypeName("My Frost"), Press("File Save Warning", IDYES)}, [&] { Button(IDC_SAVE_PRESET); });
    ASSERT_TRUE(LoadPresetFile(mine, back));
    EXPECT_EQ(5u, back.RndS);
    EXPECT_EQ(3u, Entries(IDC_USER_LIST).size());

    // A name that leaves the folder is refused with a message, then asked again.
    RunScript({TypeName("..\\Escape"), Press("Save Preset Error", IDOK), TypeName("CON"),
               Press("Save Preset Error", IDOK), Press("Save Parameters Preset", IDCANCEL)},
              [&] { Button(IDC_SAVE_PRESET); });
    EXPECT_FALSE(Exists(root_ + "Escape.frlpst"));
    ASSERT_EQ(5u, gSeen.size());
    EXPECT_NE(std::string::npos, gSeen[1].text.find("cannot hold"));
    EXPECT_EQ("This name is reserved by the system.", gSeen[3].text);
    EXPECT_EQ(3u, Entries(IDC_USER_LIST).size());
}

TEST_F(PresetPanelTest, DeletesOnlyTheSelectedFileAndKeepsTheEntryOnFailure) {
    Pick(IDC_USER_LIST, "Snowfrlpst");
    ASSERT_TRUE(DeleteEnabled());
    Button(IDC_DELETE_PRESET);
    EXPECT_FALSE(Exists(root_ + "User\\Snowfrlpst.frlpst"));
    EXPECT_TRUE(Exists(root_ + "User\\Sno.frlpst"));
    EXPECT_EQ(Entries(IDC_USER_LIST), (std::vector<std::string>{"Sno"}));
    EXPECT_FALSE(DeleteEnabled());

    // The file went away behind the panel's back: a message, and the entry stays.
    Pick(IDC_USER_LIST, "Sno");
    ASSERT_TRUE(DeleteFileA((root_ + "User\\Sno.frlpst").c_str()));
    RunScript({Press("Delete Preset Error", IDOK)}, [&] { Button(IDC_DELETE_PRESET); });
    ASSERT_EQ(1u, gSeen.size());
    EXPECT_EQ("Cannot Delete File!", gSeen[0].text);
    EXPECT_EQ(Entries(IDC_USER_LIST), (std::vector<std::string>{"Sno"}));
}

TEST_F(PresetPanelTest, LayoutFollowsTheBottomEdge) {
    RECT before{};
    GetWindowRect(panel_, &before);
    LayoutPresetPanel(panel_, 500, 560);
    RECT panel{}, group{}, save{}, list{};
    GetWindowRect(panel_, &panel);
    GetWindowRect(GetDlgItem(panel_, IDC_USER_GROUP), &group);
    GetWindowRect(GetDlgItem(panel_, IDC_SAVE_PRESET), &save);
    GetWindowRect(List(IDC_USER_LIST), &list);
    EXPECT_EQ(before.right - before.left, panel.right - panel.left);
    EXPECT_EQ(560, panel.bottom - panel.top);
    EXPECT_EQ(panel.bottom - 9, group.bottom);
    EXPECT_EQ(group.bottom - 6, save.bottom);
    EXPECT_EQ(save.top - 5, list.bottom);
}

}  // namespace
}  // namespace frostel

#include "PascalString.h"
#include "win/DialogItems.h"
#include "win/DialogMessages.h"

#include <gtest/gtest.h>

#include "MessageRecorder.h"

#include <string>
#include <vector>

using namespace frostel::hostutil;
using namespace testsupport;

namespace {

INT_PTR CALLBACK NoOpProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        dlg = CreateDialogParamA(Self(), MAKEINTRESOURCEA(100), nullptr, NoOpProc, 0);
        ASSERT_NE(dlg, nullptr);
        gShown.clear();
        SetMessageBoxSink(RecordBox);
    }
    void TearDown() override {
        SetMessageBoxSink(nullptr);
        if (dlg) DestroyWindow(dlg);
    }
    std::string ItemText(int id) {
        char buf[300] = {};
        GetDlgItemTextA(dlg, id, buf, sizeof buf);
        return buf;
    }
    void ExpectAllSelected(int id) {
        DWORD start = 0, end = 0;
        SendDlgItemMessageA(dlg, id, EM_GETSEL, WPARAM(&start), LPARAM(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, ItemText(id).size());
    }
    HWND dlg = nullptr;
};

}  // namespace

TEST_F(DialogTest, ItemTextAsPascalString) {
    pi::Str255 s;
    CToPStr("12,5 mm", s);
    SetItemPStr(dlg, 101, s);
    EXPECT_EQ(ItemText(101), "12,5 mm");

    SetDlgItemTextA(dlg, 101, std::string(300, 'w').c_str());
    GetItemPStr(dlg, 101, s);
    EXPECT_EQ(s[0], 255);
    EXPECT_EQ(s[255], 'w');
}

TEST_F(DialogTest, VisibilityEnablingAndSelection) {
    HWND edit = GetDlgItem(dlg, 101);
    HideItem(dlg, 101);
    EXPECT_FALSE(GetWindowLongA(edit, GWL_STYLE) & WS_VISIBLE);
    ShowItem(dlg, 101);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & WS_VISIBLE);
    DisableItem(dlg, 101);
    EXPECT_FALSE(IsWindowEnabled(edit));
    EnableItem(dlg, 101);
    EXPECT_TRUE(IsWindowEnabled(edit));

    SetDlgItemTextA(dlg, 101, "select me");
    SendMessageA(edit, EM_SETSEL, 2, 3);
    SelectAllText(dlg, 101);
    ExpectAllSelected(101);
}

TEST_F(DialogTest, ButtonsCheckBoxesAndRadios) {
    EXPECT_TRUE(ToggleCheckBox(dlg, 102));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 102), UINT(BST_CHECKED));
    EXPECT_FALSE(ToggleCheckBox(dlg, 102));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 102), UINT(BST_UNCHECKED));

    EXPECT_EQ(FirstCheckedButton(dlg, 103, 105), -1);
    CheckRadioButton(dlg, 103, 105, 105);
    EXPECT_EQ(FirstCheckedButton(dlg, 103, 105), 105);
    EXPECT_EQ(FirstCheckedButton(dlg, 103, 104), -1);

    SetDefaultButton(dlg, 107);
    LRESULT def = SendMessageA(dlg, DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(def), DC_HASDEFID);
    EXPECT_EQ(LOWORD(def), 107);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dlg, 107), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
}

TEST_F(DialogTest, IntegerRangeCheckPutsTheNearerBound) {
    pi::int32 v = -1;
    SetDlgItemTextA(dlg, 101, " 42");
    EXPECT_TRUE(CheckIntItem(dlg, 101, 0, 100, Self(), &v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(gShown.empty());

    SetDlgItemTextA(dlg, 101, "500");
    EXPECT_FALSE(CheckIntItem(dlg, 101, 0, 100, Self(), &v));
    EXPECT_EQ(v, 100);
    EXPECT_EQ(ItemText(101), "100");
    ExpectAllSelected(101);
    ASSERT_EQ(gShown.size(), 1u);
    EXPECT_EQ(gShown[0].text, "Please enter a value between 0 and 100.");
    EXPECT_EQ(gShown[0].flags & MB_ICONMASK, UINT(MB_ICONEXCLAMATION));

    SetDlgItemTextA(dlg, 101, "-7");
    EXPECT_FALSE(CheckIntItem(dlg, 101, 0, 100, Self(), &v));
    EXPECT_EQ(ItemText(101), "0");
    SetDlgItemTextA(dlg, 101, "abc");
    EXPECT_FALSE(CheckIntItem(dlg, 101, 5, 100, Self(), &v));
    EXPECT_EQ(ItemText(101), "5") << "no number: the low bound";
}

TEST_F(DialogTest, DecimalRangeCheckAcceptsCommaAndPeriod) {
    double v = -1;
    SetDlgItemTextA(dlg, 101, "0,25");
    EXPECT_TRUE(CheckDecimalItem(dlg, 101, 0.0, 1.0, 2, Self(), &v));
    EXPECT_DOUBLE_EQ(v, 0.25);

    SetDlgItemTextA(dlg, 101, "1.5");
    EXPECT_FALSE(CheckDecimalItem(dlg, 101, 0.0, 1.25, 2, Self(), &v));
    EXPECT_DOUBLE_EQ(v, 1.25);
    EXPECT_EQ(ItemText(101), "1.25");
    ASSERT_EQ(gShown.size(), 1u);
    EXPECT_EQ(gShown[0].text, "Please enter a value between 0.0 and 1.25.");
}

TEST(CenterDialog, OverTheParentAndOnTheScreen) {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP | WS_VISIBLE, work.left + 100,
                                  work.top + 100, 500, 400, nullptr, nullptr, Self(), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND dlg = CreateDialogParamA(Self(), MAKEINTRESOURCEA(100), parent, NoOpProc, 0);
    ASSERT_NE(dlg, nullptr);

    CenterDialog(dlg);
    RECT d, p;
    GetWindowRect(dlg, &d);
    GetWindowRect(parent, &p);
    EXPECT_NEAR((d.left + d.right) / 2, (p.left + p.right) / 2, 1);
    EXPECT_NEAR((d.top + d.bottom) / 2, (p.top + p.bottom) / 2, 1);

    // A parent hanging off the bottom-right corner: the dialog stays inside.
    SetWindowPos(parent, nullptr, work.right - 50, work.bottom - 30, 500, 400, SWP_NOZORDER);
    CenterDialog(dlg);
    GetWindowRect(dlg, &d);
    EXPECT_LE(d.right, work.right);
    EXPECT_LE(d.bottom, work.bottom);
    EXPECT_EQ(d.right, work.right) << "moved only as far as needed";

    DestroyWindow(dlg);
    DestroyWindow(parent);
}

#include "ValueDialog.h"

#include "WidgetIds.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <cstring>

namespace frostel::widgets::detail {

namespace {

std::string Number(const ValueDialogModel& m, double v) { return FormatWidgetNumber(v, m.integerNumbers); }

void SetItem(HWND dlg, int item, const std::string& text) { SetDlgItemTextA(dlg, item, text.c_str()); }

double* Stored(ValueDialogModel& m, int item) {
    switch (item) {
        case IDC_SV_VALUE1: return &m.value1;
        case IDC_SV_VALUE2: return &m.value2;
        case IDC_SV_MIN: return &m.newMin;
        case IDC_SV_MAX: return &m.newMax;
        default: return nullptr;
    }
}

bool FocusIsEdit(HWND* edit) {
    HWND f = GetFocus();
    char cls[16] = {};
    if (!f || !GetClassNameA(f, cls, sizeof cls) || lstrcmpiA(cls, "Edit") != 0) return false;
    *edit = f;
    return true;
}

// A field lost the focus: check what it holds and keep the result.
void CheckField(HWND dlg, ValueDialogModel& m, int item) {
    double* slot = Stored(m, item);
    if (!slot) return;
    char text[64] = {};
    GetDlgItemTextA(dlg, item, text, sizeof text);
    double typed;
    if (!ParseTypedNumber(text, &typed)) {
        MessageBeep(0xFFFFFFFF);
        SetItem(dlg, item, Number(m, *slot));
        return;
    }
    FieldCheck c{typed, false, false};
    switch (item) {
        case IDC_SV_MIN: c = CheckMinField(typed, m.newMin, m.newMax, m.outerLower, m.integerNumbers); break;
        case IDC_SV_MAX: c = CheckMaxField(typed, m.newMax, m.newMin, m.outerUpper, m.integerNumbers); break;
        case IDC_SV_VALUE1: c = CheckValueField(typed, m.newMin, m.newMax, m.clampValue, m.integerNumbers); break;
        default: break;
    }
    if (c.beep) MessageBeep(0xFFFFFFFF);
    if (c.rewrite) SetItem(dlg, item, Number(m, c.value));
    *slot = c.value;
}

void Init(HWND dlg, ValueDialogModel& m) {
    SetItem(dlg, IDC_SV_NAME, m.name);
    SetItem(dlg, IDC_SV_TYPE, m.type);
    SetItem(dlg, IDC_SV_CURRENT1, Number(m, m.value1));
    SetItem(dlg, IDC_SV_VALUE1, Number(m, m.value1));
    if (m.hasValue2) {
        SetItem(dlg, IDC_SV_CURRENT2, Number(m, m.value2));
        SetItem(dlg, IDC_SV_VALUE2, Number(m, m.value2));
    } else {
        SetItem(dlg, IDC_SV_CURRENT2, m.unusedText.c_str());
    }
    EnableWindow(GetDlgItem(dlg, IDC_SV_VALUE2), m.hasValue2);
    SetItem(dlg, IDC_SV_RANGE, m.rangeText);
    if (m.rangeEditable) {
        SetItem(dlg, IDC_SV_MIN, Number(m, m.newMin));
        SetItem(dlg, IDC_SV_MAX, Number(m, m.newMax));
    }
    EnableWindow(GetDlgItem(dlg, IDC_SV_MIN), m.rangeEditable);
    EnableWindow(GetDlgItem(dlg, IDC_SV_MAX), m.rangeEditable);
}

bool Ok(HWND dlg, ValueDialogModel& m) {
    if (!m.checkOnOk) return true;
    SetValueVerdict v = CheckSetValueOk(m.newMin, m.newMax, m.value1, m.outerLower, m.outerUpper);
    int item = 0;
    switch (v.failure) {
        case SetValueFailure::None: return true;
        case SetValueFailure::Minimum: item = IDC_SV_MIN; break;
        case SetValueFailure::Maximum: item = IDC_SV_MAX; break;
        case SetValueFailure::Value: item = IDC_SV_VALUE1; break;
    }
    *Stored(m, item) = v.bound;
    SetItem(dlg, item, Number(m, v.bound));
    SetFocus(GetDlgItem(dlg, item));
    MessageBeep(0);
    return false;
}

INT_PTR CALLBACK ValueDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* m = reinterpret_cast<ValueDialogModel*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dlg, DWLP_USER, lp);
            Init(dlg, *reinterpret_cast<ValueDialogModel*>(lp));
            return TRUE;
        case WM_COMMAND: {
            if (!m) return FALSE;
            const int item = LOWORD(wp), code = HIWORD(wp);
            if (Stored(*m, item)) {
                if (code == EN_KILLFOCUS) CheckField(dlg, *m, item);
                else if (code == kNotifyRestoreField) SetItem(dlg, item, Number(*m, *Stored(*m, item)));
                return TRUE;
            }
            HWND edit;
            if (item == IDOK) {
                // The field in hand is checked by leaving it; OK then needs a second press.
                if (FocusIsEdit(&edit)) PostMessageA(GetParent(edit), WM_NEXTDLGCTL, 0, 0);
                else if (Ok(dlg, *m)) EndDialog(dlg, 1);
                return TRUE;
            }
            if (item == IDCANCEL) {
                if (FocusIsEdit(&edit))
                    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), kNotifyRestoreField),
                                 reinterpret_cast<LPARAM>(edit));
                else EndDialog(dlg, 2);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR RunValueDialog(HWND owner, ValueDialogModel& model) {
    ModuleActivation scope;
    return DialogBoxParamA(gUiInstance, MAKEINTRESOURCEA(IDD_SET_VALUE), owner, ValueDlgProc,
                           reinterpret_cast<LPARAM>(&model));
}

}  // namespace frostel::widgets::detail

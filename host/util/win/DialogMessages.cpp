#include "win/DialogMessages.h"

#include "NumberText.h"
#include "win/DialogItems.h"
#include "win/HostUtilIds.h"
#include "win/ResourceHandles.h"

#include <string>

namespace frostel::hostutil {

namespace {

constexpr char kCaption[] = "Frostel";

int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    return MessageBoxA(owner, text, caption, flags);
}
MessageBoxSink gSink = SystemMessageBox;

void RejectItem(HWND dlg, int item, HINSTANCE module, const std::string& low,
                const std::string& high, const std::string& nearer) {
    MessageBeep(MB_ICONEXCLAMATION);
    ShowStringMessage(dlg, module, IDS_HOSTUTIL_RANGE, MessageKind::Warning, low.c_str(), high.c_str());
    SetDlgItemTextA(dlg, item, nearer.c_str());
    SetFocus(GetDlgItem(dlg, item));
    SelectAllText(dlg, item);
}

}  // namespace

void SetMessageBoxSink(MessageBoxSink sink) { gSink = sink ? sink : SystemMessageBox; }

int ShowStringMessage(HWND owner, HINSTANCE module, UINT id, MessageKind kind, const char* a0,
                      const char* a1, const char* a2) {
    std::string text = ReplaceCaretArgs(LoadStringText(module, id), a0, a1, a2);
    UINT icon = kind == MessageKind::Error ? MB_ICONSTOP : MB_ICONEXCLAMATION;
    return gSink(owner, text.c_str(), kCaption, MB_OK | icon);
}

bool CheckIntItem(HWND dlg, int item, pi::int32 low, pi::int32 high, HINSTANCE module,
                  pi::int32* value) {
    pi::Str255 text;
    GetItemPStr(dlg, item, text);
    pi::int32 v = 0;
    NumberSign sign = ParseIntPStr(text, &v);
    if (sign != NumberSign::None && v >= low && v <= high) {
        if (value) *value = v;
        return true;
    }
    pi::int32 nearer = (sign == NumberSign::None || v < low) ? low : high;
    RejectItem(dlg, item, module, FormatInt(low), FormatInt(high), FormatInt(nearer));
    if (value) *value = nearer;
    return false;
}

bool CheckDecimalItem(HWND dlg, int item, double low, double high, int decimals,
                      HINSTANCE module, double* value) {
    pi::Str255 text;
    GetItemPStr(dlg, item, text);
    ParsedDecimal d = ParseDecimalPStr(text);
    double v = d.Value();
    if (d.sign != NumberSign::None && v >= low && v <= high) {
        if (value) *value = v;
        return true;
    }
    double nearer = (d.sign == NumberSign::None || v < low) ? low : high;
    RejectItem(dlg, item, module, FormatDouble(low, decimals), FormatDouble(high, decimals),
               FormatDouble(nearer, decimals));
    if (value) *value = nearer;
    return false;
}

}  // namespace frostel::hostutil

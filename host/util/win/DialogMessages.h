// Message boxes from string resources with ^0, ^1 and ^2 replaced, and the
// range checks of numeric edit items.
#pragma once

#include "HostInterface.h"

#include <windows.h>

namespace frostel::hostutil {

enum class MessageKind { Warning, Error };  // exclamation or stop icon

// Shows the message; the test build replaces the box through this seam.
using MessageBoxSink = int (*)(HWND owner, const char* text, const char* caption, UINT flags);
void SetMessageBoxSink(MessageBoxSink sink);  // null restores MessageBoxA

// Shows string `id` with ^0..^2 replaced; returns the box's result.
int ShowStringMessage(HWND owner, HINSTANCE module, UINT id, MessageKind kind,
                      const char* a0 = nullptr, const char* a1 = nullptr, const char* a2 = nullptr);

// Range checks of an edit item. In range: true and the value. Otherwise
// (also for text without a number): a beep, the range message, the nearer
// bound (the low one for no number) put into the item and selected; false
// and that bound as the value.
bool CheckIntItem(HWND dlg, int item, pi::int32 low, pi::int32 high, HINSTANCE module,
                  pi::int32* value);
// Decimal items accept a comma or a period; bounds are shown with
// `decimals` decimals.
bool CheckDecimalItem(HWND dlg, int item, double low, double high, int decimals,
                      HINSTANCE module, double* value);

}  // namespace frostel::hostutil

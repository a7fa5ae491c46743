#include <windows.h>

#include "Alert.h"

namespace frostel {

void ShowAlert(const char* text, const char* caption) { MessageBoxA(nullptr, text, caption, MB_OK); }

}  // namespace frostel

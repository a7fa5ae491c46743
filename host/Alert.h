// Message boxes for the user: OK button, no owner. Natively (tests) there is
// no window system; the text goes to a sink that a test may set.
#pragma once

namespace frostel {

void ShowAlert(const char* text, const char* caption);

using AlertSink = void (*)(const char* caption, const char* text);
void SetAlertSink(AlertSink sink);  // native builds only; null drops the alerts

}  // namespace frostel

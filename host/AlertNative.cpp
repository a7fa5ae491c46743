#include "Alert.h"

namespace frostel {

namespace {
AlertSink gSink = nullptr;
}

void ShowAlert(const char* text, const char* caption) {
    if (gSink != nullptr) gSink(caption, text);
}

void SetAlertSink(AlertSink sink) { gSink = sink; }

}  // namespace frostel

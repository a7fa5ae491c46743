#include "Alert.h"
#include "FilterEntry.h"
#include "Plugin.h"

namespace {

// The module's message boxes, natively: straight to the test host, which
// logs them as it does the boxes it answers under Windows.
void ToHost(const char* caption, const char* text) {
    if (frostel::hostsim::Host* host = frostel::hostsim::Host::Current()) host->RecordMessageBox(caption, text);
}

}  // namespace

frostel::hostsim::EntryPoint FilterEntry() {
    frostel::SetAlertSink(&ToHost);
    return &PluginMain;
}

#include "RunStop.h"

#include "Dialog.h"
#include "PreviewPorts.h"
#include "Plugin.h"
#include "WorkWatch.h"

namespace frostel {

namespace {
int32_t gIntervalMs = WorkWatch::kDefaultIntervalMs;
}  // namespace

RunStatus AskToStop() {
    if (gDialogOpen) return gInputPort != nullptr && gInputPort->InputWaiting() ? RunStatus::Superseded : RunStatus::Done;
    const pi::FilterRecord* fr = gFilterRecord;
    if (fr != nullptr && fr->abortProc != nullptr && fr->abortProc() != 0) return RunStatus::Cancelled;
    return RunStatus::Done;
}

int32_t StopCheckIntervalMs() { return gIntervalMs; }

void SetStopCheckInterval(int32_t ms) { gIntervalMs = ms < 0 ? WorkWatch::kDefaultIntervalMs : ms; }

}  // namespace frostel

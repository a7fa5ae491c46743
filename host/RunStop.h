// Whether a render should stop before it is done, and what a stopped one
// means. The scene driver asks through its watches, never more often than
// their interval:
//   - in a silent run, and in the final run after OK, the host's abort
//     callback: the user asked the host to stop, and the run ends as
//     cancelled with the document untouched;
//   - while the dialog draws its preview, the dialog's input queue: a click,
//     key or command waits, so the picture would be out of date when done.
//     The host's callback is not asked then: a host may pump messages in
//     it, and the dialog's own would run inside the render.
// The status travels back as a value; the entry alone turns Cancelled into
// the host's result code.
#pragma once

#include <cstdint>

namespace frostel {

enum class RunStatus : uint8_t {
    Done,        // ran to its end (or failed; failures are in the result word)
    Cancelled,   // the host's user stopped it: nothing is written
    Superseded,  // a preview that newer input made stale: nothing is shown
};

// Asked once: Done to go on.
RunStatus AskToStop();

// How often the watches of a run may ask (milliseconds; 0: at every clock
// read, for tests). Anything below 0 restores the default.
int32_t StopCheckIntervalMs();
void SetStopCheckInterval(int32_t ms);

}  // namespace frostel

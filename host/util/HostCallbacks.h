// Presence checks of the host's callbacks and callback tables in the filter
// record, and the interface version each one first appeared in.
#pragma once

#include "HostInterface.h"

namespace frostel::hostutil {

enum class CallbackStatus {
    Available,
    Missing,  // absent, an older version or too few entries: the host is too old
    Newer,    // a table version newer than this module knows
};

// A table is complete when its version is the one this module was built for
// and it has at least the current number of entries.
CallbackStatus CheckHandleProcs(const pi::HandleProcs* procs);
CallbackStatus CheckPropertyProcs(const pi::PropertyProcs* procs);
CallbackStatus CheckChannelPortProcs(const pi::ChannelPortProcs* procs);
CallbackStatus CheckReadDescriptorProcs(const pi::ReadDescriptorProcs* procs);
CallbackStatus CheckWriteDescriptorProcs(const pi::WriteDescriptorProcs* procs);
// The parameter block and both of its descriptor tables.
CallbackStatus CheckDescriptorParameters(const pi::PIDescriptorParameters* params);

// The host services the module may need.
enum class HostService {
    AbortProc,
    ProgressProc,
    HostProc,
    ProcessEvent,
    DisplayPixels,
    HandleProcs,
    AdvanceState,
    ColorServices,
    PropertyProcs,
    ChannelPortProcs,
    DescriptorParameters,
    BasicSuite,
};

// Single callbacks are Available or Missing; tables as above. A null
// record makes every service Missing.
CallbackStatus CheckHostService(const pi::FilterRecord* record, HostService service);
bool HostCallbackPresent(const pi::FilterRecord* record, HostService service);

// The interface version that introduced the service, as text ("2.5", "4.0").
const char* RequiredInterfaceVersion(HostService service);

}  // namespace frostel::hostutil

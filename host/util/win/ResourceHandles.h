// Resources of the module read into new host handles, and string resources
// as text.
#pragma once

#include "HostInterface.h"

#include <windows.h>

#include <string>

namespace frostel::hostutil {

// The resource's bytes in a new host handle; null when the resource is
// missing or the table cannot make and lock handles.
pi::Handle LoadResourceToHandle(const pi::HandleProcs* procs, HINSTANCE module, LPCSTR type, int id);
// The string's text (no terminator) in a new host handle.
pi::Handle LoadStringToHandle(const pi::HandleProcs* procs, HINSTANCE module, UINT id);

// The string resource; empty when missing.
std::string LoadStringText(HINSTANCE module, UINT id);

}  // namespace frostel::hostutil

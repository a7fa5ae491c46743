// The filter entry under test: the plug-in's own function in the native build,
// the entry of the built module, found through its property list, under Wine.
#pragma once

#include "HostSim.h"

frostel::hostsim::EntryPoint FilterEntry();

#include "FilterEntry.h"

#include "Plugin.h"

frostel::hostsim::EntryPoint FilterEntry() { return &PluginMain; }

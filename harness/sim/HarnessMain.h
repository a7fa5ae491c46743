// The test host's command line: parsing and the run itself, independent of
// how the module was loaded and how files are opened.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "HostSim.h"
#include "Layers.h"
#include "ParameterArgs.h"
#include "ScriptingArgs.h"

namespace frostel::hostsim {

struct HarnessArgs {
    std::string module;
    std::string input;
    std::string output;
    int16_t mode = pi::plugInModeRGBColor;
    bool alpha = false;
    int16_t planes = 0;  // 0: the mode's own count
    std::string mask;
    std::string workPath;       // text path file (WorkPath.h), served as the document's work path
    bool propertyProcs = true;  // serve the document's paths at all
    int runs = 1;
    bool about = false;
    bool timing = false;             // print where the time went: files, filter
    int renderThreads = 0;           // --threads: the module's render threads (0: its own choice)
    std::vector<int16_t> selectors;  // raw selector calls after the runs
    std::string log;
    std::string dialogScript;  // Options::dialogScript is read from this file
    Options options;
    LayerArgs layers;  // a layered document built on the input image
    ScriptingArgs scripting;
    std::string preset;                      // --preset, applied after the parameters selector
    std::vector<ParameterSetting> settings;  // --set, applied after the preset
    bool help = false;
};

struct ParsedArgs {
    bool ok = false;
    std::string error;
    HarnessArgs args;
};

// A decimal integer in [lo, hi], the whole text.
bool ToInt(const std::string& text, long lo, long hi, long& value);

// argv without the program name.
ParsedArgs ParseHarnessArgs(const std::vector<std::string>& argv);
std::string HarnessUsage();

struct FileAccess {
    std::function<bool(const std::string& path, std::vector<uint8_t>& bytes)> read;
    std::function<bool(const std::string& path, const std::vector<uint8_t>& bytes)> write;
};
FileAccess StandardFileAccess();  // std::fstream with narrow paths

// Exit codes of the test host.
enum : int {
    kExitOk = 0,
    kExitFilterFailed = 1,  // a selector returned non-zero, or the host stopped the run
    kExitUsage = 2,
    kExitFiles = 3,         // an input could not be read or the output not written
};

// Loads the input, runs the module through `entry`, writes the output (only
// when every selector returned 0) and the log (always, when asked).
int RunHarness(const HarnessArgs& args, EntryPoint entry, const FileAccess& files, std::ostream& out,
               std::ostream& err);

}  // namespace frostel::hostsim

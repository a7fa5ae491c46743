// The About box's and the help pages' pure parts: which page a help topic
// opens, the version line, where the logo goes.
#pragma once

#include <string>

namespace frostel {

// Help topics: the main dialog asks for 778 + its tab index (F1) and 0 for
// its help button; the message dialog for 781.
constexpr int kHelpTopicParameters = 777;
constexpr int kHelpTopicGeometry = 778;
constexpr int kHelpTopicMaterial = 779;
constexpr int kHelpTopicMain = 781;
// The file of a topic; the main page for any code not in the table.
const char* HelpPageFile(int topic);
// The help folder beside a module: "<folder of modulePath>Frostel\Help\".
std::string HelpFolderOf(const std::string& modulePath);

// The plug-in's version, as shown and as reported to the update server.
#define FROSTEL_PLUGIN_VERSION "1.6"

// The About box's version line: "1.6", with " (64 Bit)" in the 64-bit
// module. Chosen when compiling, so the 32-bit module holds no such text.
const char* AboutVersionText();

struct LogoRect {
    int x, y, width, height;
};
// The 400 x 300 logo scaled by dpi/96 and fitted, aspect kept, into the
// client width and the height above the logo frame.
LogoRect PlaceLogo(int dpi, int clientWidth, int areaHeight);

}  // namespace frostel

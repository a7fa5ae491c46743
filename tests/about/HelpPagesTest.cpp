// The help pages: one for every topic the dialogs ask for, and every link
// and picture they reference is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "AboutText.h"

using namespace frostel;

namespace {
const std::string kHelpDir = FROSTEL_SOURCE_DIR "/resources/help/";

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}
}  // namespace

TEST(HelpPages, EveryTopicHasAPageWhoseLocalLinksResolve) {
    for (int topic : {0, kHelpTopicParameters, kHelpTopicGeometry, kHelpTopicMaterial, kHelpTopicMain}) {
        const std::string page = HelpPageFile(topic);
        std::string html;
        ASSERT_TRUE(ReadFile(kHelpDir + page, html)) << page;
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        int links = 0;
        for (const char* attribute : {"href=\"", "src=\""}) {
            for (size_t at = html.find(attribute); at != std::string::npos; at = html.find(attribute, at + 1)) {
                const size_t start = at + std::string(attribute).size();
                const std::string ref = html.substr(start, html.find('"', start) - start);
                if (ref.find(':') != std::string::npos || ref[0] == '#') continue;  // web addresses, anchors
                std::string target;
                EXPECT_TRUE(ReadFile(kHelpDir + ref, target)) << page << " -> " << ref;
                ++links;
            }
        }
        EXPECT_GE(links, 4) << page;  // the style sheet and the pages' navigation
    }
}

// The help pages call every control of the dialog's pages and of the preset
// panel by the caption the dialog shows (taken from the dialog resources),
// so that what a user reads can be found on the screen.
TEST(HelpPages, NameEveryControlAsTheDialogShowsIt) {
    std::string help;
    for (int topic : {kHelpTopicParameters, kHelpTopicGeometry, kHelpTopicMaterial, kHelpTopicMain}) {
        std::string html;
        ASSERT_TRUE(ReadFile(kHelpDir + HelpPageFile(topic), html));
        help += html;
    }
    std::vector<std::string> captions = {"Geometry", "Material"};  // the tabs
    const std::regex caption(R"re((?:SPIN\(\d+, \d+, |LTEXT |AUTOCHECKBOX |GROUPBOX |CONTROL )"([^"]+)")re");
    for (const char* rc : {"/resources/Dialog.rc", "/resources/Presets.rc"}) {
        std::string text;
        ASSERT_TRUE(ReadFile(std::string(FROSTEL_SOURCE_DIR) + rc, text)) << rc;
        // The pages and the panel: from the Geometry page's or the panel's template on.
        const size_t from = text.find(std::string(rc).find("Dialog") != std::string::npos ? "IDD_GEOMETRY_PAGE"
                                                                                           : "IDD_PRESET_PANEL");
        const size_t to = text.find("IDD_SAVE_PRESET", from);
        ASSERT_NE(from, std::string::npos) << rc;
        const std::string part = text.substr(from, to == std::string::npos ? std::string::npos : to - from);
        for (std::sregex_iterator i(part.begin(), part.end(), caption), end; i != end; ++i) {
            std::string c = (*i)[1];
            if (!c.empty() && c.back() == ':') c.pop_back();  // "Emitter:"
            if (c.size() > 1) captions.push_back(c);           // not the fields' "X" and "Y"
        }
    }
    EXPECT_GE(captions.size(), 40u) << "the captions were not found in the resources";
    for (const std::string& c : captions) EXPECT_NE(help.find(c), std::string::npos) << "the help never says \"" << c << "\"";

    // And the other way: the tables of values name only what the dialog shows
    // ("Material Shininess" holds "Shininess", but the dialog never says it).
    // Their name is the first cell of a row, or on the page of all parameters
    // the "Dialog" column, there with " swatch" or " dial" after it.
    size_t named = 0;
    for (size_t at = help.find("<table>"); at != std::string::npos; at = help.find("<table>", at + 1)) {
        const std::string table = help.substr(at, help.find("</table>", at) - at);
        const bool values = table.find("<tr><th>Value</th>") != std::string::npos;
        const bool dialogColumn = table.find("<tr><th>Name</th><th>Dialog</th>") != std::string::npos;
        if (!values && !dialogColumn) continue;
        for (size_t row = table.find("<tr><td>"); row != std::string::npos; row = table.find("<tr><td>", row + 1)) {
            size_t cell = row + 8;
            if (dialogColumn) cell = table.find("<td>", cell) + 4;
            std::string name = table.substr(cell, table.find("</td>", cell) - cell);
            for (const std::string tail : {" swatch", " dial"})
                if (name.size() > tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
                    name.erase(name.size() - tail.size());
            ++named;
            EXPECT_TRUE(std::find(captions.begin(), captions.end(), name) != captions.end())
                << "the help's \"" << name << "\" is not what the dialog shows";
        }
    }
    EXPECT_GE(named, 40u) << "the help's tables of values were not found";
}

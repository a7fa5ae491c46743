// The help pages: one for every topic the dialogs ask for, and every link
// and picture they reference is there.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

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

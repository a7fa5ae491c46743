#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "PresetBrowser.h"

namespace frostel {
namespace {

FolderEntry File(const char* name, bool archive = true) { return {name, false, archive, false}; }
FolderEntry Dir(const char* name, bool reparse = false) { return {name, true, false, reparse}; }

TEST(PresetList, FoldersThenPresetsWithTheirExtensionStrippedOnce) {
    const std::vector<FolderEntry> listing = {
        Dir("."), Dir(".."), File("a.FRLPST"), Dir("Glass"), File("x.frlpst"), File("Snowfrlpst.frlpst"),
        File("b.frlpst.frlpst"), File("old.frlpst", false), Dir(".hidden"), File("notes.txt"), File(".frlpst"),
        Dir("dir.frlpst")};
    EXPECT_EQ(PresetListEntries(listing, PresetList::Factory, true),
              (std::vector<std::string>{"Default", "\tGlass", "\tdir.frlpst", "a", "x", "Snowfrlpst", "b.frlpst"}));
    // Below the root the user list leads up, and has no "Default".
    EXPECT_EQ(PresetListEntries(listing, PresetList::User, false),
              (std::vector<std::string>{"\t..", "\tGlass", "\tdir.frlpst", "a", "x", "Snowfrlpst", "b.frlpst"}));
    EXPECT_TRUE(IsFolderEntry("\t.."));
    EXPECT_FALSE(IsFolderEntry("Default"));
    EXPECT_EQ("Glass", FolderOfEntry("\tGlass"));
}

TEST(PresetList, SubFolderPathsGoDownAndUpAndStayBounded) {
    std::string path;
    EXPECT_FALSE(EnterSubFolder(path, ".."));
    ASSERT_TRUE(EnterSubFolder(path, "Glass"));
    ASSERT_TRUE(EnterSubFolder(path, "Deep One"));
    EXPECT_EQ("Glass\\Deep One\\", path);
    for (const char* bad : {"", ".", "a\\b", "c/d", "e:f"}) {
        EXPECT_FALSE(EnterSubFolder(path, bad)) << bad;
        EXPECT_EQ("Glass\\Deep One\\", path);
    }
    ASSERT_TRUE(EnterSubFolder(path, ".."));
    EXPECT_EQ("Glass\\", path);
    ASSERT_TRUE(EnterSubFolder(path, ".."));
    EXPECT_EQ("", path);
    // A path written with '/' leads up the same way.
    path = "a/b/";
    ASSERT_TRUE(EnterSubFolder(path, ".."));
    EXPECT_EQ("a/", path);

    path.clear();
    const std::string name(50, 'n');
    while (EnterSubFolder(path, name)) ASSERT_LE(path.size(), kMaxSubFolder);
    EXPECT_EQ(5 * 51u, path.size());
}

TEST(PresetList, PathsOfTheTwoTrees) {
    EXPECT_EQ("C:\\P\\Basic\\", PresetListFolder("C:\\P\\", PresetList::Factory, ""));
    EXPECT_EQ("C:\\P\\User\\Glass\\", PresetListFolder("C:\\P\\", PresetList::User, "Glass"));
    EXPECT_EQ("C:\\P\\User\\G/", PresetListFolder("C:\\P\\", PresetList::User, "G/"));
    EXPECT_EQ("C:\\P\\User\\Sub\\Snowfrlpst.frlpst",
              PresetFilePath("C:\\P\\", PresetList::User, "Sub\\", "Snowfrlpst.frlpst"));
    EXPECT_EQ("C:\\P\\Basic\\a.frlpst", PresetFilePath("C:\\P\\", PresetList::Factory, "", "a"));
    EXPECT_EQ("", PresetFilePath("C:\\P\\", PresetList::User, "", ".frlpst"));
    EXPECT_EQ("", PresetFilePath("C:\\P\\", PresetList::User, "", std::string(250, 'x')));
}

// A folder tree in memory; a junction points back at the root.
struct Tree {
    std::map<std::string, std::vector<FolderEntry>> folders;
    int listings = 0;
    FolderLister Lister() {
        return [this](const std::string& f) {
            ++listings;
            auto it = folders.find(f);
            return it == folders.end() ? std::vector<FolderEntry>{} : it->second;
        };
    }
};

TEST(RandomPick, FollowsTheDrawsIntoFoldersAndSkipsReparsePoints) {
    Tree t;
    t.folders["r"] = {Dir("."), Dir(".."), Dir("loop", true), File("a.frlpst"), Dir("sub"), Dir("empty")};
    t.folders["r/sub"] = {File("b.frlpst"), File("c.frlpst")};
    t.folders["r/loop"] = t.folders["r"];
    std::vector<int> draws;
    size_t next = 0;
    auto draw = [&] { return draws.at(next++); };

    draws = {0};
    EXPECT_EQ("r/a.frlpst", PickRandomFile("r", t.Lister(), draw));
    draws = {4, 1};  // 4 % 3 entries picks "sub", then its second file
    next = 0;
    EXPECT_EQ("r/sub/c.frlpst", PickRandomFile("r", t.Lister(), draw));
    draws = {2};  // an empty folder gives nothing, with no second try
    next = 0;
    EXPECT_EQ("", PickRandomFile("r", t.Lister(), draw));
    EXPECT_EQ(1u, next);
    EXPECT_EQ("", PickRandomFile("", t.Lister(), draw));
    EXPECT_EQ("", PickRandomFile("missing", t.Lister(), draw));
}

TEST(RandomPick, StopsAtItsDepthInAnEndlessTree) {
    Tree t;
    // Every folder holds one folder of the same name: only the depth bound ends this.
    std::string f = "r";
    for (int i = 0; i < 100; ++i) {
        t.folders[f] = {Dir("d")};
        f += "/d";
    }
    t.listings = 0;
    EXPECT_EQ("", PickRandomFile("r", t.Lister(), [] { return 0; }));
    EXPECT_EQ(kMaxPickDepth + 1, t.listings);
}

}  // namespace
}  // namespace frostel

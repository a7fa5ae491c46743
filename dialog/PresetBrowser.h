// What the preset panel shows and where its files are, apart from the
// windows: the entries of a list from a folder's listing, the sub-folder
// paths of the two lists, preset paths and the random pick of a file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace frostel {

enum class PresetList { Factory = 0, User = 1 };

// One entry of a folder listing.
struct FolderEntry {
    std::string name;
    bool directory = false;
    bool archive = false;
    bool reparsePoint = false;  // junction or symbolic link
};
using FolderLister = std::function<std::vector<FolderEntry>(const std::string& folder)>;

// The first entry of the factory list.
extern const char kDefaultEntry[];  // "Default"
// A list entry that is a folder begins with a TAB; TAB ".." leads up.
bool IsFolderEntry(const std::string& entry);
std::string FolderOfEntry(const std::string& entry);  // the name without its TAB

// A list's entries from its folder's listing: "Default" first in the factory
// list, then the folders (TAB + name; names beginning with '.' left out
// except "..", which only below the root), then the presets (files with the
// archive attribute whose name ends in ".frlpst", without it).
std::vector<std::string> PresetListEntries(const std::vector<FolderEntry>& listing, PresetList list, bool atRoot);

// A list's sub-folder path, relative to its tree: empty at the root, else
// folder names each followed by '\'.
constexpr size_t kMaxSubFolder = 255;
// ".." drops the last folder; another name is appended with its '\'. False,
// with `path` unchanged, when the name is no single folder name or the path
// would grow past kMaxSubFolder characters.
bool EnterSubFolder(std::string& path, const std::string& folder);

// Folder of a list: preset folder + "Basic\" or "User\" + sub-folder path
// (with a '\' added when it ends in neither '\' nor '/').
std::string PresetListFolder(const std::string& presetFolder, PresetList list, const std::string& subFolder);
// A preset's file: the list's folder + name without one ".frlpst" + ".frlpst".
// Empty when the name is empty or the path would not fit kMaxPath.
constexpr size_t kMaxPath = 259;
std::string PresetFilePath(const std::string& presetFolder, PresetList list, const std::string& subFolder,
                           const std::string& name);

// A file picked at random below `folder`: entry number draw() % count among
// the folder's entries other than "." and ".."; a folder picked is searched
// the same way, at most kMaxPickDepth levels deep. Reparse points are not
// entries (no junction loops). Empty when nothing was found.
constexpr int kMaxPickDepth = 16;
std::string PickRandomFile(const std::string& folder, const FolderLister& list, const std::function<int()>& draw);

}  // namespace frostel

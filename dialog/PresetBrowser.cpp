#include "PresetBrowser.h"

#include "PresetFormat.h"

namespace frostel {

const char kDefaultEntry[] = "Default";

namespace {

bool EndsInSeparator(const std::string& s) { return !s.empty() && (s.back() == '\\' || s.back() == '/'); }

std::string WithSeparator(std::string s, char separator) {
    if (!s.empty() && !EndsInSeparator(s)) s += separator;
    return s;
}

bool IsDotName(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

bool IsFolderEntry(const std::string& entry) { return !entry.empty() && entry[0] == '\t'; }

std::string FolderOfEntry(const std::string& entry) { return IsFolderEntry(entry) ? entry.substr(1) : entry; }

std::vector<std::string> PresetListEntries(const std::vector<FolderEntry>& listing, PresetList list, bool atRoot) {
    std::vector<std::string> out;
    if (list == PresetList::Factory) out.push_back(kDefaultEntry);
    for (const FolderEntry& e : listing) {
        if (!e.directory) continue;
        if (e.name == "..") {
            if (!atRoot) out.push_back("\t..");
        } else if (!e.name.empty() && e.name[0] != '.') {
            out.push_back("\t" + e.name);
        }
    }
    for (const FolderEntry& e : listing) {
        if (e.directory || !e.archive || !HasPresetExtension(e.name)) continue;
        out.push_back(StripPresetExtension(e.name));
    }
    return out;
}

bool EnterSubFolder(std::string& path, const std::string& folder) {
    if (folder == "..") {
        if (path.empty()) return false;
        size_t end = path.size() - 1;  // the last folder's own separator
        while (end > 0 && path[end - 1] != '\\' && path[end - 1] != '/') --end;
        path.resize(end);
        return true;
    }
    if (folder.empty() || folder == "." || folder.find_first_of("\\/:") != std::string::npos) return false;
    const std::string grown = WithSeparator(path, '\\') + folder + '\\';
    if (grown.size() > kMaxSubFolder) return false;
    path = grown;
    return true;
}

std::string PresetListFolder(const std::string& presetFolder, PresetList list, const std::string& subFolder) {
    const std::string root = presetFolder + (list == PresetList::Factory ? "Basic\\" : "User\\");
    return root + WithSeparator(subFolder, '\\');
}

std::string PresetFilePath(const std::string& presetFolder, PresetList list, const std::string& subFolder,
                           const std::string& name) {
    const std::string stem = StripPresetExtension(name);
    if (stem.empty()) return {};
    const std::string path = PresetListFolder(presetFolder, list, subFolder) + stem + kPresetExtension;
    return path.size() > kMaxPath ? std::string() : path;
}

namespace {

std::string Pick(const std::string& folder, const FolderLister& list, const std::function<int()>& draw, int depth) {
    if (folder.empty() || depth > kMaxPickDepth) return {};
    std::vector<FolderEntry> entries;
    for (FolderEntry& e : list(folder))
        if (!IsDotName(e.name) && !e.reparsePoint) entries.push_back(std::move(e));
    if (entries.empty()) return {};
    const int r = draw();
    const FolderEntry& e = entries[size_t(r < 0 ? -(r + 1) : r) % entries.size()];
    const std::string path = WithSeparator(folder, '/') + e.name;
    if (path.size() > kMaxPath) return {};
    return e.directory ? Pick(path, list, draw, depth + 1) : path;
}

}  // namespace

std::string PickRandomFile(const std::string& folder, const FolderLister& list, const std::function<int()>& draw) {
    return Pick(folder, list, draw, 0);
}

}  // namespace frostel

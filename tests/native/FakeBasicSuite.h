// A basic suite for unit tests: serves registered suites by name and
// version and counts every acquisition and release.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "HostInterface.h"

namespace fakebasic {

struct State {
    std::map<std::pair<std::string, int>, const void*> suites;
    std::map<std::pair<std::string, int>, int> acquires, releases;
    bool successWithoutSuite = false;  // answer 0 but hand out null
};
inline State gState;

inline pi::SPErr Acquire(const char* name, pi::int32 version, const void** suite) {
    *suite = nullptr;
    const auto key = std::make_pair(std::string(name), int(version));
    if (gState.successWithoutSuite) {
        ++gState.acquires[key];
        return 0;
    }
    auto it = gState.suites.find(key);
    if (it == gState.suites.end()) return pi::FourCC("S!Fd");
    ++gState.acquires[key];
    *suite = it->second;
    return 0;
}
inline pi::SPErr Release(const char* name, pi::int32 version) {
    ++gState.releases[{name, version}];
    return 0;
}

inline pi::SPBasicSuite Suite() {
    pi::SPBasicSuite s{};
    s.AcquireSuite = Acquire;
    s.ReleaseSuite = Release;
    return s;
}

inline int Acquires(const std::string& name, int version) { return gState.acquires[{name, version}]; }
inline int Releases(const std::string& name, int version) { return gState.releases[{name, version}]; }

}  // namespace fakebasic

// Host identification: the host recognised from its signature and version
// text, and the module's own file version read from its version resource.
#pragma once

#include "HostInterface.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace frostel::hostutil {

enum HostId : int {
    kHostUnknown = -1,
    kHostReference = 1,  // the editor that defines the interface ('8BIM')
};

struct KnownHost {
    pi::OSType signature;
    const char* versionPrefix;  // "" matches any version text
    int id;
};

// The built-in table.
extern const KnownHost kKnownHosts[];
extern const size_t kKnownHostCount;

// The id of the first entry whose signature equals `signature` and whose
// version prefix starts `versionText` (null counts as ""); kHostUnknown when
// none does.
int IdentifyHost(pi::OSType signature, const char* versionText, const KnownHost* table,
                 size_t count);
inline int IdentifyHost(pi::OSType signature, const char* versionText) {
    return IdentifyHost(signature, versionText, kKnownHosts, kKnownHostCount);
}

// The file version (major, minor, release, build) of a version resource's
// fixed block. False when the block is not found.
bool ParseFixedFileVersion(const void* versionResource, size_t size, uint16_t parts[4]);
// "1.2.3.4"; trailing zero parts after the second are left off ("1.0").
std::string VersionText(const uint16_t parts[4]);

}  // namespace frostel::hostutil

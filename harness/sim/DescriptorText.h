// Descriptors as text: how the test host keeps a recorded action, the
// contents of a classic descriptor handle and its persistent registry in
// files a person can read and write. One item a line:
//
//   'Wdth' doub 80
//   'RndS' long -2147483647
//   'UsGl' bool true
//   'Nm  ' TEXT "Layer 1"
//   'Md  ' enum 'BlnM' 'Nrml'
//   'Lngh' UntF '#Pxl' 12.5
//   'Clss' type 'Lyr '
//   'HstV' Objc 'HstV' {
//     'VrsM' long 21
//   }
//
// A key that is not four printable characters is written as 0x40000001.
// Floats keep every bit (17 significant digits; inf and nan as such). A
// registry file holds entries:
//
//   entry "d9543b0c-3c91-11d4-97bc-00b004052017" {
//     ...items...
//   }
//
// Lines starting with '#' are comments. References are not written.
#pragma once

#include <map>
#include <string>

#include "ActionSuites.h"

namespace frostel::hostsim {

std::string DescriptorToText(const ActionDescriptorData& d);
// False, with `error` naming the line, when the text is not a descriptor.
bool DescriptorFromText(const std::string& text, ActionDescriptorData& out, std::string& error);

using RegistryEntries = std::map<std::string, ActionDescriptorData>;
std::string RegistryToText(const RegistryEntries& entries);
bool RegistryFromText(const std::string& text, RegistryEntries& out, std::string& error);

}  // namespace frostel::hostsim

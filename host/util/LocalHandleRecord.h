// The record an own local handle points to (the module's fallback for hosts
// without handle callbacks): the data pointer followed by the tag "OTOF".
#pragma once

#include "HostInterface.h"

namespace frostel::hostutil {

struct OwnLocalHandleRecord {
    pi::Ptr data;
    char tag[4];
};
constexpr char kOwnLocalHandleTag[4] = {'O', 'T', 'O', 'F'};

}  // namespace frostel::hostutil

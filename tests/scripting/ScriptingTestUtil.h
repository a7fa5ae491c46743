// Shared by the scripting tests: the factory record and descriptors from text.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DescriptorText.h"
#include "FilterParameters.h"

// A fresh record as the defaults leave it: zeroed at creation, then every
// factory value written.
inline frostel::FilterParameters FactoryParameters() {
    frostel::FilterParameters p;
    std::memset(&p, 0, sizeof p);
    frostel::ApplyWindowPlacementDefaults(p);
    frostel::ApplyParameterDefaults(p);
    return p;
}

inline frostel::hostsim::ActionDescriptorData ParseDescriptor(const std::string& text) {
    frostel::hostsim::ActionDescriptorData d;
    std::string why;
    EXPECT_TRUE(frostel::hostsim::DescriptorFromText(text, d, why)) << why;
    return d;
}

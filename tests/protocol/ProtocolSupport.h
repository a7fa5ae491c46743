// Shared by the protocol tests: noise documents and a fixture that runs
// each test with and without the host's 32-bit coordinate block.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "HostSim.h"

namespace protocoltest {

inline frostel::hostsim::Document Noise(int32_t width, int32_t height, int16_t mode = pi::plugInModeRGBColor,
                                        int16_t planes = 3, uint32_t seed = 1234) {
    frostel::hostsim::Document doc = frostel::hostsim::Document::Blank(width, height, mode, planes);
    std::mt19937 rng(seed);
    for (uint8_t& b : doc.pixels) b = uint8_t(rng());
    return doc;
}

class BigDocumentTest : public ::testing::TestWithParam<bool> {
protected:
    frostel::hostsim::Options HostOptions() const {
        frostel::hostsim::Options o;
        o.bigDocument = GetParam();
        return o;
    }
};

inline std::string BigDocumentName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "With32BitBlock" : "Without32BitBlock";
}

}  // namespace protocoltest

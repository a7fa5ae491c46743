// Shared by the protocol tests: noise documents and a fixture that runs
// each test with and without the host's 32-bit coordinate block.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HostSim.h"
#include "ParameterArgs.h"

namespace protocoltest {

inline frostel::hostsim::Document Noise(int32_t width, int32_t height, int16_t mode = pi::plugInModeRGBColor,
                                        int16_t planes = 3, uint32_t seed = 1234) {
    frostel::hostsim::Document doc = frostel::hostsim::Document::Blank(width, height, mode, planes);
    std::mt19937 rng(seed);
    for (uint8_t& b : doc.pixels) b = uint8_t(rng());
    return doc;
}

// Settings by key, applied after every parameters selector of the host's runs.
inline void SetParameters(frostel::hostsim::Host& host, const std::vector<std::string>& settings) {
    std::vector<frostel::hostsim::ParameterSetting> parsed;
    for (const std::string& s : settings) {
        frostel::hostsim::ParameterSetting p;
        std::string error;
        EXPECT_TRUE(frostel::hostsim::ParseParameterSetting(s, p, error)) << error;
        parsed.push_back(p);
    }
    host.SetParametersHook([parsed](uint8_t* record, size_t size) {
        EXPECT_TRUE(frostel::hostsim::ApplyParameterSettings(parsed, record, size));
    }, 256);
}

// No rib grows a branch: the scene is the background alone, the source copy,
// so the image must come back exactly. For tests of the pixel transfer.
inline void DrawNothing(frostel::hostsim::Host& host) { SetParameters(host, {"Comp=0", "CmDs=0"}); }

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

// The image state the write-back leaves before it calls the effect, for
// tests and benchmarks that call RunEffect directly: an RGBA source copy,
// a work buffer of its size, a locked parameter record with factory values
// and a filter record of an RGB document. Held while the object lives.
#pragma once

#include <cmath>
#include <cstring>
#include <vector>

#include "Dialog.h"
#include "FilterParameters.h"
#include "ImageTransfer.h"
#include "Plugin.h"

namespace frostel::testing {

// The bundled sample's look: a dark blue-to-teal field with soft discs,
// RGBA, at any size.
inline std::vector<uint8_t> SamplePhoto(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 4];
            const double fx = double(x) / w, fy = double(y) / h;
            const double glow = std::exp(-40 * ((fx - 0.3) * (fx - 0.3) + (fy - 0.4) * (fy - 0.4)));
            p[0] = uint8_t(10 + 40 * fx + 120 * glow);
            p[1] = uint8_t(30 + 90 * fy + 110 * glow);
            p[2] = uint8_t(70 + 60 * fx + 100 * glow);
            p[3] = 255;
        }
    return px;
}

class SceneImage {
public:
    SceneImage(int width, int height, std::vector<uint8_t> source) : source(std::move(source)) {
        work.assign(this->source.size(), 0);
        std::memset(&params, 0, sizeof params);
        ApplyParameterDefaults(params);
        std::memset(&record, 0, sizeof record);
        record.planes = 3;
        record.imageMode = pi::plugInModeRGBColor;
        gFilterRecord = &record;
        gParams = &params;
        gResult = &result;
        gSourceRGBA = this->source.data();
        gWorkRGBA = work.data();
        gWorkWidth = gImageWidth = width;
        gWorkHeight = gImageHeight = height;
        gRowBytes = width * 4;
        gIsCmyk = gHaveMask = false;
        gPreviewScale = 1.0f;
        gViewX = gViewY = 0;
        gDialogOpen = false;
    }
    ~SceneImage() {
        gDialogOpen = false;
        gFilterRecord = nullptr;
        gParams = nullptr;
        gResult = nullptr;
        gSourceRGBA = gWorkRGBA = nullptr;
    }
    SceneImage(const SceneImage&) = delete;
    SceneImage& operator=(const SceneImage&) = delete;

    std::vector<uint8_t> source, work;
    FilterParameters params;
    pi::FilterRecord record;
    int16_t result = 0;
};

}  // namespace frostel::testing

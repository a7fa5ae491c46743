// The image state the write-back leaves before it calls the effect, for
// tests and benchmarks that call RunEffect directly: an RGBA source copy,
// a work buffer of its size, a locked parameter record with factory values
// and a filter record of an RGB document. Held while the object lives.
#pragma once

#include <cstring>
#include <vector>

#include "Dialog.h"
#include "FilterParameters.h"
#include "ImageTransfer.h"
#include "Plugin.h"

namespace frostel::testing {

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

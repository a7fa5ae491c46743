// A small filter entry for exercising the test host: it keeps its parameters
// and data in host handles the way a real filter does and inverts the colour
// planes. Switches make it misbehave in chosen ways.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostInterface.h"

namespace testfilter {

struct Behaviour {
    bool tiled = false;            // serve bands of `bandRows` through continue instead of advanceState
    int bandRows = 16;
    bool emptyOnly16 = true;       // after advanceState, empty only the 16-bit rectangles (continue follows with 32-bit)
    bool leakLock = false;         // start locks the parameters twice and unlocks once
    bool outOfRange = false;       // start asks for one row past the image
    bool neverEnd = false;         // continue keeps the request alive
    bool checkAbort = true;        // start asks abortProc once and stops with -128 when told to
    int16_t padding = -100;        // value for inputPadding/outputPadding when >= -3
    pi::Fixed inputRate = 0x10000;
    const char* suite = nullptr;   // prepare acquires (and releases) this suite; failure -> -30900
};

struct Observed {
    int calls[6] = {};
    bool sawMask = false;           // maskData was served in start
    pi::Rect filterRect{};
    pi::VRect filterRect32{};
    int32_t inRowBytes = 0;
    std::vector<uint8_t> in;        // copy of inData as served in start
    const void* inData = nullptr;   // the buffers served in start
    const void* outData = nullptr;
    pi::OSErr advanceResult = 0;
    const void* aboutBasic = nullptr;
    const void* aboutPlatform = nullptr;
    int32_t parameterValue = 0;     // what start read from the parameter record
};

extern Behaviour gBehaviour;
extern Observed gObserved;
void Reset();

void Entry(int16_t selector, void* record, intptr_t* data, int16_t* result);

}  // namespace testfilter

// Pixel operations: opaque alpha, direction between two points, and colour
// conversion of a document-mode colour through the host's colour services.
#pragma once

#include "HostInterface.h"

#include <cstddef>

namespace frostel::hostutil {

// Sets byte 3 of every 4-byte pixel to 255.
void SetAlphaOpaque(unsigned char* rgba, size_t pixelCount);

struct Direction { double x; double y; };
// Unit vector from (fromX, fromY) towards (toX, toY); (0, 0) for equal points.
Direction UnitDirection(double fromX, double fromY, double toX, double toY);

// The host colour space of an image mode (grey and duotone modes -> grey,
// RGB -> RGB, CMYK, HSL, HSB, Lab; anything else -> RGB).
pi::int16 ColorSpaceOfMode(pi::int16 imageMode);

// Fills in the block's size and components, calls the colour-services
// callback and copies the components back on success.
// errPlugInHostInsufficient without the callback, errMissingParameter
// without components; otherwise the callback's result.
pi::OSErr CallColorServices(pi::ColorServicesProc colorServices, pi::ColorServicesInfo& info,
                            pi::int16 components[4]);

// Converts four 16-bit components in place from the colour space of
// imageMode to resultSpace through the host's colour-services callback.
// errPlugInHostInsufficient without the callback, errMissingParameter
// without components; otherwise the callback's result (components are only
// changed when it is noErr).
pi::OSErr ConvertModeColor(pi::ColorServicesProc colorServices, pi::int16 imageMode,
                           pi::int16 resultSpace, pi::int16 components[4]);

}  // namespace frostel::hostutil

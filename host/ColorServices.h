// Colour conversion and colour picking through the host's colour-services
// callback, and the mapping of image modes to the callback's colour spaces.
// Components are the callback's four 16-bit values (0..255 for 8-bit
// colours; CMYK as the planes store them).
#pragma once

#include <cstdint>

#include "HostInterface.h"

namespace frostel {

// Converts the components in place from one space to another.
// -30900 without the callback, -1715 without components, else the
// callback's answer (the components change only on success).
pi::OSErr ConvertColorSpace(pi::ColorServicesProc services, int16_t sourceSpace, int16_t resultSpace,
                            int16_t components[4]);

// The host's colour picker, starting from the colour in `space`; on success
// the chosen colour and the space it is in come back. -30900 and -1715 as
// above; a cancelled picker gives the host's answer.
pi::OSErr PickColorWithHost(pi::ColorServicesProc services, const pi::Str255* prompt, int16_t& space,
                            int16_t components[4]);

// Through the current filter record's callback, between the spaces of two
// image modes. False without a record or when the conversion fails.
bool ConvertColorBetweenModes(uint16_t components[4], uint16_t sourceMode, uint16_t resultMode);

// An RGB colour (the 8-bit value in each high byte) into up to four
// components of the mode. False for multichannel and duotone, which have no
// colour space to convert into.
bool ConvertRgbToMode(const pi::RGBColor& color, uint16_t out[4], uint16_t mode);

// Grey 1 -> grey space, RGB 3 -> RGB, CMYK 4 -> CMYK, HSL 5, HSB 6, Lab 9;
// every other mode (indexed among them) -> the RGB space.
int16_t ImageModeToColorSpace(int16_t mode);

// The further family.
// Copies four components; with `highBytes` each becomes its high byte.
void CopyColorComponents(const uint16_t from[4], uint16_t to[4], bool highBytes);
void SetColorComponents(uint16_t to[4], uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3);
// The colour space of every mode up to 17, -1 for the modes without one
// (bitmap, indexed, multichannel, deep multichannel) and above 17.
int16_t ColorSpaceOfModeTable(int16_t mode);
// Picks an RGB colour with the host: noErr with the colour, the host's
// -128 when the user cancelled, another code when the host has no picker or
// its answer cannot be had in RGB (the colour is then unchanged).
pi::OSErr PickColorAsRgb(const pi::Str255* prompt, pi::RGBColor& color);

// Lets the planar image buffers convert colours through the host.
void InstallPlanarColorHooks();

}  // namespace frostel

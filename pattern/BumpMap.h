// The bump texture's height map: 100 x 100 heights that tile seamlessly,
// a frosted surface of soft ridges. The modules carry it as bitmap resource
// 998 (its red channel); native builds take the same bytes from here.
#pragma once

#include <cstdint>

namespace frostel {

constexpr int kBumpSize = 100;
constexpr int kBumpResourceId = 998;

// kBumpSize x kBumpSize heights, row by row.
void GenerateBumpHeights(uint8_t* heights);

}  // namespace frostel

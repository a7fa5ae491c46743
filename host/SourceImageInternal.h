// Helpers shared by the source and the result side of the image transfer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HostInterface.h"

namespace frostel {

// The record's depth, 8 when the host leaves it 0 (0 for nonsense).
uint8_t DocumentDepth(const pi::FilterRecord* fr);
// The renderer's 16-bit flag from gDocDepth.
void SetRenderDepth();
// Bytes of a width x height buffer of pixelBytes per pixel; false when it
// cannot be held (rows must fit a 32-bit stride).
bool BufferSize(int64_t width, int64_t height, int64_t pixelBytes, size_t& rowBytes, size_t& total);
// The host gave a buffer whose rows hold width pixels of pixelBytes.
bool HostBufferFits(const void* data, int32_t rowBytes, int64_t width, int64_t height, int64_t pixelBytes);

}  // namespace frostel

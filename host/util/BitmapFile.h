// Bitmap (.bmp) files and packed device-independent bitmaps, without the
// platform: writing an RGBA buffer as a 24-bit file, reading a file into a
// packed DIB (info header, colour table, pixel rows) and decoding a packed
// DIB of 8, 24 or 32 bits per pixel into RGBA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace frostel::hostutil {

enum class BmpError { None, BadArgument, CannotOpen, NotBitmap, Unsupported, Truncated, WriteFailed };
const char* BmpErrorText(BmpError e);

// Top-down rows of 4-byte RGBA pixels, tightly packed.
struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};

// Writes rows of RGBA pixels (top row first, rowBytes apart) as a 24-bit
// file; alpha is not stored.
BmpError WriteBmpFile(const char* path, const uint8_t* rgba, int32_t width, int32_t height,
                      size_t rowBytes);
std::vector<uint8_t> EncodeBmp(const uint8_t* rgba, int32_t width, int32_t height, size_t rowBytes);

// The file's packed DIB, checked to be decodable.
BmpError ReadBmpFileAsDib(const char* path, std::vector<uint8_t>& packedDib);
BmpError BmpBytesToDib(const uint8_t* file, size_t size, std::vector<uint8_t>& packedDib);

// Uncompressed 8-bit (with colour table), 24-bit and 32-bit DIBs, bottom-up
// or top-down; 32-bit bit fields only with the usual masks. 8 and 24-bit
// pixels become opaque, as do 32-bit pixels when every alpha byte is 0.
BmpError DecodeDib(const uint8_t* dib, size_t size, RgbaImage& out);

BmpError ReadBmpFile(const char* path, RgbaImage& out);

}  // namespace frostel::hostutil

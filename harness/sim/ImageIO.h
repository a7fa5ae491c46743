// PNG files in and out of the test host's documents. Decoding and encoding
// work on memory so that each front end opens files its own way (the Windows
// front opens wide-character paths).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Document.h"

namespace frostel::hostsim {

struct Image8 {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;             // 1 grey, 3 RGB, 4 RGBA
    std::vector<uint8_t> pixels;  // interleaved, rows top-down, no padding
};

// Decodes a PNG into `channels` channels (1, 3 or 4; grey is widened, colour
// is reduced to luminance for 1). `sourceChannels`, when given, receives the
// file's own channel count (2 and 4 carry alpha).
bool DecodePng(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
               int* sourceChannels = nullptr);
bool EncodePng(const Image8& image, std::vector<uint8_t>& file, std::string& error);

// The two readers behind DecodePng. The plain one reads 8-bit, non-interlaced
// grey, grey + alpha, RGB and RGBA files without a palette or transparency
// chunk through zlib, a row at a time; it declines (false) every other file
// and every fault, which stb's reader then takes. Its pixels are stb's.
bool DecodePlainPng(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
                    int* sourceChannels = nullptr);
bool DecodePngWithStb(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
                      int* sourceChannels = nullptr);

// RGB(A) pixels to a document. An alpha channel in the file, or `forceAlpha`,
// gives the document an alpha plane (opaque when the file had none). CMYK
// documents go through the invertible model of ColorModel.h; other modes
// keep the file's values. `planes` (1 to 5, 0 for the mode's own count)
// keeps that many of colour, alpha and one more plane.
bool DocumentFromPng(const std::vector<uint8_t>& file, int16_t mode, bool forceAlpha, Document& out,
                     std::string& error, int16_t planes = 0);
// The document back to RGB or RGBA (with its alpha plane) PNG bytes.
bool DocumentToPng(const Document& doc, std::vector<uint8_t>& file, std::string& error);
// A grey PNG of the document's size as its selection.
bool SelectionFromPng(const std::vector<uint8_t>& file, Document& doc, std::string& error);

// Whole-file helpers for narrow (UTF-8 on POSIX) paths.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace frostel::hostsim

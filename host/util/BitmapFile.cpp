#include "BitmapFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace frostel::hostutil {

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;
constexpr int32_t kMaxSide = 1 << 16;

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

size_t RowStride(int32_t width, int bits) { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }

// The layout of a packed DIB, checked against its size.
struct DibLayout {
    int32_t width = 0, height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = 0;
    size_t tableOffset = 0;   // colour table or bit-field masks
    size_t colours = 0;
    size_t bitsOffset = 0;    // first pixel row
    size_t stride = 0;
};

BmpError ParseDib(const uint8_t* dib, size_t size, DibLayout& l) {
    if (!dib || size < kInfoHeader) return BmpError::Truncated;
    uint32_t headerSize = Get32(dib);
    if (headerSize < kInfoHeader || headerSize > size) return BmpError::NotBitmap;
    l.width = int32_t(Get32(dib + 4));
    int32_t h = int32_t(Get32(dib + 8));
    if (Get16(dib + 12) != 1) return BmpError::NotBitmap;
    l.bits = Get16(dib + 14);
    l.compression = Get32(dib + 16);
    uint32_t clrUsed = Get32(dib + 32);
    if (l.width <= 0 || h == 0 || h == INT32_MIN) return BmpError::NotBitmap;
    l.topDown = h < 0;
    l.height = h < 0 ? -h : h;
    if (l.width > kMaxSide || l.height > kMaxSide) return BmpError::Unsupported;

    bool bitfields = l.compression == kBiBitfields && l.bits == 32;
    if (!(l.compression == kBiRgb && (l.bits == 8 || l.bits == 24 || l.bits == 32)) && !bitfields)
        return BmpError::Unsupported;

    l.tableOffset = headerSize;
    size_t tableBytes = 0;
    if (l.bits == 8) {
        l.colours = clrUsed ? clrUsed : 256;
        if (l.colours > 256) return BmpError::NotBitmap;
        tableBytes = l.colours * 4;
    } else if (bitfields) {
        if (headerSize == kInfoHeader) tableBytes = 12;  // masks follow the short header
        else l.tableOffset = kInfoHeader;                // masks are inside the header
        if (l.tableOffset + 12 > size) return BmpError::Truncated;
        if (Get32(dib + l.tableOffset) != 0x00FF0000u || Get32(dib + l.tableOffset + 4) != 0x0000FF00u ||
            Get32(dib + l.tableOffset + 8) != 0x000000FFu)
            return BmpError::Unsupported;
    } else {
        tableBytes = size_t(clrUsed) * 4;  // unused colour table of a true-colour DIB
        if (clrUsed > 256) return BmpError::NotBitmap;
    }
    l.bitsOffset = size_t(headerSize) + tableBytes;
    l.stride = RowStride(l.width, l.bits);
    if (l.bitsOffset > size || (size - l.bitsOffset) / l.stride < size_t(l.height))
        return BmpError::Truncated;
    return BmpError::None;
}

}  // namespace

const char* BmpErrorText(BmpError e) {
    switch (e) {
        case BmpError::None: return "no error";
        case BmpError::BadArgument: return "invalid argument";
        case BmpError::CannotOpen: return "the file cannot be opened";
        case BmpError::NotBitmap: return "the file is not a bitmap";
        case BmpError::Unsupported: return "this kind of bitmap is not supported";
        case BmpError::Truncated: return "the bitmap is incomplete";
        case BmpError::WriteFailed: return "the file could not be written";
    }
    return "unknown error";
}

std::vector<uint8_t> EncodeBmp(const uint8_t* rgba, int32_t width, int32_t height, size_t rowBytes) {
    if (!rgba || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        rowBytes < size_t(width) * 4)
        return {};
    size_t stride = RowStride(width, 24);
    size_t imageSize = stride * size_t(height);
    std::vector<uint8_t> out(kFileHeader + kInfoHeader + imageSize, 0);
    uint8_t* f = out.data();
    f[0] = 'B';
    f[1] = 'M';
    Put32(f + 2, uint32_t(out.size()));
    Put32(f + 10, uint32_t(kFileHeader + kInfoHeader));
    uint8_t* i = f + kFileHeader;
    Put32(i, kInfoHeader);
    Put32(i + 4, uint32_t(width));
    Put32(i + 8, uint32_t(height));  // bottom-up
    Put16(i + 12, 1);
    Put16(i + 14, 24);
    Put32(i + 16, kBiRgb);
    Put32(i + 20, uint32_t(imageSize));
    Put32(i + 24, 2835);  // 72 dpi
    Put32(i + 28, 2835);
    uint8_t* bits = i + kInfoHeader;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = rgba + size_t(height - 1 - y) * rowBytes;
        uint8_t* dst = bits + size_t(y) * stride;
        for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

BmpError WriteBmpFile(const char* path, const uint8_t* rgba, int32_t width, int32_t height,
                      size_t rowBytes) {
    if (!path) return BmpError::BadArgument;
    std::vector<uint8_t> bytes = EncodeBmp(rgba, width, height, rowBytes);
    if (bytes.empty()) return BmpError::BadArgument;
    File f(std::fopen(path, "wb"));
    if (!f) return BmpError::CannotOpen;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    ok = (std::fclose(f.release()) == 0) && ok;
    if (!ok) std::remove(path);  // leave no half-written file behind
    return ok ? BmpError::None : BmpError::WriteFailed;
}

BmpError BmpBytesToDib(const uint8_t* file, size_t size, std::vector<uint8_t>& packedDib) {
    if (!file) return BmpError::BadArgument;
    if (size < 2 || file[0] != 'B' || file[1] != 'M') return BmpError::NotBitmap;
    if (size < kFileHeader + kInfoHeader) return BmpError::Truncated;
    const uint8_t* info = file + kFileHeader;
    size_t infoSize = size - kFileHeader;
    uint32_t bitsOffset = Get32(file + 10);

    DibLayout l;
    // Parse the header alone first: the pixels may sit after a gap.
    std::vector<uint8_t> dib(info, info + infoSize);
    BmpError e = ParseDib(dib.data(), dib.size(), l);
    if (e != BmpError::None && e != BmpError::Truncated) return e;
    if (bitsOffset < kFileHeader + l.bitsOffset || bitsOffset > size) return BmpError::Truncated;
    size_t rows = l.stride * size_t(l.height);
    if (size - bitsOffset < rows) return BmpError::Truncated;
    dib.resize(l.bitsOffset);
    dib.insert(dib.end(), file + bitsOffset, file + bitsOffset + rows);
    e = ParseDib(dib.data(), dib.size(), l);
    if (e != BmpError::None) return e;
    packedDib.swap(dib);
    return BmpError::None;
}

BmpError ReadBmpFileAsDib(const char* path, std::vector<uint8_t>& packedDib) {
    if (!path) return BmpError::BadArgument;
    File f(std::fopen(path, "rb"));
    if (!f) return BmpError::CannotOpen;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > (size_t(1) << 31)) return BmpError::Unsupported;
    }
    return BmpBytesToDib(bytes.data(), bytes.size(), packedDib);
}

BmpError DecodeDib(const uint8_t* dib, size_t size, RgbaImage& out) {
    DibLayout l;
    BmpError e = ParseDib(dib, size, l);
    if (e != BmpError::None) return e;
    RgbaImage img;
    img.width = l.width;
    img.height = l.height;
    img.pixels.assign(size_t(l.width) * size_t(l.height) * 4, 255);
    bool anyAlpha = false;
    for (int32_t y = 0; y < l.height; ++y) {
        int32_t fileRow = l.topDown ? y : l.height - 1 - y;
        const uint8_t* src = dib + l.bitsOffset + size_t(fileRow) * l.stride;
        uint8_t* dst = img.pixels.data() + size_t(y) * size_t(l.width) * 4;
        for (int32_t x = 0; x < l.width; ++x, dst += 4) {
            const uint8_t* bgr;
            if (l.bits == 8) {
                size_t index = src[x];
                if (index >= l.colours) index = 0;
                bgr = dib + l.tableOffset + index * 4;
            } else {
                bgr = src + size_t(x) * size_t(l.bits / 8);
            }
            dst[0] = bgr[2];
            dst[1] = bgr[1];
            dst[2] = bgr[0];
            if (l.bits == 32) {
                dst[3] = bgr[3];
                anyAlpha = anyAlpha || bgr[3] != 0;
            }
        }
    }
    if (l.bits == 32 && !anyAlpha)
        for (size_t i = 3; i < img.pixels.size(); i += 4) img.pixels[i] = 255;
    out = std::move(img);
    return BmpError::None;
}

BmpError ReadBmpFile(const char* path, RgbaImage& out) {
    std::vector<uint8_t> dib;
    BmpError e = ReadBmpFileAsDib(path, dib);
    return e != BmpError::None ? e : DecodeDib(dib.data(), dib.size(), out);
}

}  // namespace frostel::hostutil

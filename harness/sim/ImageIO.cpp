#include "ImageIO.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>
#include <thread>

#include <stb/stb_image.h>
#include <zlib.h>

#include "ColorModel.h"

namespace frostel::hostsim {

namespace {

struct StbPixels {
    unsigned char* p = nullptr;
    ~StbPixels() { stbi_image_free(p); }
};

}  // namespace

bool DecodePng(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
               int* sourceChannels) {
    if (channels != 1 && channels != 3 && channels != 4) {
        error = "unsupported channel count " + std::to_string(channels);
        return false;
    }
    if (file.empty() || file.size() > size_t(std::numeric_limits<int>::max())) {
        error = file.empty() ? "file is empty" : "file is too large";
        return false;
    }
    int w = 0, h = 0, n = 0;
    StbPixels px;
    px.p = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, channels);
    if (!px.p) {
        const char* why = stbi_failure_reason();
        error = std::string("not a readable PNG (") + (why ? why : "unknown reason") + ")";
        return false;
    }
    out.width = w;
    out.height = h;
    out.channels = channels;
    out.pixels.assign(px.p, px.p + size_t(w) * size_t(h) * size_t(channels));
    if (sourceChannels) *sourceChannels = n;
    return true;
}

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size) {
    PutBigEndian(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    PutBigEndian(out, uint32_t(crc32(0, &out[start], uInt(size + 4))));
}

// One band of rows, "up"-filtered and deflated at zlib's fastest level as a
// raw stream that ends on a byte boundary, so that bands join into one.
bool DeflateBand(const Image8& image, int y0, int y1, bool last, std::vector<uint8_t>& out, uLong& adler) {
    const size_t row = size_t(image.width) * size_t(image.channels);
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&z, uLong((row + 1) * size_t(y1 - y0))) + 16);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    std::vector<uint8_t> filtered(row + 1);
    adler = adler32(0, nullptr, 0);
    bool ok = true;
    for (int y = y0; y < y1 && ok; ++y) {
        const uint8_t* cur = &image.pixels[size_t(y) * row];
        filtered[0] = y == 0 ? 0 : 2;  // none, then up
        for (size_t i = 0; i < row; ++i) filtered[i + 1] = uint8_t(cur[i] - (y == 0 ? 0 : cur[i - row]));
        adler = adler32(adler, filtered.data(), uInt(filtered.size()));
        z.next_in = filtered.data();
        z.avail_in = uInt(filtered.size());
        const int flush = y + 1 < y1 ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        ok = deflate(&z, flush) != Z_STREAM_ERROR && z.avail_in == 0;
    }
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return ok;
}

}  // namespace

// Bands of rows deflated on every core and joined into one zlib stream: a
// 12-megapixel picture in well under a second, at about the size of a slower
// encoder's file.
bool EncodePng(const Image8& image, std::vector<uint8_t>& file, std::string& error) {
    const int c = image.channels;
    if (image.width <= 0 || image.height <= 0 || c < 1 || c > 4 ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * size_t(c)) {
        error = "image buffer does not match its size";
        return false;
    }
    const size_t row = size_t(image.width) * size_t(c);
    // Bands of about a megabyte, their count from the size alone, so the file
    // is the same on every machine.
    const size_t byRows = std::max<size_t>(1, (size_t(1) << 20) / (row + 1));
    const int bands = int(std::clamp<size_t>(size_t(image.height) / byRows, 1, 64));
    std::vector<std::vector<uint8_t>> parts(static_cast<size_t>(bands));
    std::vector<uLong> adlers(static_cast<size_t>(bands));
    std::vector<char> done(size_t(bands), 0);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int b = next++; b < bands; b = next++) {
            const int y0 = int(int64_t(image.height) * b / bands), y1 = int(int64_t(image.height) * (b + 1) / bands);
            done[size_t(b)] = DeflateBand(image, y0, y1, b + 1 == bands, parts[size_t(b)], adlers[size_t(b)]);
        }
    };
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (int t = 1; t < std::min(cores, bands); ++t) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the bands left are done here
        }
    }
    work();
    for (std::thread& t : workers) t.join();
    std::vector<uint8_t> idat = {0x78, 0x01};  // deflate, 32 KB window, fastest
    uLong adler = adlers[0];
    for (int b = 0; b < bands; ++b) {
        if (!done[size_t(b)]) {
            error = "PNG encoding failed";
            return false;
        }
        idat.insert(idat.end(), parts[size_t(b)].begin(), parts[size_t(b)].end());
        if (b > 0) {
            const int y0 = int(int64_t(image.height) * b / bands), y1 = int(int64_t(image.height) * (b + 1) / bands);
            adler = adler32_combine(adler, adlers[size_t(b)], z_off_t((row + 1) * size_t(y1 - y0)));
        }
    }
    PutBigEndian(idat, uint32_t(adler));
    const size_t compressed = idat.size();
    static const uint8_t kColourType[5] = {0, 0, 4, 2, 6};  // grey, grey + alpha, RGB, RGBA
    uint8_t header[13];
    for (int i = 0; i < 4; ++i) {
        header[i] = uint8_t(uint32_t(image.width) >> (24 - 8 * i));
        header[4 + i] = uint8_t(uint32_t(image.height) >> (24 - 8 * i));
    }
    header[8] = 8, header[9] = kColourType[c], header[10] = header[11] = header[12] = 0;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.assign(kSignature, kSignature + 8);
    PutChunk(file, "IHDR", header, sizeof header);
    PutChunk(file, "IDAT", idat.data(), compressed);
    PutChunk(file, "IEND", nullptr, 0);
    return true;
}

bool DocumentFromPng(const std::vector<uint8_t>& file, int16_t mode, bool forceAlpha, Document& out,
                     std::string& error, int16_t planes) {
    if (mode < pi::plugInModeBitmap || mode > pi::plugInModeDuotone16) {
        error = "image mode " + std::to_string(mode) + " is not one of the interface's modes (0 to 15)";
        return false;
    }
    if (planes < 0 || planes > 5) {
        error = "a document has 1 to 5 planes, not " + std::to_string(planes);
        return false;
    }
    Image8 img;
    int fileChannels = 0;
    if (!DecodePng(file, 4, img, error, &fileChannels)) return false;
    const bool cmyk = mode == pi::plugInModeCMYKColor;
    const int16_t colour = cmyk ? 4 : 3;
    const bool alpha = forceAlpha || fileChannels == 2 || fileChannels == 4;
    if (planes == 0) planes = int16_t(colour + (alpha ? 1 : 0));
    Document doc = Document::Blank(img.width, img.height, mode, planes);
    for (int32_t y = 0; y < img.height; ++y) {
        for (int32_t x = 0; x < img.width; ++x) {
            const uint8_t* s = img.pixels.data() + (size_t(y) * size_t(img.width) + size_t(x)) * 4;
            uint8_t px[6] = {s[0], s[1], s[2], 0, 0, 0};
            if (cmyk) {
                const Cmyk c = RgbToCmyk({s[0], s[1], s[2]});
                px[0] = c.c, px[1] = c.m, px[2] = c.y, px[3] = c.k;
            }
            px[colour] = s[3];          // opaque when the file has no alpha
            px[colour + 1] = s[1];      // a further plane carries some content too
            std::memcpy(doc.At(x, y), px, size_t(planes));
        }
    }
    out = std::move(doc);
    return true;
}

bool DocumentToPng(const Document& doc, std::vector<uint8_t>& file, std::string& error) {
    const std::string bad = doc.Check();
    if (!bad.empty()) {
        error = bad;
        return false;
    }
    const bool cmyk = doc.mode == pi::plugInModeCMYKColor && doc.planes >= 4;
    const int colour = doc.ColourPlanes();
    Image8 img;
    img.width = doc.width;
    img.height = doc.height;
    img.channels = doc.HasAlpha() ? 4 : 3;
    img.pixels.resize(size_t(img.width) * size_t(img.height) * size_t(img.channels));
    uint8_t* d = img.pixels.data();
    for (int32_t y = 0; y < doc.height; ++y) {
        for (int32_t x = 0; x < doc.width; ++x, d += img.channels) {
            const uint8_t* s = doc.At(x, y);
            if (cmyk) {
                const Rgb c = CmykToRgb({s[0], s[1], s[2], s[3]});
                d[0] = c.r, d[1] = c.g, d[2] = c.b;
            } else {
                // Fewer than three planes show the last one in the missing channels.
                for (int i = 0; i < 3; ++i) d[i] = s[std::min(i, doc.planes - 1)];
            }
            if (img.channels == 4) d[3] = s[colour];
        }
    }
    return EncodePng(img, file, error);
}

bool SelectionFromPng(const std::vector<uint8_t>& file, Document& doc, std::string& error) {
    Image8 img;
    if (!DecodePng(file, 1, img, error)) return false;
    if (img.width != doc.width || img.height != doc.height) {
        error = "selection is " + std::to_string(img.width) + " x " + std::to_string(img.height) +
                ", the image " + std::to_string(doc.width) + " x " + std::to_string(doc.height);
        return false;
    }
    doc.mask = std::move(img.pixels);
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    if (!f) return false;
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    f.close();
    return !f.fail();
}

}  // namespace frostel::hostsim

#include "ImageIO.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
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

// Where a reader puts a picture: its size first (again from the top when the
// fast reader gives way to stb), then each row of `channels` bytes a pixel.
struct RowSink {
    std::function<bool(int32_t width, int32_t height, int fileChannels, std::string& error)> start;
    std::function<void(int32_t y, const uint8_t* row)> row;
};

bool CheckChannels(int channels, std::string& error) {
    if (channels == 1 || channels == 3 || channels == 4) return true;
    error = "unsupported channel count " + std::to_string(channels);
    return false;
}

bool ReadWithStb(const std::vector<uint8_t>& file, int channels, const RowSink& sink, std::string& error) {
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
    if (!sink.start(w, h, n, error)) return false;
    const size_t row = size_t(w) * size_t(channels);
    for (int32_t y = 0; y < h; ++y) sink.row(y, px.p + size_t(y) * row);
    return true;
}

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The PNG row filters undone in place; `prior` is the row above, zeros for
// the first. False for a filter type that does not exist.
bool Unfilter(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
    switch (type) {
        case 0: return true;
        case 1:
            for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
            return true;
        case 2:
            for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + prior[i]);
            return true;
        case 3:
            for (size_t i = 0; i < bpp; ++i) row[i] = uint8_t(row[i] + (prior[i] >> 1));
            for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + ((prior[i] + row[i - bpp]) >> 1));
            return true;
        case 4:
            for (size_t i = 0; i < bpp; ++i) row[i] = uint8_t(row[i] + prior[i]);
            for (size_t i = bpp; i < n; ++i) {
                const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                row[i] = uint8_t(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
            }
            return true;
        default: return false;
    }
}

// stb's channel conversions, luminance included, for one row.
void ConvertRow(const uint8_t* s, int from, uint8_t* d, int to, size_t pixels) {
    auto luma = [](const uint8_t* p) { return uint8_t((p[0] * 77 + p[1] * 150 + p[2] * 29) >> 8); };
    for (size_t i = 0; i < pixels; ++i, s += from, d += to) {
        const bool grey = from <= 2;
        if (to == 1) {
            d[0] = grey ? s[0] : luma(s);
            continue;
        }
        d[0] = s[0], d[1] = s[grey ? 0 : 1], d[2] = s[grey ? 0 : 2];
        if (to == 4) d[3] = from == 2 ? s[1] : from == 4 ? s[3] : 255;
    }
}

// The common files, read through zlib a row at a time: 8 bits, not
// interlaced, grey, grey and alpha, RGB or RGBA, without palette or
// transparency chunk. False for any other file and for any fault, before or
// after rows were handed on: stb then reads the file (and names the fault).
bool ReadPlainRows(const std::vector<uint8_t>& file, int channels, const RowSink& sink, std::string& error) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return false;
    uint32_t width = 0, height = 0;
    int fileChannels = 0;
    std::vector<std::pair<const uint8_t*, uint32_t>> idat;
    for (size_t at = 8;;) {
        if (file.size() - at < 12) return false;
        const uint32_t length = BigEndian32(&file[at]);
        const uint8_t* type = &file[at + 4];
        const uint8_t* data = type + 4;
        if (length > file.size() - at - 12) return false;
        const bool first = at == 8;
        at += 12 + size_t(length);
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (!first || length != 13) return false;
            width = BigEndian32(data), height = BigEndian32(data + 4);
            // depth 8; compression, filter method and interlace 0
            if (data[8] != 8 || data[10] != 0 || data[11] != 0 || data[12] != 0) return false;
            switch (data[9]) {
                case 0: fileChannels = 1; break;
                case 2: fileChannels = 3; break;
                case 4: fileChannels = 2; break;
                case 6: fileChannels = 4; break;
                default: return false;
            }
        } else if (first) {
            return false;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            if (length > 0) idat.emplace_back(data, length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        } else if ((type[0] & 0x20) == 0 || std::memcmp(type, "tRNS", 4) == 0) {
            return false;  // critical (a palette, say) or transparency: stb's
        }
    }
    // stb's own bounds, so that both take the same files.
    if (width == 0 || height == 0 || width > (1u << 24) || height > (1u << 24) || idat.empty() ||
        (1u << 30) / width / uint32_t(fileChannels) < height ||
        uint64_t(width) * height * uint64_t(channels) > uint64_t(std::numeric_limits<int>::max()))
        return false;

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    size_t nextChunk = 0;
    bool ended = false;
    // Inflates into [out, out + size); false when the stream fails or ends first.
    auto inflateInto = [&](uint8_t* out, size_t size, bool toTheEnd) {
        z.next_out = out;
        z.avail_out = uInt(size);
        while (!ended && (z.avail_out > 0 || toTheEnd)) {
            while (z.avail_in == 0 && nextChunk < idat.size()) {
                z.next_in = const_cast<Bytef*>(idat[nextChunk].first);
                z.avail_in = idat[nextChunk].second;
                ++nextChunk;
            }
            const int r = inflate(&z, Z_NO_FLUSH);
            if (r == Z_STREAM_END) ended = true;
            else if (r != Z_OK) return false;
            if (toTheEnd && !ended && z.avail_out == 0) z.next_out = out, z.avail_out = uInt(size);
        }
        return z.avail_out == 0 || toTheEnd;
    };

    const size_t rowBytes = size_t(width) * size_t(fileChannels);
    std::vector<uint8_t> rows(2 * (rowBytes + 1), 0);  // the filter byte and the row, twice
    uint8_t* prior = rows.data();
    uint8_t* current = prior + rowBytes + 1;
    std::vector<uint8_t> converted(channels != fileChannels ? size_t(width) * size_t(channels) : 0);
    if (!sink.start(int32_t(width), int32_t(height), fileChannels, error)) return false;
    for (uint32_t y = 0; y < height; ++y) {
        if (!inflateInto(current, rowBytes + 1, false) ||
            !Unfilter(current[0], current + 1, prior + 1, rowBytes, size_t(fileChannels)))
            return false;
        if (converted.empty()) {
            sink.row(int32_t(y), current + 1);
        } else {
            ConvertRow(current + 1, fileChannels, converted.data(), channels, width);
            sink.row(int32_t(y), converted.data());
        }
        std::swap(prior, current);
    }
    // Data past the last row is allowed; the stream must still end whole.
    uint8_t rest[4096];
    return inflateInto(rest, sizeof rest, true) && ended;
}

bool ReadRows(const std::vector<uint8_t>& file, int channels, const RowSink& sink, std::string& error) {
    if (!CheckChannels(channels, error)) return false;
    std::string fastError;
    if (ReadPlainRows(file, channels, sink, fastError)) return true;
    // A refusal of the sink stands; anything else is stb's to judge.
    if (!fastError.empty()) {
        error = fastError;
        return false;
    }
    return ReadWithStb(file, channels, sink, error);
}

RowSink IntoImage(Image8& out, int channels, int* sourceChannels) {
    RowSink sink;
    sink.start = [&out, channels, sourceChannels](int32_t w, int32_t h, int n, std::string&) {
        out.width = w;
        out.height = h;
        out.channels = channels;
        out.pixels.resize(size_t(w) * size_t(h) * size_t(channels));
        if (sourceChannels) *sourceChannels = n;
        return true;
    };
    sink.row = [&out](int32_t y, const uint8_t* row) {
        const size_t bytes = size_t(out.width) * size_t(out.channels);
        std::memcpy(out.pixels.data() + size_t(y) * bytes, row, bytes);
    };
    return sink;
}

}  // namespace

bool DecodePng(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
               int* sourceChannels) {
    return ReadRows(file, channels, IntoImage(out, channels, sourceChannels), error);
}

bool DecodePlainPng(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
                    int* sourceChannels) {
    return CheckChannels(channels, error) &&
           ReadPlainRows(file, channels, IntoImage(out, channels, sourceChannels), error);
}

bool DecodePngWithStb(const std::vector<uint8_t>& file, int channels, Image8& out, std::string& error,
                      int* sourceChannels) {
    return CheckChannels(channels, error) &&
           ReadWithStb(file, channels, IntoImage(out, channels, sourceChannels), error);
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

// The rows of a picture to encode: row y's bytes, put into `scratch` (a
// row's size) when they are not at hand as they are. Called from several
// threads at once, each with its own scratch.
using RowSource = std::function<const uint8_t*(int32_t y, uint8_t* scratch)>;

// One band of rows, "up"-filtered and deflated at zlib's fastest level as a
// raw stream that ends on a byte boundary, so that bands join into one.
struct Band {
    std::unique_ptr<uint8_t[]> bytes;  // written as far as `size`
    size_t size = 0;
    uLong adler = 0, crc = 0;
    bool done = false;
};

bool DeflateBand(size_t row, const RowSource& rows, int y0, int y1, bool last, Band& out) {
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    const size_t capacity = deflateBound(&z, uLong((row + 1) * size_t(y1 - y0))) + 16;
    out.bytes.reset(new (std::nothrow) uint8_t[capacity]);
    if (!out.bytes) {
        deflateEnd(&z);
        return false;
    }
    z.next_out = out.bytes.get();
    z.avail_out = uInt(capacity);
    std::vector<uint8_t> scratch(2 * row), filtered(row + 1);
    uint8_t* const slot[2] = {scratch.data(), scratch.data() + row};
    int spare = y0 > 0 ? 1 : 0;  // the slot the row above is not in
    const uint8_t* above = y0 > 0 ? rows(y0 - 1, slot[0]) : nullptr;
    out.adler = adler32(0, nullptr, 0);
    bool ok = true;
    for (int y = y0; y < y1 && ok; ++y, spare ^= 1) {
        const uint8_t* cur = rows(y, slot[spare]);
        filtered[0] = above == nullptr ? 0 : 2;  // none, then up
        if (above == nullptr)
            std::memcpy(&filtered[1], cur, row);
        else
            for (size_t i = 0; i < row; ++i) filtered[i + 1] = uint8_t(cur[i] - above[i]);
        above = cur;
        out.adler = adler32(out.adler, filtered.data(), uInt(filtered.size()));
        z.next_in = filtered.data();
        z.avail_in = uInt(filtered.size());
        const int flush = y + 1 < y1 ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        ok = deflate(&z, flush) != Z_STREAM_ERROR && z.avail_in == 0;
    }
    out.size = capacity - z.avail_out;
    out.crc = crc32(0, out.bytes.get(), uInt(out.size));
    deflateEnd(&z);
    return ok;
}

// Bands of rows deflated on every core and joined into one zlib stream: a
// 12-megapixel picture in well under a second, at about the size of a slower
// encoder's file.
bool EncodeRows(int32_t width, int32_t height, int channels, const RowSource& rows, std::vector<uint8_t>& file,
                std::string& error) {
    const size_t row = size_t(width) * size_t(channels);
    // Bands of about a megabyte, their count from the size alone, so the file
    // is the same on every machine.
    const size_t byRows = std::max<size_t>(1, (size_t(1) << 20) / (row + 1));
    const int bands = int(std::clamp<size_t>(size_t(height) / byRows, 1, 64));
    std::vector<Band> parts(static_cast<size_t>(bands));
    std::atomic<int> next{0};
    auto firstRow = [&](int b) { return int(int64_t(height) * b / bands); };
    auto work = [&] {
        for (int b = next++; b < bands; b = next++)
            parts[size_t(b)].done =
                DeflateBand(row, rows, firstRow(b), firstRow(b + 1), b + 1 == bands, parts[size_t(b)]);
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

    static const uint8_t kStreamHeader[2] = {0x78, 0x01};  // deflate, 32 KB window, fastest
    size_t compressed = sizeof kStreamHeader + 4;
    uLong adler = parts[0].adler;
    uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>("IDAT"), 4), kStreamHeader, sizeof kStreamHeader);
    for (int b = 0; b < bands; ++b) {
        const Band& part = parts[size_t(b)];
        if (!part.done) {
            error = "PNG encoding failed";
            return false;
        }
        compressed += part.size;
        const z_off_t raw = z_off_t((row + 1) * size_t(firstRow(b + 1) - firstRow(b)));
        if (b > 0) adler = adler32_combine(adler, part.adler, raw);
        crc = crc32_combine(crc, part.crc, z_off_t(part.size));
    }
    uint8_t check[4];
    for (int i = 0; i < 4; ++i) check[i] = uint8_t(adler >> (24 - 8 * i));
    crc = crc32(crc, check, 4);

    static const uint8_t kColourType[5] = {0, 0, 4, 2, 6};  // grey, grey + alpha, RGB, RGBA
    uint8_t header[13];
    for (int i = 0; i < 4; ++i) {
        header[i] = uint8_t(uint32_t(width) >> (24 - 8 * i));
        header[4 + i] = uint8_t(uint32_t(height) >> (24 - 8 * i));
    }
    header[8] = 8, header[9] = kColourType[channels], header[10] = header[11] = header[12] = 0;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.clear();
    file.reserve(sizeof kSignature + 25 + 12 + compressed + 12);
    file.assign(kSignature, kSignature + 8);
    PutChunk(file, "IHDR", header, sizeof header);
    // The image data in one chunk, put together from the bands in place.
    PutBigEndian(file, uint32_t(compressed));
    file.insert(file.end(), {'I', 'D', 'A', 'T'});
    file.insert(file.end(), kStreamHeader, kStreamHeader + sizeof kStreamHeader);
    for (const Band& part : parts) file.insert(file.end(), part.bytes.get(), part.bytes.get() + part.size);
    file.insert(file.end(), check, check + 4);
    PutBigEndian(file, uint32_t(crc));
    PutChunk(file, "IEND", nullptr, 0);
    return true;
}

}  // namespace

bool EncodePng(const Image8& image, std::vector<uint8_t>& file, std::string& error) {
    const int c = image.channels;
    if (image.width <= 0 || image.height <= 0 || c < 1 || c > 4 ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * size_t(c)) {
        error = "image buffer does not match its size";
        return false;
    }
    const size_t row = size_t(image.width) * size_t(c);
    return EncodeRows(image.width, image.height, c,
                      [&](int32_t y, uint8_t*) { return image.pixels.data() + size_t(y) * row; }, file, error);
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
    const bool cmyk = mode == pi::plugInModeCMYKColor;
    const int16_t colour = cmyk ? 4 : 3;
    Document doc;
    RowSink sink;
    sink.start = [&](int32_t w, int32_t h, int fileChannels, std::string&) {
        const bool alpha = forceAlpha || fileChannels == 2 || fileChannels == 4;
        doc = Document::Blank(w, h, mode, planes != 0 ? planes : int16_t(colour + (alpha ? 1 : 0)));
        return true;
    };
    sink.row = [&](int32_t y, const uint8_t* s) {
        uint8_t* d = doc.At(0, y);
        const int n = doc.planes;
        for (int32_t x = 0; x < doc.width; ++x, s += 4, d += n) {
            uint8_t px[6] = {s[0], s[1], s[2], 0, 0, 0};
            if (cmyk) {
                const Cmyk c = RgbToCmyk({s[0], s[1], s[2]});
                px[0] = c.c, px[1] = c.m, px[2] = c.y, px[3] = c.k;
            }
            px[colour] = s[3];      // opaque when the file has no alpha
            px[colour + 1] = s[1];  // a further plane carries some content too
            // Plane by plane: a loop would become a call a pixel.
            d[0] = px[0];
            if (n > 1) d[1] = px[1];
            if (n > 2) d[2] = px[2];
            if (n > 3) d[3] = px[3];
            if (n > 4) d[4] = px[4];
        }
    };
    if (!ReadRows(file, 4, sink, error)) return false;
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
    const int channels = doc.HasAlpha() ? 4 : 3;
    // Three planes of RGB or another mode's colour are the file's rows as they are.
    const bool asIs = !cmyk && doc.planes == 3;
    return EncodeRows(doc.width, doc.height, channels, [&](int32_t y, uint8_t* d) -> const uint8_t* {
        const uint8_t* s = doc.At(0, y);
        if (asIs) return s;
        uint8_t* const row = d;
        for (int32_t x = 0; x < doc.width; ++x, s += doc.planes, d += channels) {
            if (cmyk) {
                const Rgb c = CmykToRgb({s[0], s[1], s[2], s[3]});
                d[0] = c.r, d[1] = c.g, d[2] = c.b;
            } else {
                // Fewer than three planes show the last one in the missing channels.
                for (int i = 0; i < 3; ++i) d[i] = s[std::min(i, doc.planes - 1)];
            }
            if (channels == 4) d[3] = s[colour];
        }
        return row;
    }, file, error);
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

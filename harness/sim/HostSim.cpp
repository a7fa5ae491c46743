#include "HostSim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#include "ColorModel.h"
#include "DialogWatch.h"
#include "MessageBoxWatch.h"

namespace frostel::hostsim {

namespace {

std::atomic<Host*> gActive{nullptr};    // host whose selector call is running
std::atomic<Host*> gAttached{nullptr};  // most recently created live host

constexpr pi::Fixed kOne = 0x10000;
// Largest single buffer the host hands out.
constexpr int64_t kMaxBufferBytes = int64_t(1) << 30;

struct ActiveScope {
    Host* previous;
    explicit ActiveScope(Host* h) : previous(gActive.exchange(h)) {}
    ~ActiveScope() { gActive.store(previous); }
};

bool Empty(const pi::VRect& r) { return r.bottom <= r.top || r.right <= r.left; }
pi::VRect Widen(const pi::Rect& r) { return {r.top, r.left, r.bottom, r.right}; }
int16_t Narrow16(int32_t v) { return int16_t(std::clamp<int32_t>(v, -32768, 32767)); }
pi::Rect Narrow(const pi::VRect& r) {
    return {Narrow16(r.top), Narrow16(r.left), Narrow16(r.bottom), Narrow16(r.right)};
}
std::string JsonVRect(const pi::VRect& r) { return JsonRect(r.top, r.left, r.bottom, r.right); }
std::string JsonPlanes(int lo, int hi) { return "[" + std::to_string(lo) + "," + std::to_string(hi) + "]"; }
uint8_t Byte(int v) { return uint8_t(std::clamp(v, 0, 255)); }

}  // namespace

const char* SelectorName(int16_t selector) {
    switch (selector) {
    case pi::filterSelectorAbout: return "about";
    case pi::filterSelectorParameters: return "parameters";
    case pi::filterSelectorPrepare: return "prepare";
    case pi::filterSelectorStart: return "start";
    case pi::filterSelectorContinue: return "continue";
    case pi::filterSelectorFinish: return "finish";
    default: return "unknown";
    }
}

Host* Host::Current() {
    Host* h = gActive.load();
    return h ? h : gAttached.load();
}

// The C callbacks the plug-in sees. Each finds the current host and runs the
// member of the same name under its lock; without a host they fail quietly.
struct Callbacks {
    template <typename R, typename F>
    static R With(R fallback, F&& f) {
        Host* h = Host::Current();
        if (!h) return fallback;
        std::lock_guard<std::recursive_mutex> lock(h->mutex_);
        return f(*h);
    }
    template <typename F>
    static void WithVoid(F&& f) {
        Host* h = Host::Current();
        if (!h) return;
        std::lock_guard<std::recursive_mutex> lock(h->mutex_);
        f(*h);
    }

    static pi::Handle New(pi::int32 size) {
        return With<pi::Handle>(nullptr, [&](Host& h) { return h.NewHandle(size); });
    }
    static void Dispose(pi::Handle x) { WithVoid([&](Host& h) { h.DisposeHandle(x, "disposeProc"); }); }
    static void DisposeRegular(pi::Handle x) {
        WithVoid([&](Host& h) { h.DisposeHandle(x, "disposeRegularHandleProc"); });
    }
    static pi::int32 GetSize(pi::Handle x) {
        return With<pi::int32>(0, [&](Host& h) { return h.GetSize(x); });
    }
    static pi::OSErr SetSize(pi::Handle x, pi::int32 size) {
        return With<pi::OSErr>(pi::nilHandleErr, [&](Host& h) { return h.SetSize(x, size); });
    }
    static pi::Ptr Lock(pi::Handle x, pi::Boolean moveHigh) {
        return With<pi::Ptr>(nullptr, [&](Host& h) { return h.Lock(x, moveHigh != 0); });
    }
    static void Unlock(pi::Handle x) { WithVoid([&](Host& h) { h.Unlock(x); }); }
    static void RecoverSpace(pi::int32 size) {
        WithVoid([&](Host& h) {
            h.Count("recoverSpaceProc");
            h.log_.Add("recoverSpaceProc", {{"size", JsonInt(size)}});
        });
    }

    static pi::OSErr Advance() {
        return With<pi::OSErr>(pi::errPlugInHostInsufficient, [](Host& h) {
            h.Count("advanceState");
            if (h.options_.refuseAdvance) {
                h.FreeBuffers();
                h.log_.Add("advanceState", {{"refused", JsonBool(true)}}, kRefusedErr);
                return kRefusedErr;
            }
            if (h.options_.serveNothing) {
                h.FreeBuffers();
                h.log_.Add("advanceState", {{"servedNothing", JsonBool(true)}}, pi::noErr);
                return pi::noErr;
            }
            return h.ServeRequest("advanceState");
        });
    }
    static pi::Boolean Abort() {
        return With<pi::Boolean>(0, [](Host& h) { return pi::Boolean(h.Abort() ? 1 : 0); });
    }
    static void Progress(pi::int32 done, pi::int32 total) {
        WithVoid([&](Host& h) { h.Progress(done, total); });
    }
    static pi::OSErr ColorServices(pi::ColorServicesInfo* info) {
        return With<pi::OSErr>(pi::errPlugInHostInsufficient, [&](Host& h) { return h.ColorServices(info); });
    }

    static pi::SPErr AcquireSuite(const char* name, pi::int32 version, const void** suite) {
        if (suite) *suite = nullptr;
        return With<pi::SPErr>(kSuiteNotFoundErr, [&](Host& h) { return h.Acquire(name, version, suite); });
    }
    static pi::SPErr ReleaseSuite(const char* name, pi::int32 version) {
        return With<pi::SPErr>(kSuiteNotFoundErr, [&](Host& h) { return h.Release(name, version); });
    }
    static pi::SPBoolean IsEqual(const char* a, const char* b) {
        return pi::SPBoolean(a && b && std::strcmp(a, b) == 0);
    }
    static pi::SPErr AllocateBlock(size_t size, void** block) {
        return With<pi::SPErr>(kBadParameterErr, [&](Host& h) { return h.Allocate(size, block); });
    }
    static pi::SPErr FreeBlock(void* block) {
        return With<pi::SPErr>(kBadParameterErr, [&](Host& h) { return h.Free(block); });
    }
    static pi::SPErr ReallocateBlock(void* block, size_t size, void** newBlock) {
        return With<pi::SPErr>(kBadParameterErr, [&](Host& h) { return h.Reallocate(block, size, newBlock); });
    }
    static pi::SPErr Undefined() { return kBadParameterErr; }

    static pi::SPErr Convert8(pi::int16 from, pi::int16 to, pi::Color8* colors, pi::int16 count) {
        return With<pi::SPErr>(kBadParameterErr, [&](Host& h) { return h.ConvertColors(8, from, to, colors, count); });
    }
    static pi::SPErr Convert16(pi::int16 from, pi::int16 to, pi::Color16* colors, pi::int16 count) {
        return With<pi::SPErr>(kBadParameterErr, [&](Host& h) { return h.ConvertColors(16, from, to, colors, count); });
    }
};

// One basic suite for the process: a module keeps the pointer between calls
// (and uses it when it is unloaded), so it must outlive every Host. Without
// a current host its calls fail quietly.
namespace {
pi::SPBasicSuite* SharedBasicSuite() {
    static pi::SPBasicSuite basic{&Callbacks::AcquireSuite, &Callbacks::ReleaseSuite,   &Callbacks::IsEqual,
                                  &Callbacks::AllocateBlock, &Callbacks::FreeBlock,
                                  &Callbacks::ReallocateBlock, &Callbacks::Undefined};
    return &basic;
}

const pi::PSColorSpaceSuite1* SharedColorSpaceSuite() {
    static const pi::PSColorSpaceSuite1 suite{{}, &Callbacks::Convert8, &Callbacks::Convert16};
    return &suite;
}
}  // namespace

// ---------------------------------------------------------------------------

Host::Host(EntryPoint entry, Options options) : entry_(entry), options_(std::move(options)) {
    handleProcs_.handleProcsVersion = pi::kCurrentHandleProcsVersion;
    handleProcs_.numHandleProcs = pi::kCurrentHandleProcsCount;
    handleProcs_.newProc = &Callbacks::New;
    handleProcs_.disposeProc = &Callbacks::Dispose;
    handleProcs_.getSizeProc = &Callbacks::GetSize;
    handleProcs_.setSizeProc = &Callbacks::SetSize;
    handleProcs_.lockProc = &Callbacks::Lock;
    handleProcs_.unlockProc = &Callbacks::Unlock;
    handleProcs_.recoverSpaceProc = &Callbacks::RecoverSpace;
    handleProcs_.disposeRegularHandleProc = &Callbacks::DisposeRegular;

    handleProcs_.handleProcsVersion = options_.handleProcsVersion;
    RegisterSuite(pi::kPSColorSpaceSuite, 1, SharedColorSpaceSuite());

    gAttached.store(this);
}

Host::~Host() {
    Host* self = this;
    gAttached.compare_exchange_strong(self, nullptr);
    self = this;
    gActive.compare_exchange_strong(self, nullptr);
    DisposeAll();
}

void Host::DisposeAll() {
    for (auto& entry : handles_) std::free(entry.second->master);
    handles_.clear();
    for (auto& b : blocks_) std::free(b.first);
    blocks_.clear();
    params_ = nullptr;
    data_ = 0;
}

void Host::SetDocument(Document doc) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    doc_ = std::move(doc);
    recordBuilt_ = false;
    output_.clear();
}

void Host::AddRecordHook(std::function<void(pi::FilterRecord&)> hook) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    hooks_.push_back(std::move(hook));
}

void Host::BuildRecord() {
    FreeBuffers();
    std::memset(&record_, 0, sizeof record_);
    std::memset(&big_, 0, sizeof big_);
    platform_.hwnd = options_.hwnd;

    const pi::VRect bounds = FilterBounds();
    const bool cmyk = doc_.mode == pi::plugInModeCMYKColor;
    const bool alpha = doc_.HasAlpha();
    const bool selection = doc_.HasSelection();
    const int16_t colourPlanes = std::min(doc_.planes, doc_.ColourPlanes());

    pi::FilterRecord& r = record_;
    r.abortProc = &Callbacks::Abort;
    r.progressProc = options_.progress ? &Callbacks::Progress : nullptr;
    r.parameters = params_;
    r.imageSize = {Narrow16(doc_.height), Narrow16(doc_.width)};
    r.planes = doc_.planes;
    r.filterRect = Narrow(bounds);
    r.background = options_.background;
    r.foreground = options_.foreground;
    r.maxSpace = options_.maxSpace;
    r.bufferSpace = options_.maxSpace;
    r.haveMask = selection;
    r.autoMask = selection;  // the host blends the result through the selection
    auto filterColor = [cmyk](const pi::RGBColor& c, pi::FilterColor& out) {
        const Rgb rgb{uint8_t(c.red >> 8), uint8_t(c.green >> 8), uint8_t(c.blue >> 8)};
        if (cmyk) {
            const Cmyk k = RgbToCmyk(rgb);
            out[0] = k.c, out[1] = k.m, out[2] = k.y, out[3] = k.k;
        } else {
            out[0] = rgb.r, out[1] = rgb.g, out[2] = rgb.b, out[3] = 0;
        }
    };
    filterColor(options_.background, r.backColor);
    filterColor(options_.foreground, r.foreColor);
    r.hostSig = kHostSignature;
    r.imageMode = doc_.mode;
    r.imageHRes = r.imageVRes = 72 * kOne;
    r.wholeSize = r.imageSize;
    r.monitor.gamma = 0x23333;  // 2.2
    r.platformData = &platform_;
    r.handleProcs = options_.handleProcs ? &handleProcs_ : nullptr;
    r.filterCase = int16_t(alpha ? (selection ? 5 : 4) : (selection ? 2 : 1));
    r.dummyPlaneValue = -1;
    r.advanceState = &Callbacks::Advance;
    r.supportsPadding = 1;
    r.inputPadding = r.outputPadding = r.maskPadding = kPadErrorOnBounds;
    r.samplingSupport = 2;  // any positive rate, point sampled
    r.inputRate = r.maskRate = kOne;
    r.colorServices = options_.colorServices ? &Callbacks::ColorServices : nullptr;
    r.inLayerPlanes = r.outLayerPlanes = r.absLayerPlanes = colourPlanes;
    r.inTransparencyMask = r.outTransparencyMask = r.absTransparencyMask = alpha ? 1 : 0;
    r.sSPBasic = options_.basicSuite ? SharedBasicSuite() : nullptr;
    r.depth = 8;

    big_.imageSize32 = {doc_.height, doc_.width};
    big_.filterRect32 = bounds;
    big_.wholeSize32 = big_.imageSize32;
    r.bigDocumentData = options_.bigDocument ? &big_ : nullptr;

    for (auto& hook : hooks_) hook(record_);
    recordBuilt_ = true;
}

pi::VRect Host::FilterBounds() const {
    return options_.filterRect ? *options_.filterRect : doc_.FilterBounds();
}

void Host::ApplyDropFault(int16_t selector) {
    if (options_.dropHandle == DropHandle::None || selector != options_.dropBefore) return;
    const bool parameters = options_.dropHandle == DropHandle::Parameters;
    pi::Handle h = parameters ? params_ : reinterpret_cast<pi::Handle>(data_);
    const int id = HandleId(h);
    if (auto it = handles_.find(h); it != handles_.end()) {
        std::free(it->second->master);
        handles_.erase(it);
    }
    if (parameters) {
        params_ = nullptr;
        record_.parameters = nullptr;
    } else {
        data_ = 0;
    }
    log_.Add("dropHandle", {{"which", JsonString(parameters ? "parameters" : "data")},
                            {"handle", JsonInt(id)}, {"selector", JsonInt(selector)}});
}

int16_t Host::Invoke(int16_t selector, void* rec) {
    const bool about = selector == pi::filterSelectorAbout && rec == &about_;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (!about) {
            ApplyDropFault(selector);
            record_.parameters = params_;
        }
        log_.Add("selector", {{"selector", JsonInt(selector)}, {"name", JsonString(SelectorName(selector))}});
    }
    int16_t result = 0;
    {
        ActiveScope scope(this);
        MessageBoxWatch boxes(*this);
        DialogWatch dialog(*this);
        const auto start = std::chrono::steady_clock::now();
        entry_(selector, rec, &data_, &result);
        selectorSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!about) params_ = record_.parameters;
    log_.Add("selectorDone", {{"selector", JsonInt(selector)}, {"name", JsonString(SelectorName(selector))}},
             result);
    return result;
}

RunResult Host::Fail(RunResult rr, int16_t selector, int16_t result, std::string message) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    FreeBuffers();
    output_.clear();
    rr.ok = false;
    rr.failedSelector = selector;
    rr.result = result;
    rr.message = std::move(message);
    log_.Add("runFailed", {{"selector", JsonInt(selector)}, {"message", JsonString(rr.message)}}, result);
    LogSuiteBalances();
    return rr;
}

RunResult Host::RunFilter(bool withParameters) {
    RunResult rr;
    const std::string bad = doc_.Check();
    if (!bad.empty()) return Fail(rr, -1, 0, "nothing to filter: " + bad);
    const pi::VRect bounds = FilterBounds();
    if (Empty(bounds)) return Fail(rr, -1, 0, "the filter rectangle is empty");
    if (bounds.top < 0 || bounds.left < 0 || bounds.bottom > doc_.height || bounds.right > doc_.width)
        return Fail(rr, -1, 0, "the filter rectangle " + JsonVRect(bounds) + " reaches outside the image");
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        BuildRecord();
        output_ = doc_.pixels;
        log_.Add("run", {{"withParameters", JsonBool(withParameters)},
                         {"size", JsonRect(0, 0, doc_.height, doc_.width)},
                         {"mode", JsonInt(doc_.mode)},
                         {"planes", JsonInt(doc_.planes)},
                         {"filterRect", JsonVRect(bounds)}});
    }
    auto failed = [&](int16_t s, int16_t r) {
        return Fail(rr, s, r, std::string(SelectorName(s)) + " (" + std::to_string(s) + ") returned " +
                                  std::to_string(r));
    };

    std::vector<int16_t> opening;
    if (withParameters) opening.push_back(pi::filterSelectorParameters);
    opening.push_back(pi::filterSelectorPrepare);
    opening.push_back(pi::filterSelectorStart);
    for (int16_t s : opening) {
        if (int16_t r = Invoke(s, &record_)) return failed(s, r);
        if (s == pi::filterSelectorParameters) ApplyParametersHook();
    }

    while (RequestPending()) {
        if (rr.continueCalls >= options_.maxContinueCalls)
            return Fail(rr, pi::filterSelectorContinue, kBadRequestErr,
                        "the plug-in still requests pixels after " + std::to_string(rr.continueCalls) +
                            " continue calls");
        pi::OSErr err;
        {
            std::lock_guard<std::recursive_mutex> lock(mutex_);
            err = ServeRequest("serveRequest");
        }
        if (err)
            return Fail(rr, pi::filterSelectorContinue, err, "the request before continue was refused: " +
                                                                  requestError_);
        ++rr.continueCalls;
        if (int16_t r = Invoke(pi::filterSelectorContinue, &record_)) return failed(pi::filterSelectorContinue, r);
    }
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        CommitOutput();
        FreeBuffers();
    }
    if (int16_t r = Invoke(pi::filterSelectorFinish, &record_)) return failed(pi::filterSelectorFinish, r);

    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const bool masked = doc_.HasSelection() && record_.autoMask;
    if (masked) {
        const size_t pixels = size_t(doc_.width) * size_t(doc_.height);
        for (size_t i = 0; i < pixels; ++i) {
            const int m = doc_.mask[i];
            for (int p = 0; p < doc_.planes; ++p) {
                const size_t at = i * size_t(doc_.planes) + size_t(p);
                doc_.pixels[at] = uint8_t((output_[at] * m + doc_.pixels[at] * (255 - m) + 127) / 255);
            }
        }
    } else {
        doc_.pixels.swap(output_);
    }
    output_.clear();
    log_.Add("commitDocument", {{"masked", JsonBool(masked)}, {"continueCalls", JsonInt(rr.continueCalls)}});
    LogSuiteBalances();
    rr.ok = true;
    return rr;
}

int16_t Host::CallSelector(int16_t selector) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (!recordBuilt_) BuildRecord();
        if (output_.size() != doc_.pixels.size()) output_ = doc_.pixels;
    }
    return Invoke(selector, &record_);
}

int16_t Host::About() {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        std::memset(&about_, 0, sizeof about_);
        platform_.hwnd = options_.hwnd;
        about_.platformData = &platform_;
        about_.sSPBasic = options_.basicSuite ? SharedBasicSuite() : nullptr;
    }
    return Invoke(pi::filterSelectorAbout, &about_);
}

// ---- Pixel requests ---------------------------------------------------------

bool Host::Using32() const {
    return record_.bigDocumentData == &big_ && big_.PluginUsing32BitCoordinates != 0;
}

bool Host::RequestPending() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (Using32()) return !Empty(big_.inRect32) || !Empty(big_.outRect32) || !Empty(big_.maskRect32);
    return !Empty(Widen(record_.inRect)) || !Empty(Widen(record_.outRect)) || !Empty(Widen(record_.maskRect));
}

void Host::FreeBuffers() {
    in_ = Buffer{};
    out_ = Buffer{};
    mask_ = Buffer{};
    record_.inData = record_.outData = record_.maskData = nullptr;
    record_.inRowBytes = record_.outRowBytes = record_.maskRowBytes = 0;
}

void Host::CommitOutput() {
    if (out_.data == nullptr || output_.size() != doc_.pixels.size()) return;
    const int np = out_.hi - out_.lo + 1;
    const pi::VRect& r = out_.rect;
    // What was served in place holds the output already.
    for (int32_t y = std::max(r.top, 0); !out_.inPlace && y < std::min(r.bottom, doc_.height); ++y) {
        const uint8_t* row = out_.bytes.data() + size_t(y - r.top) * size_t(out_.rowBytes);
        for (int32_t x = std::max(r.left, 0); x < std::min(r.right, doc_.width); ++x) {
            const uint8_t* s = row + size_t(x - r.left) * size_t(np);
            uint8_t* d = output_.data() + (size_t(y) * size_t(doc_.width) + size_t(x)) * size_t(doc_.planes);
            std::memcpy(d + out_.lo, s, size_t(np));
        }
    }
    CallLog::Args args{{"rect", JsonVRect(r)}, {"planes", JsonPlanes(out_.lo, out_.hi)}};
    const size_t used = size_t(r.right - r.left) * size_t(np);
    for (size_t at = 0; options_.rowPadding > 0 && at < out_.bytes.size(); at += size_t(out_.rowBytes)) {
        const uint8_t* pad = out_.bytes.data() + at + used;
        if (std::any_of(pad, pad + options_.rowPadding, [](uint8_t b) { return b != kPaddingByte; })) {
            ++misuses_;
            args.emplace_back("error", JsonString("the row padding of the output was written"));
            break;
        }
    }
    log_.Add("commitOutput", std::move(args));
    out_ = Buffer{};
}

pi::OSErr Host::Fill(const Request& q, std::vector<uint8_t>& src, int srcPlanes, Buffer& buf,
                     std::string& why) const {
    const pi::VRect& r = q.rect;
    if (r.bottom < r.top || r.right < r.left) {
        why = "inverted rectangle " + JsonVRect(r);
        return kBadRequestErr;
    }
    if (q.lo < 0 || q.hi < q.lo || q.hi >= srcPlanes) {
        why = "planes " + std::to_string(q.lo) + ".." + std::to_string(q.hi) + " outside 0.." +
              std::to_string(srcPlanes - 1);
        return kBadRequestErr;
    }
    if (q.rate <= 0) {
        why = "sampling rate " + std::to_string(q.rate) + " is not positive";
        return kBadRequestErr;
    }
    const int64_t W = doc_.width, H = doc_.height;
    if (int64_t(src.size()) < W * H * srcPlanes) {
        why = "no pixels to serve";
        return kBadRequestErr;
    }
    // The image's extent in the request's coordinates (sampled when rate > 1).
    const int64_t ws = (W * kOne + q.rate - 1) / q.rate;
    const int64_t hs = (H * kOne + q.rate - 1) / q.rate;
    pi::VRect use = r;
    const bool inside = r.top >= 0 && r.left >= 0 && r.bottom <= hs && r.right <= ws;
    uint8_t fill = 0;
    if (!inside) {
        if (q.padding == kPadErrorOnBounds) {
            why = "rectangle " + JsonVRect(r) + " reaches outside the image " + JsonRect(0, 0, int32_t(hs), int32_t(ws));
            return kBadRequestErr;
        } else if (q.padding == kPadNone) {
            use.top = int32_t(std::clamp<int64_t>(r.top, 0, hs));
            use.left = int32_t(std::clamp<int64_t>(r.left, 0, ws));
            use.bottom = int32_t(std::clamp<int64_t>(r.bottom, use.top, hs));
            use.right = int32_t(std::clamp<int64_t>(r.right, use.left, ws));
        } else if (q.padding >= 0 && q.padding <= 255) {
            fill = uint8_t(q.padding);
        } else if (q.padding != kPadEdgeReplication) {
            why = "unknown padding " + std::to_string(q.padding);
            return kBadRequestErr;
        }
    }
    const int64_t w = int64_t(use.right) - use.left, h = int64_t(use.bottom) - use.top;
    const int np = q.hi - q.lo + 1;
    if ((w * np + options_.rowPadding) * h > kMaxBufferBytes) {
        why = "request of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is too large";
        return kRefusedErr;
    }
    const int64_t pad = options_.rowPadding;
    buf.rect = use;
    buf.lo = q.lo;
    buf.hi = q.hi;
    buf.rowBytes = int32_t(w * np + pad);
    buf.served = true;
    // The whole image with every plane and no padding is served in place, as
    // a host hands out its own tiles: no copy in, and none out.
    if (q.rate == kOne && np == srcPlanes && pad == 0 && use.top == 0 && use.left == 0 && use.bottom == H &&
        use.right == W) {
        buf.bytes.clear();
        buf.data = src.data();
        buf.inPlace = true;
        return pi::noErr;
    }
    buf.bytes.assign(size_t((w * np + pad) * h), fill);
    buf.data = buf.bytes.empty() ? nullptr : buf.bytes.data();
    for (int64_t y = 0; y < h && pad > 0; ++y)
        std::memset(buf.bytes.data() + size_t(y * buf.rowBytes + w * np), kPaddingByte, size_t(pad));
    const bool edge = q.padding == kPadEdgeReplication;
    for (int64_t y = 0; y < h; ++y) {
        int64_t sy = use.top + y;
        if (sy < 0 || sy >= hs) {
            if (!edge) continue;
            sy = std::clamp<int64_t>(sy, 0, hs - 1);
        }
        const int64_t iy = std::min((sy * q.rate) >> 16, H - 1);
        uint8_t* d = buf.bytes.data() + size_t(y) * size_t(buf.rowBytes);
        for (int64_t x = 0; x < w; ++x, d += np) {
            int64_t sx = use.left + x;
            if (sx < 0 || sx >= ws) {
                if (!edge) continue;
                sx = std::clamp<int64_t>(sx, 0, ws - 1);
            }
            const int64_t ix = std::min((sx * q.rate) >> 16, W - 1);
            std::memcpy(d, src.data() + size_t((iy * W + ix) * srcPlanes + q.lo), size_t(np));
        }
    }
    return pi::noErr;
}

pi::OSErr Host::ServeRequest(const char* who) {
    CommitOutput();
    FreeBuffers();
    requestError_.clear();
    pi::FilterRecord& r = record_;
    const bool wide = Using32();
    const pi::VRect inRect = wide ? big_.inRect32 : Widen(r.inRect);
    const pi::VRect outRect = wide ? big_.outRect32 : Widen(r.outRect);
    const pi::VRect maskRect = wide ? big_.maskRect32 : Widen(r.maskRect);
    CallLog::Args args{{"coords", JsonInt(wide ? 32 : 16)},
                       {"inRect", JsonVRect(inRect)},
                       {"inPlanes", JsonPlanes(r.inLoPlane, r.inHiPlane)},
                       {"outRect", JsonVRect(outRect)},
                       {"outPlanes", JsonPlanes(r.outLoPlane, r.outHiPlane)},
                       {"maskRect", JsonVRect(maskRect)},
                       {"inputRate", JsonInt(r.inputRate)},
                       {"maskRate", JsonInt(r.maskRate)}};

    pi::OSErr err = pi::noErr;
    std::string why;
    if (r.wantLayout != 0) {
        why = "layout " + std::to_string(r.wantLayout) + " is not served (interleaved only)";
        err = kBadRequestErr;
    }
    if (!err && !Empty(inRect))
        err = Fill({inRect, r.inLoPlane, r.inHiPlane, r.inputRate, r.inputPadding}, doc_.pixels, doc_.planes, in_, why);
    if (!err && !Empty(outRect))
        err = Fill({outRect, r.outLoPlane, r.outHiPlane, kOne, r.outputPadding}, output_, doc_.planes, out_, why);
    if (!err && !Empty(maskRect) && doc_.HasSelection())
        err = Fill({maskRect, 0, 0, r.maskRate, r.maskPadding}, doc_.mask, 1, mask_, why);
    if (err) {
        FreeBuffers();
        requestError_ = why;
        args.emplace_back("error", JsonString(why));
        log_.Add(who, std::move(args), err);
        return err;
    }

    // Clipped requests (no padding) report what was served.
    auto report = [&](const Buffer& b, const pi::VRect& asked, pi::VRect& r32, pi::Rect& r16) {
        if (!b.served || std::memcmp(&b.rect, &asked, sizeof asked) == 0) return;
        if (wide) r32 = b.rect;
        else r16 = Narrow(b.rect);
    };
    report(in_, inRect, big_.inRect32, r.inRect);
    report(out_, outRect, big_.outRect32, r.outRect);
    report(mask_, maskRect, big_.maskRect32, r.maskRect);

    auto point = [](Buffer& b) -> void* { return b.data; };
    r.inData = point(in_);
    r.inRowBytes = in_.rowBytes;
    r.inColumnBytes = in_.hi - in_.lo + 1;
    r.inPlaneBytes = 1;
    r.outData = point(out_);
    r.outRowBytes = out_.rowBytes;
    r.outColumnBytes = out_.hi - out_.lo + 1;
    r.outPlaneBytes = 1;
    r.maskData = point(mask_);
    r.maskRowBytes = mask_.rowBytes;
    log_.Add(who, std::move(args), pi::noErr);
    return pi::noErr;
}

// ---- Handles -----------------------------------------------------------------

void Host::SetParametersHook(std::function<void(uint8_t*, size_t)> hook, size_t ownHandleSize) {
    parametersHook_ = std::move(hook);
    ownParametersSize_ = ownHandleSize;
}

void Host::ApplyParametersHook() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!parametersHook_ || params_ == nullptr) return;
    // A handle is the address of its master pointer, ours or the plug-in's own.
    const HandleBlock* b = Find(params_);
    auto* bytes = reinterpret_cast<uint8_t*>(*params_);
    const size_t size = b != nullptr ? size_t(std::max(b->size, 0)) : ownParametersSize_;
    if (bytes == nullptr || size == 0) return;
    parametersHook_(bytes, size);
    log_.Add("parametersChanged", {{"handle", JsonInt(HandleId(params_))}});
}

Host::HandleBlock* Host::Find(pi::Handle h) const {
    auto it = handles_.find(h);
    return it == handles_.end() ? nullptr : it->second.get();
}

int Host::HandleId(pi::Handle h) const {
    if (!h) return 0;
    const HandleBlock* b = Find(h);
    return b ? b->id : -1;
}

pi::Handle Host::NewHandle(int32_t size) {
    Count("newProc");
    ++newCalls_;
    if (options_.failNewAt == newCalls_) {
        log_.Add("newProc", {{"size", JsonInt(size)}, {"fault", JsonBool(true)}}, 0);
        return nullptr;
    }
    if (size < 0) {
        ++misuses_;
        log_.Add("newProc", {{"size", JsonInt(size)}, {"error", JsonString("negative size")}}, 0);
        return nullptr;
    }
    pi::Handle h = AddHandle(size);
    if (!h) {
        log_.Add("newProc", {{"size", JsonInt(size)}, {"error", JsonString("out of memory")}}, 0);
        return nullptr;
    }
    log_.Add("newProc", {{"size", JsonInt(size)}}, HandleId(h));
    return h;
}

pi::Handle Host::AddHandle(int32_t size) {
    auto block = std::make_unique<HandleBlock>();
    block->master = static_cast<pi::Ptr>(std::calloc(size_t(size) + 1, 1));
    if (!block->master) return nullptr;
    block->size = size;
    block->id = nextHandleId_++;
    pi::Handle h = &block->master;
    handles_.emplace(h, std::move(block));
    return h;
}

pi::Handle Host::HandOutHandle(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (bytes.size() > size_t(std::numeric_limits<int32_t>::max())) return nullptr;
    pi::Handle h = AddHandle(int32_t(bytes.size()));
    if (h && !bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
    log_.Add("handOut", {{"size", JsonInt(int64_t(bytes.size()))}}, h ? HandleId(h) : 0);
    return h;
}

void Host::DisposeHandle(pi::Handle h, const char* proc) {
    Count(proc);
    if (!h) {
        ++misuses_;  // an editor would dereference it
        log_.Add(proc, {{"handle", JsonInt(0)}, {"error", JsonString("null handle")}});
        return;
    }
    auto it = handles_.find(h);
    if (it == handles_.end()) {
        ++misuses_;
        log_.Add(proc, {{"handle", JsonInt(-1)}, {"error", JsonString("unknown handle")}});
        return;
    }
    log_.Add(proc, {{"handle", JsonInt(it->second->id)}, {"locks", JsonInt(it->second->locks)}});
    std::free(it->second->master);
    handles_.erase(it);
}

pi::Handle Host::NewFilledHandle(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto block = std::make_unique<HandleBlock>();
    block->master = static_cast<pi::Ptr>(std::calloc(bytes.size() + 1, 1));
    if (!block->master) return nullptr;
    if (!bytes.empty()) std::memcpy(block->master, bytes.data(), bytes.size());
    block->size = int32_t(bytes.size());
    block->id = nextHandleId_++;
    pi::Handle h = &block->master;
    log_.Add("hostNewHandle", {{"size", JsonInt(block->size)}}, block->id);
    handles_.emplace(h, std::move(block));
    return h;
}

int Host::HandleNumber(pi::Handle h) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return HandleId(h);
}

void Host::DisposeFilledHandle(pi::Handle h) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = handles_.find(h);
    if (it == handles_.end()) return;
    log_.Add("hostDisposeHandle", {{"handle", JsonInt(it->second->id)}});
    std::free(it->second->master);
    handles_.erase(it);
}

int32_t Host::GetSize(pi::Handle h) {
    Count("getSizeProc");
    HandleBlock* b = Find(h);
    if (!b) ++misuses_;
    const int32_t size = b ? b->size : 0;
    log_.Add("getSizeProc", {{"handle", JsonInt(HandleId(h))}}, size);
    return size;
}

pi::OSErr Host::SetSize(pi::Handle h, int32_t size) {
    Count("setSizeProc");
    HandleBlock* b = Find(h);
    pi::OSErr err = pi::noErr;
    if (!b) {
        ++misuses_;
        err = pi::nilHandleErr;
    } else if (size < 0) {
        err = pi::memFullErr;
    } else if (auto* p = static_cast<pi::Ptr>(std::realloc(b->master, size_t(size) + 1))) {
        if (size > b->size) std::memset(p + b->size, 0, size_t(size - b->size));
        b->master = p;
        b->size = size;
    } else {
        err = pi::memFullErr;
    }
    log_.Add("setSizeProc", {{"handle", JsonInt(HandleId(h))}, {"size", JsonInt(size)}}, err);
    return err;
}

pi::Ptr Host::Lock(pi::Handle h, bool moveHigh) {
    Count("lockProc");
    ++lockCalls_;
    HandleBlock* b = Find(h);
    CallLog::Args args{{"handle", JsonInt(HandleId(h))}, {"moveHigh", JsonBool(moveHigh)}};
    if (options_.failLockAt == lockCalls_) {
        args.emplace_back("fault", JsonBool(true));
        log_.Add("lockProc", std::move(args), 0);
        return nullptr;
    }
    if (!b) {
        ++misuses_;
        args.emplace_back("error", JsonString("unknown handle"));
        log_.Add("lockProc", std::move(args), 0);
        return nullptr;
    }
    ++b->locks;
    args.emplace_back("locks", JsonInt(b->locks));
    log_.Add("lockProc", std::move(args), 1);
    return b->master;
}

void Host::Unlock(pi::Handle h) {
    Count("unlockProc");
    HandleBlock* b = Find(h);
    CallLog::Args args{{"handle", JsonInt(HandleId(h))}};
    if (!b) {
        ++misuses_;
        args.emplace_back("error", JsonString("unknown handle"));
    } else if (b->locks == 0) {
        ++unbalancedUnlocks_;  // harmless to a host, but worth seeing
        args.emplace_back("note", JsonString("not locked"));
    } else {
        --b->locks;
        args.emplace_back("locks", JsonInt(b->locks));
    }
    log_.Add("unlockProc", std::move(args));
}

int Host::LiveHandles() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return int(handles_.size());
}

int Host::LockCount(pi::Handle h) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const HandleBlock* b = Find(h);
    return b ? b->locks : -1;
}

int Host::OutstandingLocks() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    int n = 0;
    for (const auto& e : handles_) n += e.second->locks;
    return n;
}

bool Host::IsLiveHandle(pi::Handle h) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return Find(h) != nullptr;
}

std::vector<uint8_t> Host::HandleBytes(pi::Handle h) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const HandleBlock* b = Find(h);
    if (!b) return {};
    return std::vector<uint8_t>(b->master, b->master + b->size);
}

int Host::CallCount(const std::string& proc) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = calls_.find(proc);
    return it == calls_.end() ? 0 : it->second;
}

int Host::UnbalancedUnlocks() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return unbalancedUnlocks_;
}

int Host::Misuses() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return misuses_;
}

// ---- Basic suite ---------------------------------------------------------------

void Host::RegisterSuite(const std::string& name, int32_t version, const void* suite) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    suites_[{name, version}] = suite;
}

void Host::UnregisterSuite(const std::string& name, int32_t version) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    suites_.erase({name, version});
}

int Host::SuiteBalance(const std::string& name, int32_t version) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = suiteBalance_.find({name, version});
    return it == suiteBalance_.end() ? 0 : it->second;
}

bool Host::SuiteDisabled(const std::string& name, int32_t version) const {
    return options_.disabledSuites.count(name) != 0 ||
           options_.disabledSuites.count(name + "@" + std::to_string(version)) != 0;
}

std::map<std::string, int> Host::SuiteBalances() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::map<std::string, int> out;
    for (const auto& e : suiteBalance_) out[e.first.first + "@" + std::to_string(e.first.second)] = e.second;
    return out;
}

void Host::LogSuiteBalances() {
    CallLog::Args args;
    for (const auto& e : SuiteBalances()) args.emplace_back(e.first, JsonInt(e.second));
    log_.Add("suiteBalances", std::move(args));
}

int Host::LiveBlocks() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return int(blocks_.size());
}

pi::SPErr Host::Acquire(const char* name, int32_t version, const void** suite) {
    Count("AcquireSuite");
    const std::string key = name ? name : "";
    CallLog::Args args{{"name", name ? JsonString(key) : JsonNull()}, {"version", JsonInt(version)}};
    auto it = name ? suites_.find({key, version}) : suites_.end();
    const bool disabled = name && SuiteDisabled(key, version);
    if (!suite || it == suites_.end() || disabled) {
        if (!suite) ++misuses_;
        if (disabled) args.emplace_back("disabled", JsonBool(true));
        log_.Add("AcquireSuite", std::move(args), kSuiteNotFoundErr);
        return kSuiteNotFoundErr;
    }
    *suite = it->second;
    ++suiteBalance_[{key, version}];
    log_.Add("AcquireSuite", std::move(args), pi::noErr);
    return pi::noErr;
}

pi::SPErr Host::Release(const char* name, int32_t version) {
    Count("ReleaseSuite");
    const std::string key = name ? name : "";
    CallLog::Args args{{"name", name ? JsonString(key) : JsonNull()}, {"version", JsonInt(version)}};
    if (!name || !suites_.count({key, version})) {
        log_.Add("ReleaseSuite", std::move(args), kSuiteNotFoundErr);
        return kSuiteNotFoundErr;
    }
    if (--suiteBalance_[{key, version}] < 0) {
        ++misuses_;
        args.emplace_back("error", JsonString("released more often than acquired"));
    }
    log_.Add("ReleaseSuite", std::move(args), pi::noErr);
    return pi::noErr;
}

pi::SPErr Host::Allocate(size_t size, void** block) {
    Count("AllocateBlock");
    if (!block) {
        ++misuses_;
        log_.Add("AllocateBlock", {{"size", JsonInt(int64_t(size))}}, kBadParameterErr);
        return kBadParameterErr;
    }
    *block = std::malloc(size ? size : 1);
    const pi::SPErr err = *block ? pi::noErr : pi::SPErr(pi::memFullErr);
    if (*block) blocks_[*block] = size;
    log_.Add("AllocateBlock", {{"size", JsonInt(int64_t(size))}}, err);
    return err;
}

pi::SPErr Host::Free(void* block) {
    Count("FreeBlock");
    auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        if (block) ++misuses_;
        log_.Add("FreeBlock", {{"known", JsonBool(false)}}, block ? kBadParameterErr : pi::noErr);
        return block ? kBadParameterErr : pi::noErr;
    }
    std::free(block);
    blocks_.erase(it);
    log_.Add("FreeBlock", {{"known", JsonBool(true)}}, pi::noErr);
    return pi::noErr;
}

pi::SPErr Host::Reallocate(void* block, size_t size, void** newBlock) {
    Count("ReallocateBlock");
    CallLog::Args args{{"size", JsonInt(int64_t(size))}};
    auto it = blocks_.find(block);
    if (!newBlock || (block && it == blocks_.end())) {
        ++misuses_;
        log_.Add("ReallocateBlock", std::move(args), kBadParameterErr);
        return kBadParameterErr;
    }
    void* p = std::realloc(block, size ? size : 1);
    if (!p) {
        *newBlock = nullptr;
        log_.Add("ReallocateBlock", std::move(args), pi::memFullErr);
        return pi::memFullErr;
    }
    if (block) blocks_.erase(it);
    blocks_[p] = size;
    *newBlock = p;
    log_.Add("ReallocateBlock", std::move(args), pi::noErr);
    return pi::noErr;
}

// ---- Other services ------------------------------------------------------------

pi::OSErr Host::ColorServices(pi::ColorServicesInfo* info) {
    Count("colorServices");
    if (!info) {
        ++misuses_;
        log_.Add("colorServices", {}, pi::filterBadParameters);
        return pi::filterBadParameters;
    }
    CallLog::Args args{{"selector", JsonInt(info->selector)},
                       {"sourceSpace", JsonInt(info->sourceSpace)},
                       {"resultSpace", JsonInt(info->resultSpace)}};
    auto known = [](int16_t s) {
        return s == pi::plugIncolorServicesRGBSpace || s == pi::plugIncolorServicesCMYKSpace;
    };
    auto finish = [&](pi::OSErr err) {
        args.emplace_back("components", "[" + std::to_string(info->colorComponents[0]) + "," +
                                            std::to_string(info->colorComponents[1]) + "," +
                                            std::to_string(info->colorComponents[2]) + "," +
                                            std::to_string(info->colorComponents[3]) + "]");
        log_.Add("colorServices", std::move(args), err);
        return err;
    };
    // Writes an RGB colour into the result space.
    auto put = [info](Rgb c) {
        int16_t* k = info->colorComponents;
        if (info->resultSpace == pi::plugIncolorServicesCMYKSpace) {
            const Cmyk m = RgbToCmyk(c);
            k[0] = m.c, k[1] = m.m, k[2] = m.y, k[3] = m.k;
        } else {
            k[0] = c.r, k[1] = c.g, k[2] = c.b, k[3] = 0;
        }
        info->resultGamutInfoValid = 1;
        info->resultInGamut = 1;
    };
    if (info->selector == pi::plugIncolorServicesConvertColor) {
        if (!known(info->sourceSpace) || !known(info->resultSpace)) return finish(pi::errPlugInHostInsufficient);
        const int16_t* k = info->colorComponents;
        if (info->sourceSpace == pi::plugIncolorServicesCMYKSpace)
            put(CmykToRgb({Byte(k[0]), Byte(k[1]), Byte(k[2]), Byte(k[3])}));
        else
            put({Byte(k[0]), Byte(k[1]), Byte(k[2])});
        return finish(pi::noErr);
    }
    if (info->selector == pi::plugIncolorServicesChooseColor) {
        std::string prompt;
        if (const pi::Str255* p = info->selectorParameter.pickerPrompt)
            prompt.assign(reinterpret_cast<const char*>(&(*p)[1]), (*p)[0]);
        args.emplace_back("prompt", JsonString(prompt));
        if (options_.pickCancelled) return finish(pi::userCanceledErr);
        if (info->resultSpace == pi::plugIncolorServicesChosenSpace) info->resultSpace = pi::plugIncolorServicesRGBSpace;
        if (!known(info->resultSpace)) return finish(pi::errPlugInHostInsufficient);
        put(options_.pickedColor);
        return finish(pi::noErr);
    }
    if (info->selector == pi::plugIncolorServicesGetSpecialColor) {
        const int32_t id = info->selectorParameter.specialColorID;
        if ((id != 0 && id != 1) || !known(info->resultSpace)) return finish(pi::errPlugInHostInsufficient);
        const pi::RGBColor& c = id == 0 ? options_.background : options_.foreground;
        put({uint8_t(c.red >> 8), uint8_t(c.green >> 8), uint8_t(c.blue >> 8)});
        return finish(pi::noErr);
    }
    return finish(pi::errPlugInHostInsufficient);
}

pi::SPErr Host::ConvertColors(int bits, int16_t from, int16_t to, void* colors, int16_t count) {
    const char* proc = bits == 8 ? "Convert8" : "Convert16";
    Count(proc);
    ++convertCalls_;
    CallLog::Args args{{"from", JsonInt(from)}, {"to", JsonInt(to)}, {"count", JsonInt(count)}};
    auto done = [&](pi::SPErr err) {
        log_.Add(proc, std::move(args), err);
        return err;
    };
    if (count < 0 || (count > 0 && !colors)) {
        ++misuses_;
        return done(kBadParameterErr);
    }
    if (options_.failConvertAt == convertCalls_) {
        args.emplace_back("fault", JsonBool(true));
        return done(kConvertFailedErr);
    }
    auto known = [](int16_t space) {
        return space == pi::plugIncolorServicesRGBSpace || space == pi::plugIncolorServicesCMYKSpace;
    };
    if (!known(from) || !known(to)) return done(kBadParameterErr);
    if (from == to) return done(pi::noErr);
    // RGB colours carry their components in places 1 to 3.
    auto convert = [&](auto* c, int full) {
        using T = std::remove_reference_t<decltype(c[0][0])>;
        for (int16_t i = 0; i < count; ++i) {
            T out[4];
            if (from == pi::plugIncolorServicesCMYKSpace) {
                CmykPlanesToRgb<T>(full, c[i], out + 1);
                out[0] = T(full);
            } else {
                RgbToCmykPlanes<T>(full, c[i] + 1, out);
            }
            std::memcpy(c[i], out, sizeof out);
        }
    };
    if (bits == 8)
        convert(static_cast<pi::Color8*>(colors), 255);
    else
        convert(static_cast<pi::Color16*>(colors), 32768);
    return done(pi::noErr);
}

void Host::RecordMessageBox(const std::string& caption, const std::string& text) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Count("messageBox");
    messageBoxes_.push_back({caption, text});
    log_.Add("messageBox", {{"caption", JsonString(caption)}, {"text", JsonString(text)}});
}

void Host::RecordDialog(const DialogShown& dialog) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Count("dialog");
    dialogs_.push_back(dialog);
    std::vector<std::pair<std::string, std::string>> fields{{"caption", JsonString(dialog.caption)}};
    for (const auto& [id, text] : dialog.items) fields.emplace_back("item" + std::to_string(id), JsonString(text));
    for (size_t i = 0; i < dialog.texts.size(); ++i)
        fields.emplace_back("text" + std::to_string(i), JsonString(dialog.texts[i]));
    if (!dialog.owner.empty()) fields.emplace_back("owner", JsonString(dialog.owner));
    log_.Add("dialog", fields);
}

void Host::RecordShellCall(const ShellCall& call) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Count("shellExecute");
    shellCalls_.push_back(call);
    log_.Add("shellExecute", {{"owner", JsonString(call.owner)},
                              {"verb", JsonString(call.verb)},
                              {"file", JsonString(call.file)},
                              {"parameters", call.parameters ? JsonString(*call.parameters) : JsonNull()},
                              {"directory", call.directory ? JsonString(*call.directory) : JsonNull()},
                              {"show", JsonInt(call.show)}});
}

std::vector<ShellCall> Host::ShellCalls() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return shellCalls_;
}

void Host::LogEvent(std::string call, CallLog::Args args) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    log_.Add(std::move(call), std::move(args));
}

std::vector<DialogShown> Host::Dialogs() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return dialogs_;
}

std::vector<MessageBoxShown> Host::MessageBoxes() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return messageBoxes_;
}

bool Host::Abort() {
    Count("abortProc");
    ++abortCalls_;
    const bool abort = options_.abortAfter >= 0 && abortCalls_ > options_.abortAfter;
    log_.Add("abortProc", {}, abort ? 1 : 0);
    return abort;
}

void Host::Progress(int32_t done, int32_t total) {
    Count("progressProc");
    log_.Add("progressProc", {{"done", JsonInt(done)}, {"total", JsonInt(total)}});
}

}  // namespace frostel::hostsim

#include "TestFilter.h"

#include <cstring>

namespace testfilter {

Behaviour gBehaviour;
Observed gObserved;

void Reset() {
    gBehaviour = Behaviour{};
    gObserved = Observed{};
}

namespace {

constexpr int32_t kParamsSize = 16;
constexpr int32_t kDataSize = 8;
constexpr int32_t kMagic = 0x46524F53;

struct Locked {
    int32_t* params = nullptr;
    int32_t* data = nullptr;
};

bool Use32(const pi::FilterRecord* r) {
    return r->bigDocumentData && r->bigDocumentData->PluginUsing32BitCoordinates;
}

pi::VRect FilterRect(const pi::FilterRecord* r) {
    if (Use32(r)) return r->bigDocumentData->filterRect32;
    return {r->filterRect.top, r->filterRect.left, r->filterRect.bottom, r->filterRect.right};
}

void SetRects(pi::FilterRecord* r, const pi::VRect& v, bool also16) {
    if (Use32(r)) {
        r->bigDocumentData->inRect32 = r->bigDocumentData->outRect32 = r->bigDocumentData->maskRect32 = v;
        if (!also16) return;
    }
    const pi::Rect s{int16_t(v.top), int16_t(v.left), int16_t(v.bottom), int16_t(v.right)};
    r->inRect = r->outRect = r->maskRect = s;
}

int16_t CreateHandles(pi::FilterRecord* r, intptr_t* data) {
    if (!r->parameters) {
        r->parameters = r->handleProcs->newProc(kParamsSize);
        if (!r->parameters) return pi::memFullErr;
    }
    if (!*data) {
        pi::Handle h = r->handleProcs->newProc(kDataSize);
        if (!h) return pi::memFullErr;
        *data = reinterpret_cast<intptr_t>(h);
    }
    return 0;
}

int16_t Lock(pi::FilterRecord* r, intptr_t* data, Locked& l) {
    if (!r->parameters || !*data) return pi::filterBadParameters;
    l.params = reinterpret_cast<int32_t*>(r->handleProcs->lockProc(r->parameters, 1));
    if (!l.params) return pi::memFullErr;
    l.data = reinterpret_cast<int32_t*>(r->handleProcs->lockProc(reinterpret_cast<pi::Handle>(*data), 1));
    if (!l.data) return pi::memFullErr;
    return 0;
}

// Mirrors a filter's epilogue: unlock whatever exists, data first.
void Unlock(pi::FilterRecord* r, intptr_t* data) {
    if (*data) r->handleProcs->unlockProc(reinterpret_cast<pi::Handle>(*data));
    if (r->parameters) r->handleProcs->unlockProc(r->parameters);
}

int ColourPlanes(const pi::FilterRecord* r) {
    const int colour = r->imageMode == pi::plugInModeCMYKColor ? 4 : 3;
    return r->planes < colour ? r->planes : colour;
}

// Inverts the colour planes of the served output over the output rectangle.
void InvertOut(pi::FilterRecord* r, const pi::VRect& rect) {
    auto* out = static_cast<uint8_t*>(r->outData);
    if (!out) return;
    const int planes = r->outHiPlane - r->outLoPlane + 1;
    for (int32_t y = 0; y < rect.bottom - rect.top; ++y)
        for (int32_t x = 0; x < rect.right - rect.left; ++x)
            for (int p = 0; p < ColourPlanes(r); ++p) {
                uint8_t& v = out[y * r->outRowBytes + x * planes + p];
                v = uint8_t(255 - v);
            }
}

pi::VRect Band(const pi::VRect& f, int32_t top) {
    const int32_t bottom = top + gBehaviour.bandRows < f.bottom ? top + gBehaviour.bandRows : f.bottom;
    return {top, f.left, bottom, f.right};
}

int16_t Start(pi::FilterRecord* r, intptr_t* data) {
    Locked l;
    if (int16_t e = Lock(r, data, l)) return e;
    if (gBehaviour.leakLock) r->handleProcs->lockProc(r->parameters, 0);
    gObserved.parameterValue = l.params[1];
    l.data[0] += 1;  // runs so far
    if (gBehaviour.checkAbort && r->abortProc()) return pi::userCanceledErr;

    gObserved.filterRect = r->filterRect;
    if (r->bigDocumentData) gObserved.filterRect32 = r->bigDocumentData->filterRect32;
    r->inLoPlane = r->outLoPlane = 0;
    r->inHiPlane = r->outHiPlane = int16_t(r->planes - 1);
    r->inputRate = gBehaviour.inputRate;
    r->maskRate = 0x10000;
    if (gBehaviour.padding >= -3) r->inputPadding = r->outputPadding = r->maskPadding = gBehaviour.padding;
    pi::VRect f = FilterRect(r);
    if (gBehaviour.outOfRange) f.bottom += 1;

    if (gBehaviour.tiled) {
        SetRects(r, Band(f, f.top), false);
        return 0;
    }
    SetRects(r, f, false);
    gObserved.advanceResult = r->advanceState();
    if (gObserved.advanceResult) return gObserved.advanceResult;
    gObserved.sawMask = r->maskData != nullptr;
    gObserved.inRowBytes = r->inRowBytes;
    gObserved.inData = r->inData;
    gObserved.outData = r->outData;
    if (r->inData) {
        const pi::VRect in = Use32(r) ? r->bigDocumentData->inRect32
                                      : pi::VRect{r->inRect.top, r->inRect.left, r->inRect.bottom, r->inRect.right};
        const auto* bytes = static_cast<const uint8_t*>(r->inData);
        gObserved.in.assign(bytes, bytes + size_t(in.bottom - in.top) * size_t(r->inRowBytes));
    }
    InvertOut(r, Use32(r) ? r->bigDocumentData->outRect32
                          : pi::VRect{r->outRect.top, r->outRect.left, r->outRect.bottom, r->outRect.right});
    r->progressProc(1, 1);
    SetRects(r, {0, 0, 0, 0}, true);
    if (gBehaviour.emptyOnly16 && Use32(r)) SetRects(r, f, false);  // 32-bit left for continue to clear
    return 0;
}

int16_t Continue(pi::FilterRecord* r) {
    if (gBehaviour.neverEnd) return 0;
    if (!gBehaviour.tiled) {
        SetRects(r, {0, 0, 0, 0}, true);
        return 0;
    }
    const pi::VRect cur = Use32(r) ? r->bigDocumentData->outRect32
                                   : pi::VRect{r->outRect.top, r->outRect.left, r->outRect.bottom, r->outRect.right};
    InvertOut(r, cur);
    const pi::VRect f = FilterRect(r);
    SetRects(r, cur.bottom >= f.bottom ? pi::VRect{0, 0, 0, 0} : Band(f, cur.bottom), true);
    return 0;
}

}  // namespace

void Entry(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    if (selector == pi::filterSelectorAbout) {
        auto* about = static_cast<pi::AboutRecord*>(record);
        ++gObserved.calls[0];
        gObserved.aboutBasic = about->sSPBasic;
        gObserved.aboutPlatform = about->platformData;
        return;
    }
    auto* r = static_cast<pi::FilterRecord*>(record);
    if (r->bigDocumentData) r->bigDocumentData->PluginUsing32BitCoordinates = 1;
    if (selector >= 1 && selector <= 5) ++gObserved.calls[selector];
    int16_t err = 0;
    Locked l;
    switch (selector) {
    case pi::filterSelectorParameters:
        if (!(err = CreateHandles(r, data)) && !(err = Lock(r, data, l))) {
            l.params[0] = kMagic;
            l.params[1] = 42;
        }
        break;
    case pi::filterSelectorPrepare:
        if (gBehaviour.suite) {
            const void* suite = nullptr;
            if (!r->sSPBasic || r->sSPBasic->AcquireSuite(gBehaviour.suite, 1, &suite) || !suite) {
                err = pi::errPlugInHostInsufficient;
                break;
            }
            r->sSPBasic->ReleaseSuite(gBehaviour.suite, 1);
        }
        if (!(err = CreateHandles(r, data)) && !(err = Lock(r, data, l)) && l.params[0] != kMagic) {
            l.params[0] = kMagic;
            l.params[1] = 7;  // defaults when prepare had to create the record
        }
        r->bufferSpace = 0;
        break;
    case pi::filterSelectorStart: err = Start(r, data); break;
    case pi::filterSelectorContinue: err = Continue(r); break;
    case pi::filterSelectorFinish: err = Lock(r, data, l); break;
    default: break;
    }
    Unlock(r, data);
    if (err) *result = err;
}

}  // namespace testfilter

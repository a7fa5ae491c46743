#include "DocumentLayers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "HostCallbacks.h"
#include "HostSuites.h"
#include "HostUtil.h"
#include "Plugin.h"

namespace frostel {

namespace {

constexpr pi::DescriptorKeyID kKeyVisible = pi::FourCC("Vsbl");
constexpr pi::DescriptorKeyID kKeyName = pi::FourCC("Nm  ");
constexpr pi::DescriptorClassID kClassProperty = pi::FourCC("Prpr");
constexpr pi::DescriptorClassID kClassLayer = pi::FourCC("Lyr ");
constexpr pi::DescriptorEnumTypeID kTypeOrdinal = pi::FourCC("Ordn");
constexpr pi::DescriptorEnumID kEnumTarget = pi::FourCC("Trgt");

// Lists come from the host; a damaged one must not loop forever.
constexpr int kMaxListEntries = 1 << 16;

int ListLength(const pi::ReadChannelDesc* list) {
    int n = 0;
    for (; list != nullptr && n < kMaxListEntries; list = list->next) ++n;
    return n;
}

// Suite errors are 32-bit; the selector's result is 16-bit.
int16_t ResultOf(int32_t err) {
    return err >= std::numeric_limits<int16_t>::min() && err <= std::numeric_limits<int16_t>::max()
               ? int16_t(err)
               : pi::errPlugInHostInsufficient;
}

PlaneRect ToPlaneRect(const pi::VRect& r) { return {r.left, r.top, r.right, r.bottom}; }
pi::VRect ToVRect(const PlaneRect& r) { return {r.top, r.left, r.bottom, r.right}; }

pi::VRect Intersect(const pi::VRect& a, const pi::VRect& b) {
    return {std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
}

bool IsEmpty(const pi::VRect& r) { return r.bottom <= r.top || r.right <= r.left; }

// The image's rectangle where the host's pixels for it lie: moved, all four
// sides, by the floating selection's offset.
pi::VRect ReadRectOf(const CPlanarImage& image) {
    const pi::VPoint f = GetFloatCoord(gFilterRecord);
    return ToVRect(image.Rect().Offset(f.v, f.h));
}

// Where plane `plane` of the image receives the pixel at inner (x, y): the
// host's descriptor of column-major memory. False when the layout does not
// fit the descriptor's 32-bit fields.
bool DescribePlane(const CPlanarImage& image, int plane, int64_t x, int64_t y, pi::PixelMemoryDesc& out) {
    const uint64_t colBits = image.ColumnBits();
    if (colBits > uint64_t(std::numeric_limits<int32_t>::max())) return false;
    uint8_t* at = image.Sample(plane, x, y);
    if (at == nullptr) return false;
    out.data = at;
    out.rowBits = int32_t(image.BitsPerSample());
    out.colBits = int32_t(colBits);
    out.bitOffset = 0;
    out.depth = int32_t(image.BitsPerSample());
    return true;
}

// How one channel is read: the suite when the host has it, else the
// record's callbacks.
struct PortReader {
    const pi::PSChannelPortsSuite1* suite = nullptr;
    const pi::ChannelPortProcs* procs = nullptr;

    // 0, or the error that ends the reading.
    int16_t CheckReadable(pi::PIChannelPort port) const {
        if (suite == nullptr) return 0;
        if (suite->CanRead == nullptr) return pi::errPlugInHostInsufficient;
        pi::Boolean canRead = 0;
        if (const pi::SPErr err = suite->CanRead(port, &canRead)) return ResultOf(err);
        return canRead ? int16_t(0) : pi::errPlugInHostInsufficient;
    }

    // source (document coordinates) into destination (the memory's own
    // rectangle, whose top-left `memory` addresses).
    int16_t Read(pi::PIChannelPort port, const pi::VRect& source, const pi::VRect& destination,
                 const pi::PixelMemoryDesc& memory) const {
        const bool scaled = source.bottom - source.top != destination.bottom - destination.top ||
                            source.right - source.left != destination.right - destination.left;
        if (suite != nullptr) {
            pi::VRect rect = destination;
            if (scaled) {
                if (suite->ReadScaledPixels == nullptr) return pi::errPlugInHostInsufficient;
                const pi::PSScaling scaling{source, destination};
                return ResultOf(suite->ReadScaledPixels(port, &rect, &scaling, &memory));
            }
            if (suite->ReadPixelsFromLevel == nullptr) return pi::errPlugInHostInsufficient;
            rect = source;
            return ResultOf(suite->ReadPixelsFromLevel(port, 0, &rect, &memory));
        }
        // Unscaled, the read rectangle is both source and destination.
        const pi::VRect& to = scaled ? destination : source;
        const pi::PSScaling scaling{source, to};
        pi::VRect wrote{};
        return procs->readPixelsProc(port, &scaling, &to, &memory, &wrote);
    }
};

// Reads each channel of `list` into the next plane of `image`. `destination`
// is where the image's read rectangle lands, in inner coordinates; a read
// clipped by a channel's bounds is mapped into it proportionally.
void ReadChannels(const pi::ReadChannelDesc* list, CPlanarImage* image, const pi::VRect& destination) {
    if (list == nullptr || image == nullptr || gFilterRecord == nullptr) return;
    if (image->Data() == nullptr) {
        SetResult(pi::memFullErr);
        return;
    }
    ScopedSuite ports(pi::kPSChannelPortsSuite, 2);
    PortReader reader;
    reader.suite = ports.get<pi::PSChannelPortsSuite1>();
    if (reader.suite == nullptr) {
        const pi::ChannelPortProcs* procs = gFilterRecord->channelPortProcs;
        if (hostutil::CheckChannelPortProcs(procs) != hostutil::CallbackStatus::Available ||
            procs->readPixelsProc == nullptr) {
            SetResult(pi::errPlugInHostInsufficient);
            return;
        }
        reader.procs = procs;
    }

    const pi::VRect read = ReadRectOf(*image);
    const pi::VRect inner{0, 0, int32_t(image->Height()), int32_t(image->Width())};
    const int64_t sw = int64_t(read.right) - read.left, sh = int64_t(read.bottom) - read.top;
    const int64_t dw = int64_t(destination.right) - destination.left;
    const int64_t dh = int64_t(destination.bottom) - destination.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    auto mapX = [&](int64_t x) { return int32_t(destination.left + (x - read.left) * dw / sw); };
    auto mapY = [&](int64_t y) { return int32_t(destination.top + (y - read.top) * dh / sh); };
    auto unmapX = [&](int64_t x) { return int32_t(read.left + (x - destination.left) * sw / dw); };
    auto unmapY = [&](int64_t y) { return int32_t(read.top + (y - destination.top) * sh / dh); };

    int plane = 0;
    for (const pi::ReadChannelDesc* entry = list; entry != nullptr && ResultOk() && plane < image->Channels();
         entry = entry->next, ++plane) {
        if (const int16_t err = reader.CheckReadable(entry->port)) {
            SetResult(err);
            break;
        }
        // The part of the channel there is, then the part of that the image holds.
        pi::VRect src = Intersect(read, entry->bounds);
        if (IsEmpty(src)) continue;
        pi::VRect dst{mapY(src.top), mapX(src.left), mapY(src.bottom), mapX(src.right)};
        const pi::VRect kept = Intersect(dst, inner);
        if (IsEmpty(kept)) continue;
        if (!(kept.top == dst.top && kept.left == dst.left && kept.bottom == dst.bottom && kept.right == dst.right)) {
            dst = kept;
            src = Intersect({unmapY(dst.top), unmapX(dst.left), unmapY(dst.bottom), unmapX(dst.right)}, src);
            if (IsEmpty(src)) continue;
        }
        pi::PixelMemoryDesc memory{};
        if (!DescribePlane(*image, plane, dst.left, dst.top, memory)) {
            SetResult(pi::memFullErr);
            break;
        }
        if (const int16_t err = reader.Read(entry->port, src, dst, memory)) SetResult(err);
    }
}

// Owns a descriptor the host handed over.
class DescriptorOwner {
public:
    DescriptorOwner(const pi::PSActionDescriptorProcs* procs, pi::PIActionDescriptor d) : procs_(procs), d_(d) {}
    ~DescriptorOwner() {
        if (d_ != nullptr && procs_->Free != nullptr) procs_->Free(d_);
    }
    DescriptorOwner(const DescriptorOwner&) = delete;
    DescriptorOwner& operator=(const DescriptorOwner&) = delete;
    pi::PIActionDescriptor get() const { return d_; }
    bool Has(pi::DescriptorKeyID key) const {
        pi::Boolean has = 0;
        return d_ != nullptr && procs_->HasKey != nullptr && procs_->HasKey(d_, key, &has) == 0 && has;
    }

private:
    const pi::PSActionDescriptorProcs* procs_;
    pi::PIActionDescriptor d_;
};

// A reference to the property `key` of a layer that `putLayer` names, got
// through the action control suite.
template <typename PutLayer>
pi::OSErr GetLayerPropertyWith(pi::DescriptorKeyID key, pi::PIActionDescriptor* out, PutLayer putLayer) {
    if (out == nullptr) return pi::errMissingParameter;
    *out = nullptr;
    const auto* refs = static_cast<const pi::PSActionReferenceProcs*>(TryAcquireSuiteHolder(gLayerReferenceHolder));
    const auto* control = static_cast<const pi::PSActionControlProcs*>(TryAcquireSuiteHolder(gActionControlHolder));
    if (refs == nullptr || control == nullptr || refs->Make == nullptr || refs->Free == nullptr ||
        refs->PutProperty == nullptr || control->Get == nullptr)
        return pi::errPlugInHostInsufficient;
    pi::PIActionReference ref = nullptr;
    if (const pi::OSErr err = refs->Make(&ref)) return err;
    pi::OSErr err = refs->PutProperty(ref, kClassProperty, key);
    if (err == 0) err = putLayer(*refs, ref);
    if (err == 0) err = control->Get(out, ref);
    refs->Free(ref);
    return err;
}

}  // namespace

// ---- Description and channel counts ---------------------------------------------------

bool DocumentInfoAvailable(const pi::FilterRecord* fr) {
    const pi::ReadImageDocumentDesc* doc = fr ? fr->documentInfo : nullptr;
    return doc != nullptr && doc->minVersion <= 2 && doc->maxVersion >= 2;
}

int CountCompositeChannels(const pi::FilterRecord* fr) {
    if (fr == nullptr) return 0;
    if (!DocumentInfoAvailable(fr)) return fr->planes;
    const int composite = ListLength(fr->documentInfo->targetCompositeChannels);
    return composite > 0 ? composite : ListLength(fr->documentInfo->alphaChannels);
}

int LayerBufferChannels(const pi::FilterRecord* fr) {
    if (fr == nullptr) return 0;
    const int count = CountCompositeChannels(fr);
    // Alpha goes after the colour planes: plane 3 in RGB, plane 4 in CMYK.
    const int withAlpha = ColourPlanesOfMode(uint16_t(fr->imageMode), 255) + 1;
    const int channels = fr->planes >= withAlpha && count <= withAlpha ? withAlpha : count;
    return std::clamp(channels, 0, 255);
}

// ---- Layer properties -----------------------------------------------------------------

pi::OSErr GetLayerProperty(pi::DescriptorKeyID key, const char* layerName, pi::PIActionDescriptor* out) {
    if (layerName == nullptr) return pi::errMissingParameter;
    return GetLayerPropertyWith(key, out, [&](const pi::PSActionReferenceProcs& refs, pi::PIActionReference ref) {
        return refs.PutName ? refs.PutName(ref, kClassLayer, layerName) : pi::errPlugInHostInsufficient;
    });
}

pi::OSErr GetLayerPropertyByEnum(pi::DescriptorKeyID key, pi::DescriptorEnumID value, pi::PIActionDescriptor* out) {
    return GetLayerPropertyWith(key, out, [&](const pi::PSActionReferenceProcs& refs, pi::PIActionReference ref) {
        return refs.PutEnumerated ? refs.PutEnumerated(ref, kClassLayer, kTypeOrdinal, value)
                                  : pi::errPlugInHostInsufficient;
    });
}

bool IsLayerVisible(const pi::ReadLayerDesc* layer) {
    if (layer == nullptr || layer->name == nullptr) return false;
    ScopedSuite suite(pi::kPSActionDescriptorSuite, 2);
    const auto* procs = suite.get<pi::PSActionDescriptorProcs>();
    if (procs == nullptr || procs->GetBoolean == nullptr) return false;
    pi::PIActionDescriptor d = nullptr;
    const pi::OSErr err = GetLayerProperty(kKeyVisible, layer->name, &d);
    const DescriptorOwner answer(procs, d);
    if (err != 0 || !answer.Has(kKeyVisible)) return false;
    pi::Boolean visible = 0;
    return procs->GetBoolean(d, kKeyVisible, &visible) == 0 && visible;
}

std::unique_ptr<char[]> GetTargetLayerName() {
    ScopedSuite suite(pi::kPSActionDescriptorSuite, 2);
    const auto* procs = suite.get<pi::PSActionDescriptorProcs>();
    if (procs == nullptr || procs->GetStringLength == nullptr || procs->GetString == nullptr) return nullptr;
    pi::PIActionDescriptor d = nullptr;
    const pi::OSErr err = GetLayerPropertyByEnum(kKeyName, kEnumTarget, &d);
    const DescriptorOwner answer(procs, d);
    if (err != 0 || !answer.Has(kKeyName)) return nullptr;
    pi::uint32 length = 0;
    // A layer name is short; a length past this is a host fault, not a name.
    constexpr pi::uint32 kMaxName = 1 << 16;
    if (procs->GetStringLength(d, kKeyName, &length) != 0 || length > kMaxName) return nullptr;
    std::unique_ptr<char[]> name(new (std::nothrow) char[length + 1]());
    if (!name || procs->GetString(d, kKeyName, name.get(), length + 1) != 0) return nullptr;
    name[length] = 0;
    return name;
}

const pi::ReadLayerDesc* FindTargetLayer(const pi::ReadImageDocumentDesc* doc, const char* name) {
    if (doc == nullptr) return nullptr;
    const pi::ReadChannelDesc* target = doc->targetCompositeChannels;
    int n = 0;
    if (target != nullptr && target->port != nullptr) {
        for (const pi::ReadLayerDesc* l = doc->layersDescriptor; l != nullptr && n < kMaxListEntries; l = l->next, ++n)
            if (l->compositeChannelsList != nullptr && l->compositeChannelsList->port == target->port) return l;
    }
    if (name == nullptr) return nullptr;
    n = 0;
    for (const pi::ReadLayerDesc* l = doc->layersDescriptor; l != nullptr && n < kMaxListEntries; l = l->next, ++n)
        if (l->name != nullptr && std::strcmp(l->name, name) == 0) return l;
    return nullptr;
}

// ---- Pixels ---------------------------------------------------------------------------

void ReadLayerPixels(const pi::ReadChannelDesc* list, CPlanarImage* image) {
    if (image == nullptr) return;
    ReadChannels(list, image, {0, 0, int32_t(image->Height()), int32_t(image->Width())});
}

void ReadScaledLayerPixels(const pi::ReadChannelDesc* list, CPlanarImage* image, const pi::VRect& destination) {
    ReadChannels(list, image, destination);
}

bool CopyInputPlaneToImage(CPlanarImage* image, int inputPlane, int imagePlane) {
    const pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr || image == nullptr || fr->inData == nullptr || fr->depth > 8) return false;
    const int planes = fr->inHiPlane - fr->inLoPlane + 1;
    if (inputPlane < 0 || inputPlane >= planes || imagePlane < 0 || imagePlane >= image->Channels()) return false;
    if (image->Data() == nullptr || image->BitsPerSample() != 8) return false;
    const pi::VRect in = GetInRect(fr);
    const pi::VRect kept = Intersect(in, ToVRect(image->Rect()));
    const auto* bytes = static_cast<const uint8_t*>(fr->inData);
    for (int64_t y = kept.top; y < kept.bottom; ++y) {
        const uint8_t* row = bytes + (y - in.top) * int64_t(fr->inRowBytes);
        for (int64_t x = kept.left; x < kept.right; ++x)
            *image->Sample(imagePlane, x - image->Rect().left, y - image->Rect().top) =
                row[(x - in.left) * planes + inputPlane];
    }
    return true;
}

bool CopyInputToImage(CPlanarImage* image) {
    const pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr || image == nullptr) return false;
    const int planes = std::min(fr->inHiPlane - fr->inLoPlane + 1, int(image->Channels()));
    if (planes <= 0) return false;
    for (int p = 0; p < planes; ++p)
        if (!CopyInputPlaneToImage(image, p, p)) return false;
    return true;
}

// ---- The walk -------------------------------------------------------------------------

bool ReadDocumentLayers(const pi::ReadChannelDesc* list) {
    pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr) return false;
    const PlaneRect rect = ToPlaneRect(GetFilterRect(fr));
    const uint16_t mode = uint16_t(fr->imageMode);
    const uint8_t channels = uint8_t(LayerBufferChannels(fr));
    const uint32_t depth = list != nullptr && list->depth > 0 ? uint32_t(list->depth) : 8;
    auto make = [&](uint16_t m, uint8_t c, uint32_t d) {
        return std::unique_ptr<CPlanarImage>(new (std::nothrow) CPlanarImage(m, rect, c, d, 0, 0));
    };
    // A layer read leaves what it did not cover as it was: start every read clean.
    auto fresh = [](CPlanarImage& img) {
        if (uint8_t* d = img.Data()) std::memset(d, 0, size_t(img.StorageBytes()));
    };

    std::unique_ptr<CPlanarImage> below = make(mode, channels, depth);  // zero-filled: nothing below yet
    if (below == nullptr || below->Data() == nullptr) {
        SetResult(pi::memFullErr);
        gBelowLayersBuffer.reset();
        return false;
    }
    std::unique_ptr<CPlanarImage> scratch = make(mode, channels, depth);
    std::unique_ptr<CPlanarImage> mask = make(kModeGrayScale, 1, 8);
    std::unique_ptr<char[]> name = GetTargetLayerName();
    const pi::ReadImageDocumentDesc* doc = DocumentInfoAvailable(fr) ? fr->documentInfo : nullptr;

    if (doc != nullptr && name != nullptr && scratch != nullptr && mask != nullptr) {
        const pi::ReadLayerDesc* target = FindTargetLayer(doc, name.get());
        const PlaneRect whole{0, 0, int32_t(below->Width()), int32_t(below->Height())};
        int n = 0;
        for (const pi::ReadLayerDesc* layer = doc->layersDescriptor; layer != nullptr && ResultOk() &&
                                                                     n < kMaxListEntries;
             layer = layer->next, ++n) {
            if (layer == target) {
                gLayerBuffer.reset();
                std::unique_ptr<CPlanarImage> own = make(mode, channels, depth);
                if (own == nullptr) {
                    SetResult(pi::memFullErr);
                    break;
                }
                ReadLayerPixels(layer->compositeChannelsList, own.get());
                if (layer->transparency != nullptr) {
                    fresh(*mask);
                    ReadLayerPixels(layer->transparency, mask.get());
                    own->MaxAlpha(mask.get());
                } else {
                    own->ClampAlpha(255);
                }
                // A target that could not be read whole is no target: the
                // preview falls back to the host's input.
                if (ResultOk()) gLayerBuffer = std::move(own);
                break;
            }
            if (!IsLayerVisible(layer)) continue;
            fresh(*scratch);
            ReadLayerPixels(layer->compositeChannelsList, scratch.get());
            if (layer->transparency != nullptr) {
                fresh(*mask);
                ReadLayerPixels(layer->transparency, mask.get());
                if (!ResultOk()) break;
                below->BlendMasked(scratch.get(), mask.get(), whole);
                below->MaxAlpha(mask.get());
            } else {
                if (!ResultOk()) break;
                below->CopyFrom(scratch.get());
                below->ClampAlpha(255);
            }
        }
    }
    gBelowLayersBuffer = std::move(below);
    return true;
}

void ReadTargetDocumentLayers() {
    const pi::FilterRecord* fr = gFilterRecord;
    const pi::ReadChannelDesc* list = nullptr;
    if (DocumentInfoAvailable(fr)) {
        const pi::ReadImageDocumentDesc* doc = fr->documentInfo;
        list = doc->targetCompositeChannels != nullptr ? doc->targetCompositeChannels : doc->alphaChannels;
    }
    ReadDocumentLayers(list);
}

}  // namespace frostel

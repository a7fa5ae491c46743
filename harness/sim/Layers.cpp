#include "Layers.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "CallLog.h"
#include "HostSim.h"
#include "ImageIO.h"

namespace frostel::hostsim {

namespace {

std::atomic<LayerService*> gCurrent{nullptr};

constexpr int16_t kChannelTransparency = 16;  // the description's channel type codes
constexpr int16_t kChannelUnspecified = 0;

bool Inside(const pi::VRect& in, const pi::VRect& outer) {
    return in.top >= outer.top && in.left >= outer.left && in.bottom <= outer.bottom && in.right <= outer.right;
}

bool Empty(const pi::VRect& r) { return r.bottom <= r.top || r.right <= r.left; }

template <typename F>
pi::SPErr WithService(F body) {
    LayerService* s = LayerService::Current();
    return s ? body(*s) : pi::SPErr(kReadRefusedErr);
}

// ---- The channel-ports suite and the record's callbacks -------------------------

struct PortsSuite {
    static pi::SPErr CountLevels(pi::PIChannelPort port, pi::int32* count) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!s.FindPort(port) || !count) return kReadRefusedErr;
            *count = 1;
            return 0;
        });
    }
    static pi::SPErr GetDepth(pi::PIChannelPort port, pi::int32 level, pi::int32* depth) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!s.FindPort(port) || !depth || level != 0) return kReadRefusedErr;
            *depth = 8;
            return 0;
        });
    }
    static pi::SPErr GetPixelBounds(pi::PIChannelPort port, pi::int32 level, pi::VRect* bounds) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!s.FindPort(port) || !bounds || level != 0) return kReadRefusedErr;
            *bounds = s.Bounds();
            return 0;
        });
    }
    static pi::SPErr CanRead(pi::PIChannelPort port, pi::Boolean* canRead) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!s.FindPort(port) || !canRead) return kReadRefusedErr;
            *canRead = !s.unreadable();
            return 0;
        });
    }
    static pi::SPErr CanWrite(pi::PIChannelPort port, pi::Boolean* canWrite) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!s.FindPort(port) || !canWrite) return kReadRefusedErr;
            *canWrite = false;
            return 0;
        });
    }
    static pi::SPErr ReadPixelsFromLevel(pi::PIChannelPort port, pi::int32 level, pi::VRect* rect,
                                         const pi::PixelMemoryDesc* destination) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!rect || level != 0) return kReadRefusedErr;
            return s.Read(port, *rect, *rect, *rect, destination, "suite");
        });
    }
    static pi::SPErr WritePixelsToBaseLevel(pi::PIChannelPort, pi::VRect*, const pi::PixelMemoryDesc*) {
        return kReadRefusedErr;  // the layers are read-only here
    }
    static pi::SPErr ReadScaledPixels(pi::PIChannelPort port, pi::VRect* readRect, const pi::PSScaling* scaling,
                                      const pi::PixelMemoryDesc* destination) {
        return WithService([&](LayerService& s) -> pi::SPErr {
            if (!readRect || !scaling) return kReadRefusedErr;
            return s.Read(port, scaling->sourceRect, scaling->destinationRect, *readRect, destination,
                          "suiteScaled");
        });
    }
};

const pi::PSChannelPortsSuite1 kPortsSuite{
    &PortsSuite::CountLevels, &PortsSuite::GetDepth,           &PortsSuite::GetPixelBounds,
    &PortsSuite::CanRead,     &PortsSuite::CanWrite,           &PortsSuite::ReadPixelsFromLevel,
    &PortsSuite::WritePixelsToBaseLevel, &PortsSuite::ReadScaledPixels,
};

struct PortProcs {
    static pi::OSErr ReadPixels(pi::ChannelReadPort port, const pi::PSScaling* scaling, const pi::VRect* writeRect,
                                const pi::PixelMemoryDesc* destination, pi::VRect* wroteRect) {
        return pi::OSErr(WithService([&](LayerService& s) -> pi::SPErr {
            if (!writeRect) return kReadRefusedErr;
            const pi::VRect src = scaling ? scaling->sourceRect : *writeRect;
            const pi::VRect dst = scaling ? scaling->destinationRect : *writeRect;
            const pi::OSErr err = s.Read(port, src, dst, *writeRect, destination, "procs");
            if (err == 0 && wroteRect) *wroteRect = *writeRect;
            return err;
        }));
    }
    static pi::OSErr WriteBasePixels(pi::ChannelWritePort, const pi::VRect*, const pi::PixelMemoryDesc*) {
        return kReadRefusedErr;
    }
    static pi::OSErr ReadPortForWritePort(pi::ChannelReadPort* readPort, pi::ChannelWritePort) {
        if (readPort) *readPort = nullptr;
        return kReadRefusedErr;
    }
};

}  // namespace

// ---- The document -------------------------------------------------------------------

std::string LayeredDocument::Check() const {
    if (width <= 0 || height <= 0) return "the layered document is empty";
    if (mode != pi::plugInModeRGBColor && mode != pi::plugInModeCMYKColor) return "layers need RGB or CMYK";
    if (layers.empty()) return "a layered document needs a layer";
    const size_t pixels = size_t(width) * size_t(height);
    for (const LayerImage& l : layers) {
        if (l.pixels.size() != pixels * size_t(ColourPlanes())) return "layer '" + l.name + "' has the wrong size";
        if (!l.transparency.empty() && l.transparency.size() != pixels)
            return "the transparency of layer '" + l.name + "' has the wrong size";
    }
    if (!alphaChannel.empty() && alphaChannel.size() != pixels) return "the alpha channel has the wrong size";
    if (!selection.empty() && selection.size() != pixels) return "the selection has the wrong size";
    if (targetIsAlpha && alphaChannel.empty()) return "an alpha-channel target needs an alpha channel";
    if (target < -1 || target >= int(layers.size())) return "the target is not a layer";
    return {};
}

Document LayeredDocument::Flatten() const {
    const int colour = ColourPlanes();
    const bool alpha = !layers.empty() && !layers.front().transparency.empty();
    Document d = Document::Blank(width, height, mode, int16_t(colour + (alpha ? 1 : 0)));
    const size_t n = size_t(width) * size_t(height);
    for (size_t i = 0; i < n; ++i) {
        double c[4] = {0, 0, 0, 0}, a = 0;
        for (const LayerImage& l : layers) {
            if (!l.visible) continue;
            const double la = l.transparency.empty() ? 1.0 : l.transparency[i] / 255.0;
            const double out = la + a * (1 - la);
            for (int k = 0; k < colour; ++k) {
                const double v = l.pixels[i * size_t(colour) + size_t(k)];
                c[k] = out > 0 ? (v * la + c[k] * a * (1 - la)) / out : 0;
            }
            a = out;
        }
        uint8_t* px = d.pixels.data() + i * size_t(d.planes);
        for (int k = 0; k < colour; ++k) px[k] = uint8_t(std::lround(c[k]));
        if (alpha) px[colour] = uint8_t(std::lround(a * 255));
    }
    d.mask = selection;
    return d;
}

// ---- The service --------------------------------------------------------------------

LayerService::LayerService(Host& host, LayeredDocument doc, LayerServiceOptions options)
    : host_(host), doc_(std::move(doc)), options_(options) {
    gCurrent = this;
    flat_ = doc_.Flatten();
    Build();
    host_.SetDocument(flat_);
    if (options_.channelPortsSuite) {
        host_.RegisterSuite(pi::kPSChannelPortsSuite, 2, &kPortsSuite);
        host_.RegisterSuite(pi::kPSChannelPortsSuite, 3, &kPortsSuite);
    }
    // The host keeps its hooks and the suites their resolvers; both go quiet
    // once the service is gone.
    auto alive = alive_;
    if (options_.actionSuites) {
        // One set of action suites per host: join the one already serving.
        suites_ = ActionSuites::Current();
        if (suites_ == nullptr) {
            actions_ = std::make_unique<ActionSuites>(host_);
            suites_ = actions_.get();
        }
        suites_->AddResolver([this, alive](const ActionReferenceData& ref, ActionDescriptorData& out) {
            return *alive && Resolve(ref, out);
        });
    }
    host_.AddRecordHook([this, alive](pi::FilterRecord& r) {
        if (*alive) Attach(r);
    });
}

LayerService::~LayerService() {
    *alive_ = false;
    if (options_.channelPortsSuite) {
        host_.UnregisterSuite(pi::kPSChannelPortsSuite, 2);
        host_.UnregisterSuite(pi::kPSChannelPortsSuite, 3);
    }
    actions_.reset();
    LayerService* self = this;
    gCurrent.compare_exchange_strong(self, nullptr);
}

LayerService* LayerService::Current() { return gCurrent.load(); }

pi::ReadChannelDesc* LayerService::AddChannel(const std::string& label, const std::vector<uint8_t>* bytes,
                                              int stride, int offset, int16_t type, pi::ReadChannelDesc* after,
                                              const char* name) {
    ports_.push_back(Port{label, bytes, stride, offset});
    pi::ReadChannelDesc c{};
    c.minVersion = 0;
    c.maxVersion = 1;
    c.port = reinterpret_cast<pi::PIChannelPort>(&ports_.back());
    c.bounds = Bounds();
    c.depth = 8;
    c.tileSize = {doc_.height, doc_.width};
    c.tileOrigin = {0, 0};
    c.shown = 1;
    c.channelType = type;
    c.name = name;
    channels_.push_back(c);
    if (after) after->next = &channels_.back();
    return &channels_.back();
}

pi::ReadChannelDesc* LayerService::AddColourChannels(const std::string& label, const std::vector<uint8_t>* bytes,
                                                     int stride, const char* name) {
    const bool cmyk = doc_.mode == pi::plugInModeCMYKColor;
    pi::ReadChannelDesc *first = nullptr, *last = nullptr;
    for (int k = 0; k < doc_.ColourPlanes(); ++k) {
        last = AddChannel(label + " channel " + std::to_string(k), bytes, stride, k,
                          int16_t((cmyk ? 4 : 1) + k), last, name);
        if (!first) first = last;
    }
    return first;
}

void LayerService::Build() {
    desc_ = pi::ReadImageDocumentDesc{};
    desc_.minVersion = options_.minVersion;
    desc_.maxVersion = options_.maxVersion;
    desc_.imageMode = doc_.mode;
    desc_.depth = 8;
    desc_.bounds = Bounds();
    desc_.hResolution = desc_.vResolution = 72 << 16;

    const int colour = doc_.ColourPlanes();
    const int target = doc_.TargetIndex();
    pi::ReadLayerDesc* previous = nullptr;
    for (size_t i = 0; i < doc_.layers.size(); ++i) {
        const LayerImage& l = doc_.layers[i];
        names_.push_back(l.name);
        const char* name = names_.back().c_str();
        const std::string label = "layer " + std::to_string(i) + " '" + l.name + "'";
        pi::ReadLayerDesc layer{};
        layer.minVersion = 0;
        layer.maxVersion = 1;
        layer.compositeChannelsList = AddColourChannels(label, &l.pixels, colour, name);
        if (!l.transparency.empty())
            layer.transparency = AddChannel(label + " transparency", &l.transparency, 1, 0, kChannelTransparency,
                                            nullptr, name);
        layer.name = name;
        layers_.push_back(layer);
        if (previous) previous->next = &layers_.back();
        previous = &layers_.back();
        if (int(i) == target && !doc_.targetIsAlpha) {
            if (options_.separateTargetPorts) {
                desc_.targetCompositeChannels = AddColourChannels(label + " (target)", &l.pixels, colour, name);
                if (!l.transparency.empty())
                    desc_.targetTransparency = AddChannel(label + " (target) transparency", &l.transparency, 1, 0,
                                                          kChannelTransparency, nullptr, name);
            } else {
                desc_.targetCompositeChannels = layer.compositeChannelsList;
                desc_.targetTransparency = layer.transparency;
            }
        }
    }
    if (options_.layerList && !layers_.empty()) desc_.layersDescriptor = &layers_.front();

    names_.push_back("Merged");
    desc_.mergedCompositeChannels = AddColourChannels("merged", &flat_.pixels, flat_.planes, names_.back().c_str());
    if (flat_.HasAlpha())
        desc_.mergedTransparency = AddChannel("merged transparency", &flat_.pixels, flat_.planes, colour,
                                              kChannelTransparency, nullptr, names_.back().c_str());
    if (!doc_.alphaChannel.empty()) {
        names_.push_back("Alpha 1");
        desc_.alphaChannels = AddChannel("alpha 1", &doc_.alphaChannel, 1, 0, kChannelUnspecified, nullptr,
                                         names_.back().c_str());
        desc_.alphaChannels->target = doc_.targetIsAlpha;
    }

    procs_.channelPortProcsVersion = pi::kCurrentChannelPortProcsVersion;
    procs_.numChannelPortProcs = pi::kCurrentChannelPortProcsCount;
    procs_.readPixelsProc = &PortProcs::ReadPixels;
    procs_.writeBasePixelsProc = &PortProcs::WriteBasePixels;
    procs_.readPortForWritePortProc = &PortProcs::ReadPortForWritePort;
}

void LayerService::Attach(pi::FilterRecord& r) {
    r.documentInfo = options_.documentInfo ? &desc_ : nullptr;
    r.channelPortProcs = options_.channelPortProcs ? &procs_ : nullptr;
    r.floatCoord = {int16_t(options_.floatCoord.v), int16_t(options_.floatCoord.h)};
    if (r.bigDocumentData) r.bigDocumentData->floatCoord32 = options_.floatCoord;
    if (doc_.targetIsAlpha) r.planes = 1;  // the editor filters the channel alone
}

const LayerService::Port* LayerService::FindPort(pi::PIChannelPort port) const {
    for (const Port& p : ports_)
        if (reinterpret_cast<pi::PIChannelPort>(const_cast<Port*>(&p)) == port) return &p;
    return nullptr;
}

pi::OSErr LayerService::Read(pi::PIChannelPort port, const pi::VRect& source, const pi::VRect& destination,
                             const pi::VRect& write, const pi::PixelMemoryDesc* memory, const char* via) {
    ++reads_;
    const Port* p = FindPort(port);
    std::string why;
    if (p == nullptr)
        why = "unknown port";
    else if (memory == nullptr || memory->data == nullptr)
        why = "no destination memory";
    else if (memory->depth != 8)
        why = "destination depth " + std::to_string(memory->depth);
    else if (memory->rowBits % 8 || memory->colBits % 8 || memory->bitOffset % 8)
        why = "destination not byte-addressed";
    else if (Empty(source) || Empty(destination) || !Inside(source, Bounds()))
        why = "read outside the channel's bounds";
    else if (!Inside(write, destination))
        why = "write rectangle outside the destination";
    CallLog::Args args{{"port", JsonString(p ? p->label : "?")},
                       {"rect", JsonRect(source.top, source.left, source.bottom, source.right)},
                       {"via", JsonString(via)}};
    if (!why.empty()) {
        ++refused_;
        args.emplace_back("error", JsonString(why));
        host_.log().Add("readPixels", std::move(args), kReadRefusedErr);
        return kReadRefusedErr;
    }
    if (options_.failReadAt == reads_) {
        args.emplace_back("fault", JsonBool(true));
        host_.log().Add("readPixels", std::move(args), kReadFaultErr);
        return kReadFaultErr;
    }
    const int64_t sw = int64_t(source.right) - source.left, sh = int64_t(source.bottom) - source.top;
    const int64_t dw = int64_t(destination.right) - destination.left;
    const int64_t dh = int64_t(destination.bottom) - destination.top;
    uint8_t* base = static_cast<uint8_t*>(memory->data);
    for (int64_t y = write.top; y < write.bottom; ++y) {
        const int64_t sy = source.top + (y - destination.top) * sh / dh;
        for (int64_t x = write.left; x < write.right; ++x) {
            const int64_t sx = source.left + (x - destination.left) * sw / dw;
            const size_t at = (size_t(sy) * size_t(doc_.width) + size_t(sx)) * size_t(p->stride) + size_t(p->offset);
            const int64_t bit = memory->bitOffset + (y - write.top) * memory->rowBits + (x - write.left) * memory->colBits;
            base[bit / 8] = (*p->bytes)[at];
        }
    }
    host_.log().Add("readPixels", std::move(args), 0);
    return 0;
}

bool LayerService::Resolve(const ActionReferenceData& ref, ActionDescriptorData& out) const {
    const ActionReferencePart* layer = ref.FindClass(pi::FourCC("Lyr "));
    if (layer == nullptr) return false;
    int index = -1;
    if (layer->form == pi::FourCC("name")) {
        // By name the lowest layer of that name answers.
        for (size_t i = 0; i < doc_.layers.size() && index < 0; ++i)
            if (doc_.layers[i].name == layer->name) index = int(i);
    } else if (layer->form == pi::FourCC("Enmr") && layer->type == pi::FourCC("Ordn") &&
               layer->value == pi::FourCC("Trgt")) {
        index = doc_.TargetIndex();
    }
    if (index < 0) return false;
    const LayerImage& l = doc_.layers[size_t(index)];
    const ActionReferencePart* prop = ref.FindClass(pi::FourCC("Prpr"));
    const uint32_t visible = pi::FourCC("Vsbl"), name = pi::FourCC("Nm  ");
    const bool all = prop == nullptr;
    if (!all && prop->value != visible && prop->value != name) return false;
    if (all || prop->value == visible) {
        ActionValue v;
        v.kind = ActionValue::Boolean;
        v.boolean = l.visible;
        out.Put(visible, v);
    }
    if (all || prop->value == name) {
        ActionValue v;
        v.kind = ActionValue::String;
        v.text = l.name;
        out.Put(name, v);
    }
    return true;
}

// ---- The command line ------------------------------------------------------------------

std::string LayerUsage() {
    return "  --layer PNG[,name=N][,hidden][,transparency=GREY.png]\n"
           "                          a layer above the input image (which is the\n"
           "                          background layer); repeatable, bottom to top\n"
           "  --target N              the target layer (0 = background; default the top)\n"
           "  --alpha-channel GREY.png  an alpha channel; --target-alpha makes it the target\n"
           "  --doc-versions MIN,MAX  the document description's version range\n"
           "  --no-document-info      no document description\n"
           "  --no-layer-list         a description without the layer list\n"
           "  --no-channel-ports      no channel-port callbacks in the record\n"
           "  --no-channel-ports-suite  no channel-ports suite\n"
           "  --float-offset V,H      the floating selection's offset\n";
}

int ParseLayerOption(const std::string& opt, const std::function<bool(std::string&)>& next, LayerArgs& out,
                     std::string& error) {
    auto pair = [&](int32_t& a, int32_t& b) {
        std::string text;
        if (!next(text)) return false;
        char* end = nullptr;
        const long x = std::strtol(text.c_str(), &end, 10);
        if (*end != ',') return false;
        const char* second = end + 1;
        const long y = std::strtol(second, &end, 10);
        if (*end || end == second || x < -32768 || x > 32767 || y < -32768 || y > 32767) return false;
        a = int32_t(x);
        b = int32_t(y);
        return true;
    };
    std::string text;
    if (opt == "--layer") {
        if (!next(text) || text.empty()) return error = "--layer needs a PNG", 0;
        LayerArgs::Layer layer;
        size_t start = 0;
        for (bool first = true; start <= text.size(); first = false) {
            const size_t comma = text.find(',', start);
            const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            start = comma == std::string::npos ? text.size() + 1 : comma + 1;
            if (first) layer.path = part;
            else if (part.rfind("name=", 0) == 0) layer.name = part.substr(5);
            else if (part == "hidden") layer.hidden = true;
            else if (part.rfind("transparency=", 0) == 0) layer.transparency = part.substr(13);
            else return error = "--layer: unknown part '" + part + "'", 0;
        }
        if (layer.path.empty()) return error = "--layer needs a PNG", 0;
        if (layer.name.empty()) {
            const size_t slash = layer.path.find_last_of("/\\");
            layer.name = layer.path.substr(slash == std::string::npos ? 0 : slash + 1);
            if (const size_t dot = layer.name.rfind('.'); dot != std::string::npos && dot > 0) layer.name.resize(dot);
        }
        out.layers.push_back(layer);
    } else if (opt == "--target") {
        char* end = nullptr;
        if (!next(text) || text.empty()) return error = "--target needs a layer number", 0;
        const long n = std::strtol(text.c_str(), &end, 10);
        if (*end || n < 0 || n > 10000) return error = "--target needs a layer number", 0;
        out.target = int(n);
    } else if (opt == "--alpha-channel") {
        if (!next(out.alphaChannel) || out.alphaChannel.empty()) return error = "--alpha-channel needs a grey PNG", 0;
    } else if (opt == "--target-alpha") {
        out.targetAlpha = true;
    } else if (opt == "--doc-versions") {
        if (!pair(out.options.minVersion, out.options.maxVersion))
            return error = "--doc-versions needs MIN,MAX", 0;
    } else if (opt == "--no-document-info") {
        out.options.documentInfo = false;
    } else if (opt == "--no-layer-list") {
        out.options.layerList = false;
    } else if (opt == "--no-channel-ports") {
        out.options.channelPortProcs = false;
    } else if (opt == "--no-channel-ports-suite") {
        out.options.channelPortsSuite = false;
    } else if (opt == "--float-offset") {
        if (!pair(out.options.floatCoord.v, out.options.floatCoord.h))
            return error = "--float-offset needs V,H", 0;
    } else {
        return -1;
    }
    out.any = true;
    return 1;
}

namespace {

// Colour planes and, when the document has one, its alpha as a transparency.
void SplitDocument(const Document& d, int colour, LayerImage& layer) {
    const size_t n = size_t(d.width) * size_t(d.height);
    layer.pixels.resize(n * size_t(colour));
    if (d.planes > colour) layer.transparency.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* px = d.pixels.data() + i * size_t(d.planes);
        std::memcpy(layer.pixels.data() + i * size_t(colour), px, size_t(colour));
        if (d.planes > colour) layer.transparency[i] = px[colour];
    }
}

bool ReadGrey(const std::string& path, const Document& shape,
              const std::function<bool(const std::string&, std::vector<uint8_t>&)>& read, std::vector<uint8_t>& out,
              std::string& error) {
    std::vector<uint8_t> bytes;
    if (!read(path, bytes)) return error = "cannot read " + path, false;
    Document d;
    d.width = shape.width;
    d.height = shape.height;
    if (!SelectionFromPng(bytes, d, error)) return error = path + ": " + error, false;
    out = std::move(d.mask);
    return true;
}

}  // namespace

bool LoadLayeredDocument(const LayerArgs& args, const Document& background,
                         const std::function<bool(const std::string&, std::vector<uint8_t>&)>& read,
                         LayeredDocument& out, std::string& error) {
    out = LayeredDocument{};
    out.width = background.width;
    out.height = background.height;
    out.mode = background.mode;
    const int colour = out.ColourPlanes();
    LayerImage base;
    base.name = "Background";
    SplitDocument(background, colour, base);
    out.layers.push_back(std::move(base));
    for (const LayerArgs::Layer& spec : args.layers) {
        std::vector<uint8_t> bytes;
        Document d;
        if (!read(spec.path, bytes)) return error = "cannot read " + spec.path, false;
        if (!DocumentFromPng(bytes, out.mode, false, d, error)) return error = spec.path + ": " + error, false;
        if (d.width != out.width || d.height != out.height)
            return error = spec.path + ": a layer must have the input image's size", false;
        LayerImage layer;
        layer.name = spec.name;
        layer.visible = !spec.hidden;
        SplitDocument(d, colour, layer);
        if (!spec.transparency.empty() && !ReadGrey(spec.transparency, background, read, layer.transparency, error))
            return false;
        out.layers.push_back(std::move(layer));
    }
    if (!args.alphaChannel.empty() && !ReadGrey(args.alphaChannel, background, read, out.alphaChannel, error))
        return false;
    out.selection = background.mask;
    out.target = args.target;
    out.targetIsAlpha = args.targetAlpha;
    error = out.Check();
    return error.empty();
}

}  // namespace frostel::hostsim

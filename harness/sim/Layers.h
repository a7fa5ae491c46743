// A layered document as the test host serves it: the layer list of the
// document description with each layer's composite and transparency
// channels, the target layer's lists, the merged composite, an optional
// alpha channel; the channel ports behind them, read through the record's
// channel-port callbacks or the channel-ports suite (versions 2 and 3); and
// the scripting suites answering a layer's visibility ('Vsbl') and name
// ('Nm  ') by name and for the target layer.
//
// The flattened input that advanceState serves is the composite of the
// visible layers. A read outside a channel's bounds is refused (and logged),
// as is a destination that is not byte-addressed 8-bit memory.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ActionSuites.h"
#include "Document.h"
#include "HostInterface.h"

namespace frostel::hostsim {

class Host;

struct LayerImage {
    std::string name;
    bool visible = true;
    std::vector<uint8_t> pixels;        // width x colour planes per row (RGB, or CMYK inks), rows top-down
    std::vector<uint8_t> transparency;  // empty (opaque), or width x height
};

struct LayeredDocument {
    int32_t width = 0;
    int32_t height = 0;
    int16_t mode = pi::plugInModeRGBColor;  // RGB or CMYK
    std::vector<LayerImage> layers;         // bottom first
    int target = -1;                        // index of the target layer; -1: the top one
    std::vector<uint8_t> alphaChannel;      // an extra channel of width x height, or empty
    bool targetIsAlpha = false;             // the alpha channel is the target: no target layer lists
    std::vector<uint8_t> selection;         // the flattened document's selection, or empty

    int ColourPlanes() const { return mode == pi::plugInModeCMYKColor ? 4 : 3; }
    int TargetIndex() const { return target < 0 ? int(layers.size()) - 1 : target; }
    // "" when sizes, mode and target agree; else the reason.
    std::string Check() const;
    // The visible layers composited bottom-up ("over"); with a transparency
    // plane when the bottom layer has one (a document without a background).
    Document Flatten() const;
};

struct LayerServiceOptions {
    int32_t minVersion = 0;          // the description's supported version range
    int32_t maxVersion = 2;
    bool documentInfo = true;        // describe the document at all
    bool layerList = true;           // the description lists the layers
    bool channelPortProcs = true;    // the record's channel-port callbacks
    bool channelPortsSuite = true;   // the channel-ports suite, versions 2 and 3
    bool actionSuites = true;        // descriptors, references and control
    bool separateTargetPorts = false;  // the target lists get ports of their own
    bool unreadablePorts = false;    // the suite's CanRead answers false
    int failReadAt = 0;              // this pixel read (1-based) answers an error
    pi::VPoint floatCoord{0, 0};     // floating selection offset (v, h)
};

constexpr pi::OSErr kReadRefusedErr = -50;   // outside the bounds, bad destination, unknown port
constexpr pi::OSErr kReadFaultErr = -36;     // the injected read failure (an I/O error)

class LayerService {
public:
    // Sets the host's document to the flattened layers and attaches the
    // description, the ports and the suites to every record the host builds.
    LayerService(Host& host, LayeredDocument doc, LayerServiceOptions options = {});
    ~LayerService();
    LayerService(const LayerService&) = delete;
    LayerService& operator=(const LayerService&) = delete;

    const LayeredDocument& document() const { return doc_; }
    const pi::ReadImageDocumentDesc& description() const { return desc_; }
    int Reads() const { return reads_; }
    int RefusedReads() const { return refused_; }
    ActionSuites* actions() { return suites_; }

    static LayerService* Current();

    struct Port {
        std::string label;            // "layer 1 'Frost' channel 2", "merged 0", ...
        const std::vector<uint8_t>* bytes = nullptr;
        int stride = 1;               // bytes per pixel of `bytes`
        int offset = 0;               // this channel's byte within a pixel
    };

    // Bodies of the callbacks.
    pi::OSErr Read(pi::PIChannelPort port, const pi::VRect& source, const pi::VRect& destination,
                   const pi::VRect& write, const pi::PixelMemoryDesc* memory, const char* via);
    const Port* FindPort(pi::PIChannelPort port) const;
    bool unreadable() const { return options_.unreadablePorts; }
    pi::VRect Bounds() const { return {0, 0, doc_.height, doc_.width}; }

private:
    pi::ReadChannelDesc* AddChannel(const std::string& label, const std::vector<uint8_t>* bytes, int stride,
                                    int offset, int16_t type, pi::ReadChannelDesc* after, const char* name);
    pi::ReadChannelDesc* AddColourChannels(const std::string& label, const std::vector<uint8_t>* bytes,
                                           int stride, const char* name);
    void Build();
    bool Resolve(const ActionReferenceData& ref, ActionDescriptorData& out) const;
    void Attach(pi::FilterRecord& r);

    Host& host_;
    LayeredDocument doc_;
    LayerServiceOptions options_;
    Document flat_;
    std::deque<Port> ports_;
    std::deque<pi::ReadChannelDesc> channels_;
    std::deque<pi::ReadLayerDesc> layers_;
    std::deque<std::string> names_;
    pi::ReadImageDocumentDesc desc_{};
    pi::ChannelPortProcs procs_{};
    ActionSuites* suites_ = nullptr;         // the host's action suites, when served
    std::unique_ptr<ActionSuites> actions_;  // when no other service brought them
    int reads_ = 0;
    int refused_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Command-line layers of the test host: "--layer PATH[,name=N][,hidden]
// [,transparency=GREY.png]" (repeatable, bottom to top, above the input
// image, which is the background layer) and the switches of the service.
struct LayerArgs {
    struct Layer {
        std::string path, name, transparency;
        bool hidden = false;
    };
    std::vector<Layer> layers;
    bool any = false;  // some layer option was given: serve a layered document
    int target = -1;
    bool targetAlpha = false;
    std::string alphaChannel;  // grey PNG
    LayerServiceOptions options;
};

// 1 when `opt` was a layer option (consumed through `next`), 0 when it was
// one but malformed (`error` says why), -1 when it is not a layer option.
int ParseLayerOption(const std::string& opt, const std::function<bool(std::string&)>& next, LayerArgs& out,
                     std::string& error);
std::string LayerUsage();

// The layered document of the command line: `background` (the input image;
// its alpha, when it has one, is the background's transparency) and the
// layers' files read through `read`. An RGBA layer file brings its own
// transparency unless a transparency image is given.
bool LoadLayeredDocument(const LayerArgs& args, const Document& background,
                         const std::function<bool(const std::string&, std::vector<uint8_t>&)>& read,
                         LayeredDocument& out, std::string& error);

}  // namespace frostel::hostsim

// Reading the document's layers for the dialog's preview: the target layer
// and the composite of the visible layers below it (LayerBuffers.h), from
// the host's document description, its channel ports and the scripting
// suites that know each layer's name and visibility.
//
// Everything here runs inside a selector on the host's thread, with
// gFilterRecord and gBasicSuite set. Failures set the selector's result
// (-108 without memory, -30900 for an unreadable port, or the host's read
// error); a missing suite only means no answer.
#pragma once

#include <memory>

#include "HostInterface.h"
#include "LayerBuffers.h"

namespace frostel {

// Reads both layer buffers: with the target composite channels of the
// document description, else its alpha channels, else no list.
void ReadTargetDocumentLayers();
// The walk itself; `list` gives the buffers' bit depth. True when the
// below-layers buffer could be created.
bool ReadDocumentLayers(const pi::ReadChannelDesc* list);

// The description can be read: present, and version 2 within its range.
bool DocumentInfoAvailable(const pi::FilterRecord* fr);
// Entries of the target composite channel list, else of the alpha channel
// list; the record's planes without a usable description.
int CountCompositeChannels(const pi::FilterRecord* fr);
// Planes of the layer buffers: the composite count, with room for alpha
// when the document has a plane beyond its colour planes.
int LayerBufferChannels(const pi::FilterRecord* fr);

bool IsLayerVisible(const pi::ReadLayerDesc* layer);
// The target layer's name, or null.
std::unique_ptr<char[]> GetTargetLayerName();
// The layer among the description's list that is the target: the one whose
// composite channels are the target's own ports when the host shares them,
// else the lowest layer of that name.
const pi::ReadLayerDesc* FindTargetLayer(const pi::ReadImageDocumentDesc* doc, const char* name);

// Control Get of a layer's property, by name or by an ordinal ('Trgt');
// `out` receives a descriptor the caller frees (null on failure).
pi::OSErr GetLayerProperty(pi::DescriptorKeyID key, const char* layerName, pi::PIActionDescriptor* out);
pi::OSErr GetLayerPropertyByEnum(pi::DescriptorKeyID key, pi::DescriptorEnumID value, pi::PIActionDescriptor* out);

// One channel of the list into each plane of the image, from its first,
// while the result is 0 and the image has planes left. The image's rect
// moved by the floating offset is read, clipped to each channel's bounds.
void ReadLayerPixels(const pi::ReadChannelDesc* list, CPlanarImage* image);
// The same read scaled into `destination` (the image's inner coordinates).
void ReadScaledLayerPixels(const pi::ReadChannelDesc* list, CPlanarImage* image, const pi::VRect& destination);
// The host's input buffer into the image: every plane it holds, or one;
// placed by document position and clipped to the image.
bool CopyInputToImage(CPlanarImage* image);
bool CopyInputPlaneToImage(CPlanarImage* image, int inputPlane, int imagePlane);

}  // namespace frostel

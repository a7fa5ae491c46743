// Declarations of the host's filter plug-in interface, shared by the module and
// the test host. Field names and order are the interface's published ones;
// the filter record uses 4-byte packing on both processors, every other
// record natural alignment, as hosts lay them out on Windows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pi {

typedef int16_t int16;
typedef int32_t int32;
typedef uint16_t uint16;
typedef uint32_t uint32;
typedef unsigned char Boolean;
typedef int16 OSErr;
typedef int32 Fixed;      // 16.16
typedef uint32 OSType;    // four-character code
typedef char* Ptr;
typedef Ptr* Handle;
typedef unsigned char Str255[256];

// Four-character code as the host sees it: 'abcd' with 'a' in the high byte.
constexpr uint32 FourCC(const char (&c)[5]) {
    return (uint32(uint8_t(c[0])) << 24) | (uint32(uint8_t(c[1])) << 16) |
           (uint32(uint8_t(c[2])) << 8) | uint32(uint8_t(c[3]));
}

struct Point { int16 v; int16 h; };
struct Rect { int16 top; int16 left; int16 bottom; int16 right; };
struct VPoint { int32 v; int32 h; };
struct VRect { int32 top; int32 left; int32 bottom; int32 right; };
struct RGBColor { uint16 red; uint16 green; uint16 blue; };
typedef unsigned char FilterColor[4];
typedef unsigned char LookUpTable[256];

struct PlugInMonitor {
    Fixed gamma;
    Fixed redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
    Fixed ambient;
};

struct PlatformData { intptr_t hwnd; };

// Selectors and result codes.
enum : int16 {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};
constexpr OSErr noErr = 0;
constexpr OSErr memFullErr = -108;
constexpr OSErr nilHandleErr = -109;
constexpr OSErr userCanceledErr = -128;
constexpr OSErr errMissingParameter = -1715;
constexpr OSErr filterBadParameters = -30100;
constexpr OSErr errPlugInHostInsufficient = -30900;

// Image modes.
enum : int16 {
    plugInModeBitmap = 0, plugInModeGrayScale = 1, plugInModeIndexedColor = 2,
    plugInModeRGBColor = 3, plugInModeCMYKColor = 4, plugInModeHSLColor = 5,
    plugInModeHSBColor = 6, plugInModeMultichannel = 7, plugInModeDuotone = 8,
    plugInModeLabColor = 9, plugInModeGray16 = 10, plugInModeRGB48 = 11,
    plugInModeLab48 = 12, plugInModeCMYK64 = 13, plugInModeDeepMultichannel = 14,
    plugInModeDuotone16 = 15,
};

// Dialog play and record options of the descriptor parameters.
enum : int16 { plugInDialogDontDisplay = 0, plugInDialogDisplay = 1, plugInDialogSilent = 2 };
enum : int16 { plugInDialogOptional = 0, plugInDialogRequired = 1, plugInDialogNone = 2 };

// ---- Basic suite -------------------------------------------------------
typedef int32 SPErr;
typedef unsigned char SPBoolean;
struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, int32 version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32 version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
    SPErr (*Undefined)(void);
};

// Suites reached through the basic suite, by name.
constexpr const char* kPSActionDescriptorSuite = "df135115-c769-11d0-8079-00c04fd7ec47";
constexpr const char* kPSActionReferenceSuite = "df135117-c769-11d0-8079-00c04fd7ec47";
constexpr const char* kPSActionControlSuite = "3eb7c480-8797-11d1-8da7-00c04fd5f7ee";
constexpr const char* kPSDescriptorRegistrySuite = "61e608b0-40fd-11d1-8da3-00c04fd5f7ee";
constexpr const char* kPSChannelPortsSuite = "Photoshop ChannelPorts Suite for Plug-ins";
constexpr const char* kPSColorSpaceSuite = "Photoshop ColorSpace Suite for Plug-ins";
constexpr const char* kPSPropertySuite = "Photoshop Property Suite for Plug-ins";

constexpr const char* kSPAccessSuite = "SP Access Suite";

// Plug-in access: the module instance behind a plug-in reference.
typedef struct SPPlugin* SPPluginRef;
typedef struct SPAccess* SPAccessRef;
struct SPPlatformAccessInfo {
    void* defaultInstance;
    void* resourceInstance;  // set when resources live in another module
};
struct SPAccessSuite {
    SPErr (*GetPluginAccess)(SPPluginRef plugin, SPAccessRef* access);
    SPErr (*AcquirePlugin)(SPPluginRef plugin, SPAccessRef* access);
    SPErr (*ReleasePlugin)(SPAccessRef access);
    SPErr (*GetAccessInfo)(SPAccessRef access, SPPlatformAccessInfo* info);
};

// Colour space conversions of whole arrays. Colour arrays hold four
// components per colour: CMYK as the planes store them (255 or 32768 = no
// ink), RGB in components 1 to 3. Only the leading entries are declared.
typedef uint8_t Color8[4];
typedef uint16_t Color16[4];
struct PSColorSpaceSuite1 {
    // Make, Delete, StuffComponents, ExtractComponents, StuffXYZ, ExtractXYZ:
    // not used by the module.
    const void* colorIdEntries[6];
    SPErr (*Convert8)(int16 inputSpace, int16 outputSpace, Color8* colors, int16 count);
    SPErr (*Convert16)(int16 inputSpace, int16 outputSpace, Color16* colors, int16 count);
};
constexpr int16 kMaxColorArrayCount = 32767;  // the suite's count is 16-bit

// ---- Handles -------------------------------------------------------------
struct HandleProcs {
    int16 handleProcsVersion;
    int16 numHandleProcs;
    Handle (*newProc)(int32 size);
    void (*disposeProc)(Handle h);
    int32 (*getSizeProc)(Handle h);
    OSErr (*setSizeProc)(Handle h, int32 newSize);
    Ptr (*lockProc)(Handle h, Boolean moveHigh);
    void (*unlockProc)(Handle h);
    void (*recoverSpaceProc)(int32 size);
    void (*disposeRegularHandleProc)(Handle h);
};
enum : int16 { kCurrentHandleProcsVersion = 1, kCurrentHandleProcsCount = 9 };

// ---- Properties ----------------------------------------------------------
typedef OSErr (*GetPropertyProc)(OSType signature, OSType key, int32 index,
                                 intptr_t* simpleProperty, Handle* complexProperty);
typedef OSErr (*SetPropertyProc)(OSType signature, OSType key, int32 index,
                                 intptr_t simpleProperty, Handle complexProperty);
struct PropertyProcs {
    int16 propertyProcsVersion;
    int16 numPropertyProcs;
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
};
enum : int16 { kCurrentPropertyProcsVersion = 1, kCurrentPropertyProcsCount = 2 };
// The property suite (kPSPropertySuite, version 1): the same two calls.
struct PSPropertySuite1 {
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
};
// Document properties, all under the host's signature.
constexpr OSType kPhotoshopSignature = FourCC("8BIM");
constexpr OSType propNumberOfPaths = FourCC("nupa");  // simple: the document's path count
constexpr OSType propWorkPathIndex = FourCC("wkpa");  // simple: the work path's index, -1 for none
constexpr OSType propPathContents = FourCC("path");   // complex: a path's records, by index
constexpr OSErr errPlugInPropertyUndefined = -30901;

// ---- Colour services -----------------------------------------------------
enum : int16 {
    plugIncolorServicesChooseColor = 0,
    plugIncolorServicesConvertColor = 1,
    plugIncolorServicesSamplePoint = 2,
    plugIncolorServicesGetSpecialColor = 3,
};
enum : int16 {
    plugIncolorServicesRGBSpace = 0, plugIncolorServicesHSBSpace = 1,
    plugIncolorServicesCMYKSpace = 2, plugIncolorServicesLabSpace = 3,
    plugIncolorServicesGraySpace = 4, plugIncolorServicesHSLSpace = 5,
    plugIncolorServicesXYZSpace = 6, plugIncolorServicesChosenSpace = -1,
};
struct ColorServicesInfo {
    int32 infoSize;
    int16 selector;
    int16 sourceSpace;
    int16 resultSpace;
    Boolean resultGamutInfoValid;
    Boolean resultInGamut;
    void* reservedSourceSpaceInfo;
    void* reservedResultSpaceInfo;
    int16 colorComponents[4];
    void* reserved;
    union {
        Str255* pickerPrompt;
        Point* globalSamplePoint;
        int32 specialColorID;
    } selectorParameter;
};
typedef OSErr (*ColorServicesProc)(ColorServicesInfo* info);

// ---- Scripting descriptors (classic callbacks) ----------------------------
typedef Handle PIDescriptorHandle;
typedef struct PIOpaqueReadDescriptor* PIReadDescriptor;
typedef struct PIOpaqueWriteDescriptor* PIWriteDescriptor;
typedef uint32 DescriptorKeyID;
typedef uint32 DescriptorTypeID;
typedef uint32 DescriptorUnitID;
typedef uint32 DescriptorEnumID;
typedef uint32 DescriptorEnumTypeID;
typedef uint32 DescriptorClassID;
typedef uint32 DescType;
typedef DescriptorKeyID DescriptorKeyIDArray[];
struct PIDescriptorSimpleReference {
    DescType desiredClass;
    DescType keyForm;
    struct { Str255 name; int32 index; DescType type; DescType value; } keyData;
};

struct ReadDescriptorProcs {
    int16 readDescriptorProcsVersion;
    int16 numReadDescriptorProcs;
    PIReadDescriptor (*openReadDescriptorProc)(PIDescriptorHandle, DescriptorKeyIDArray);
    OSErr (*closeReadDescriptorProc)(PIReadDescriptor);
    Boolean (*getKeyProc)(PIReadDescriptor, DescriptorKeyID* key, DescType* type, int32* flags);
    OSErr (*getIntegerProc)(PIReadDescriptor, int32*);
    OSErr (*getFloatProc)(PIReadDescriptor, double*);
    OSErr (*getUnitFloatProc)(PIReadDescriptor, DescriptorUnitID*, double*);
    OSErr (*getBooleanProc)(PIReadDescriptor, Boolean*);
    OSErr (*getTextProc)(PIReadDescriptor, Handle*);
    OSErr (*getAliasProc)(PIReadDescriptor, Handle*);
    OSErr (*getEnumeratedProc)(PIReadDescriptor, DescriptorEnumID*);
    OSErr (*getClassProc)(PIReadDescriptor, DescriptorClassID*);
    OSErr (*getSimpleReferenceProc)(PIReadDescriptor, PIDescriptorSimpleReference*);
    OSErr (*getObjectProc)(PIReadDescriptor, DescriptorClassID*, PIDescriptorHandle*);
    OSErr (*getCountProc)(PIReadDescriptor, uint32*);
    OSErr (*getStringProc)(PIReadDescriptor, Str255*);
    OSErr (*getPinnedIntegerProc)(PIReadDescriptor, int32, int32, int32*);
    OSErr (*getPinnedFloatProc)(PIReadDescriptor, const double*, const double*, double*);
    OSErr (*getPinnedUnitFloatProc)(PIReadDescriptor, const double*, const double*,
                                    DescriptorUnitID*, double*);
};
enum : int16 { kCurrentReadDescriptorProcsVersion = 0, kCurrentReadDescriptorProcsCount = 18 };

struct WriteDescriptorProcs {
    int16 writeDescriptorProcsVersion;
    int16 numWriteDescriptorProcs;
    PIWriteDescriptor (*openWriteDescriptorProc)(void);
    OSErr (*closeWriteDescriptorProc)(PIWriteDescriptor, PIDescriptorHandle*);
    OSErr (*putIntegerProc)(PIWriteDescriptor, DescriptorKeyID, int32);
    OSErr (*putFloatProc)(PIWriteDescriptor, DescriptorKeyID, const double*);
    OSErr (*putUnitFloatProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorUnitID, const double*);
    OSErr (*putBooleanProc)(PIWriteDescriptor, DescriptorKeyID, Boolean);
    OSErr (*putTextProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
    OSErr (*putAliasProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
    OSErr (*putEnumeratedProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, DescriptorEnumID);
    OSErr (*putClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorClassID);
    OSErr (*putSimpleReferenceProc)(PIWriteDescriptor, DescriptorKeyID,
                                    const PIDescriptorSimpleReference*);
    OSErr (*putObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorClassID, PIDescriptorHandle);
    OSErr (*putCountProc)(PIWriteDescriptor, DescriptorKeyID, uint32);
    OSErr (*putStringProc)(PIWriteDescriptor, DescriptorKeyID, const unsigned char*);
    OSErr (*putScopedClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorClassID);
    OSErr (*putScopedObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorClassID, PIDescriptorHandle);
};
enum : int16 { kCurrentWriteDescriptorProcsVersion = 0, kCurrentWriteDescriptorProcsCount = 16 };

struct PIDescriptorParameters {
    int16 descriptorParametersVersion;
    int16 playInfo;
    int16 recordInfo;
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};
enum : int16 { kCurrentDescriptorParametersVersion = 0 };

// ---- Action suites (descriptors, references, control) ----------------------
// Reached through the basic suite by the names above. Entries are in the
// published order; trailing entries the module never calls are left out.
typedef struct ActionDescriptor* PIActionDescriptor;
typedef struct ActionReference* PIActionReference;
typedef struct ActionList* PIActionList;
typedef uint32 DescriptorFormID;
typedef uint32 DescriptorEventID;
typedef int32 PIDialogPlayOptions;

struct PSActionDescriptorProcs {
    OSErr (*Make)(PIActionDescriptor* descriptor);
    OSErr (*Free)(PIActionDescriptor descriptor);
    OSErr (*GetType)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorTypeID* type);
    OSErr (*GetKey)(PIActionDescriptor descriptor, uint32 index, DescriptorKeyID* key);
    OSErr (*HasKey)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean* hasKey);
    OSErr (*GetCount)(PIActionDescriptor descriptor, uint32* count);
    OSErr (*IsEqual)(PIActionDescriptor descriptor, PIActionDescriptor other, Boolean* isEqual);
    OSErr (*Erase)(PIActionDescriptor descriptor, DescriptorKeyID key);
    OSErr (*Clear)(PIActionDescriptor descriptor);
    OSErr (*PutInteger)(PIActionDescriptor descriptor, DescriptorKeyID key, int32 value);
    OSErr (*PutFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, double value);
    OSErr (*PutUnitFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorUnitID unit, double value);
    OSErr (*PutString)(PIActionDescriptor descriptor, DescriptorKeyID key, char* cstrValue);
    OSErr (*PutBoolean)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean value);
    OSErr (*PutList)(PIActionDescriptor descriptor, DescriptorKeyID key, PIActionList value);
    OSErr (*PutObject)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID type,
                       PIActionDescriptor value);
    OSErr (*PutGlobalObject)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID type,
                             PIActionDescriptor value);
    OSErr (*PutEnumerated)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorEnumTypeID type,
                           DescriptorEnumID value);
    OSErr (*PutReference)(PIActionDescriptor descriptor, DescriptorKeyID key, PIActionReference value);
    OSErr (*PutClass)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID value);
    OSErr (*PutGlobalClass)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID value);
    OSErr (*PutAlias)(PIActionDescriptor descriptor, DescriptorKeyID key, Handle value);
    OSErr (*GetInteger)(PIActionDescriptor descriptor, DescriptorKeyID key, int32* value);
    OSErr (*GetFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, double* value);
    OSErr (*GetUnitFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorUnitID* unit,
                          double* value);
    OSErr (*GetStringLength)(PIActionDescriptor descriptor, DescriptorKeyID key, uint32* length);
    OSErr (*GetString)(PIActionDescriptor descriptor, DescriptorKeyID key, char* cstrValue, uint32 maxLength);
    OSErr (*GetBoolean)(PIActionDescriptor descriptor, DescriptorKeyID key, Boolean* value);
    OSErr (*GetList)(PIActionDescriptor descriptor, DescriptorKeyID key, PIActionList* value);
    OSErr (*GetObject)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID* type,
                       PIActionDescriptor* value);
    OSErr (*GetGlobalObject)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID* type,
                             PIActionDescriptor* value);
    OSErr (*GetEnumerated)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorEnumTypeID* type,
                           DescriptorEnumID* value);
    OSErr (*GetReference)(PIActionDescriptor descriptor, DescriptorKeyID key, PIActionReference* value);
    OSErr (*GetClass)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID* value);
    OSErr (*GetGlobalClass)(PIActionDescriptor descriptor, DescriptorKeyID key, DescriptorClassID* value);
    OSErr (*GetAlias)(PIActionDescriptor descriptor, DescriptorKeyID key, Handle* value);
};

struct PSActionReferenceProcs {
    OSErr (*Make)(PIActionReference* reference);
    OSErr (*Free)(PIActionReference reference);
    OSErr (*GetForm)(PIActionReference reference, DescriptorFormID* form);
    OSErr (*GetDesiredClass)(PIActionReference reference, DescriptorClassID* desiredClass);
    OSErr (*PutName)(PIActionReference reference, DescriptorClassID desiredClass, const char* cstrValue);
    OSErr (*PutIndex)(PIActionReference reference, DescriptorClassID desiredClass, uint32 value);
    OSErr (*PutIdentifier)(PIActionReference reference, DescriptorClassID desiredClass, uint32 value);
    OSErr (*PutOffset)(PIActionReference reference, DescriptorClassID desiredClass, int32 value);
    OSErr (*PutEnumerated)(PIActionReference reference, DescriptorClassID desiredClass,
                           DescriptorEnumTypeID type, DescriptorEnumID value);
    OSErr (*PutProperty)(PIActionReference reference, DescriptorClassID desiredClass, DescriptorKeyID value);
    OSErr (*PutClass)(PIActionReference reference, DescriptorClassID desiredClass);
};

struct PSActionControlProcs {
    OSErr (*Play)(PIActionDescriptor* result, DescriptorEventID event, PIActionDescriptor descriptor,
                  PIDialogPlayOptions options);
    OSErr (*Get)(PIActionDescriptor* result, PIActionReference reference);
    OSErr (*Put)(PIActionReference reference, PIActionDescriptor descriptor);
    OSErr (*StringIDToTypeID)(char* stringID, DescriptorTypeID* typeID);
    OSErr (*TypeIDToStringID)(DescriptorTypeID typeID, char* stringID, uint32 maxLength);
};

// The descriptor registry: descriptors kept by the host under a key while it
// runs, persistent ones also across restarts.
struct PSDescriptorRegistryProcs {
    OSErr (*Register)(const char* key, PIActionDescriptor descriptor, Boolean isPersistent);
    OSErr (*Erase)(const char* key);
    OSErr (*Get)(const char* key, PIActionDescriptor* descriptor);
};

// ---- Channel ports and the document description --------------------------
typedef struct _PIChannelPortDesc* PIChannelPort;
typedef PIChannelPort ChannelReadPort;
typedef PIChannelPort ChannelWritePort;
struct PSScaling { VRect sourceRect; VRect destinationRect; };
struct PixelMemoryDesc {
    void* data;
    int32 rowBits;
    int32 colBits;
    int32 bitOffset;
    int32 depth;
};
struct ChannelPortProcs {
    int16 channelPortProcsVersion;
    int16 numChannelPortProcs;
    OSErr (*readPixelsProc)(ChannelReadPort port, const PSScaling* scaling, const VRect* writeRect,
                            const PixelMemoryDesc* destination, VRect* wroteRect);
    OSErr (*writeBasePixelsProc)(ChannelWritePort port, const VRect* writeRect,
                                 const PixelMemoryDesc* source);
    OSErr (*readPortForWritePortProc)(ChannelReadPort* readPort, ChannelWritePort writePort);
};
enum : int16 { kCurrentChannelPortProcsVersion = 1, kCurrentChannelPortProcsCount = 3 };

// The channel-ports suite (kPSChannelPortsSuite); the leading entries.
struct PSChannelPortsSuite1 {
    SPErr (*CountLevels)(PIChannelPort port, int32* count);
    SPErr (*GetDepth)(PIChannelPort port, int32 level, int32* depth);
    SPErr (*GetPixelBounds)(PIChannelPort port, int32 level, VRect* bounds);
    SPErr (*CanRead)(PIChannelPort port, Boolean* canRead);
    SPErr (*CanWrite)(PIChannelPort port, Boolean* canWrite);
    // The rect is clipped by the host to what it read.
    SPErr (*ReadPixelsFromLevel)(PIChannelPort port, int32 level, VRect* rect, const PixelMemoryDesc* destination);
    SPErr (*WritePixelsToBaseLevel)(PIChannelPort port, VRect* rect, const PixelMemoryDesc* source);
    SPErr (*ReadScaledPixels)(PIChannelPort port, VRect* readRect, const PSScaling* scaling,
                              const PixelMemoryDesc* destination);
};

struct ReadChannelDesc {
    int32 minVersion;
    int32 maxVersion;
    ReadChannelDesc* next;
    PIChannelPort port;
    VRect bounds;
    int32 depth;
    VPoint tileSize;
    VPoint tileOrigin;
    Boolean target;
    Boolean shown;
    int16 channelType;
    void* contextInfo;
    const char* name;
};

struct ReadLayerDesc {
    int32 minVersion;
    int32 maxVersion;
    ReadLayerDesc* next;
    ReadChannelDesc* compositeChannelsList;
    ReadChannelDesc* transparency;
    ReadChannelDesc* layerMask;
    const char* name;
};

struct ReadImageDocumentDesc {
    int32 minVersion;
    int32 maxVersion;
    int32 imageMode;
    int32 depth;
    VRect bounds;
    Fixed hResolution;
    Fixed vResolution;
    LookUpTable redLUT;
    LookUpTable greenLUT;
    LookUpTable blueLUT;
    ReadChannelDesc* targetCompositeChannels;
    ReadChannelDesc* targetTransparency;
    ReadChannelDesc* targetLayerMask;
    ReadChannelDesc* mergedCompositeChannels;
    ReadChannelDesc* mergedTransparency;
    ReadChannelDesc* alphaChannels;
    ReadChannelDesc* selection;
    void* fileSpec;                  // the platform file reference; version 2 on
    ReadLayerDesc* layersDescriptor;
};

// ---- Big documents -------------------------------------------------------
struct BigDocumentStruct {
    int32 PluginUsing32BitCoordinates;
    VPoint imageSize32;
    VRect filterRect32;
    VRect inRect32;
    VRect outRect32;
    VRect maskRect32;
    VPoint floatCoord32;
    VPoint wholeSize32;
};

// ---- About record --------------------------------------------------------
struct AboutRecord {
    void* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

// ---- Filter record -------------------------------------------------------
struct BufferProcs;
struct ResourceProcs;
struct ImageServicesProcs;
struct PSPixelMap;

typedef Boolean (*TestAbortProc)(void);
typedef void (*ProgressProc)(int32 done, int32 total);
typedef void (*HostProc)(int16 selector, intptr_t* data);
typedef void (*ProcessEventProc)(void* event);
typedef OSErr (*DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                   int32 dstCol, void* platformContext);
typedef OSErr (*AdvanceStateProc)(void);

#pragma pack(push, 4)
struct FilterRecord {
    int32 serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    int16 planes;
    Rect filterRect;
    RGBColor background;
    RGBColor foreground;
    int32 maxSpace;
    int32 bufferSpace;
    Rect inRect;
    int16 inLoPlane;
    int16 inHiPlane;
    Rect outRect;
    int16 outLoPlane;
    int16 outHiPlane;
    void* inData;
    int32 inRowBytes;
    void* outData;
    int32 outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;
    int32 maskRowBytes;
    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;
    int16 imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    void* platformData;
    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    // 3.0
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16 wantLayout;
    int16 filterCase;
    int16 dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16 inputPadding;
    int16 outputPadding;
    int16 maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16 inLayerPlanes;
    int16 inTransparencyMask;
    int16 inLayerMasks;
    int16 inInvertedLayerMasks;
    int16 inNonLayerPlanes;
    int16 outLayerPlanes;
    int16 outTransparencyMask;
    int16 outLayerMasks;
    int16 outInvertedLayerMasks;
    int16 outNonLayerPlanes;
    int16 absLayerPlanes;
    int16 absTransparencyMask;
    int16 absLayerMasks;
    int16 absInvertedLayerMasks;
    int16 absNonLayerPlanes;
    int16 inPreDummyPlanes;
    int16 inPostDummyPlanes;
    int16 outPreDummyPlanes;
    int16 outPostDummyPlanes;
    int32 inColumnBytes;
    int32 inPlaneBytes;
    int32 outColumnBytes;
    int32 outPlaneBytes;
    // 3.0.4
    ImageServicesProcs* imageServicesProcs;
    PropertyProcs* propertyProcs;
    int16 inTileHeight;
    int16 inTileWidth;
    Point inTileOrigin;
    int16 absTileHeight;
    int16 absTileWidth;
    Point absTileOrigin;
    int16 outTileHeight;
    int16 outTileWidth;
    Point outTileOrigin;
    int16 maskTileHeight;
    int16 maskTileWidth;
    Point maskTileOrigin;
    // 4.0
    PIDescriptorParameters* descriptorParameters;
    Str255* errorString;
    ChannelPortProcs* channelPortProcs;
    ReadImageDocumentDesc* documentInfo;
    // 5.0
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32 depth;
    // 6.0
    Handle iCCprofileData;
    int32 iCCprofileSize;
    int32 canUseICCProfiles;
    // 7.0
    int32 hasImageScrap;
    // 8.0
    BigDocumentStruct* bigDocumentData;
    // Fields of later interface versions follow; the module reads none of
    // them. Hosts zero what they do not serve.
    char reserved[256];
};
#pragma pack(pop)

// Layout checks for the fields the module relies on, on both processors.
#define PI_CHECK_OFFSET(type, field, off32, off64) \
    static_assert(offsetof(type, field) == (sizeof(void*) == 8 ? (off64) : (off32)), \
                  #type "::" #field " moved")
PI_CHECK_OFFSET(FilterRecord, abortProc, 4, 4);
PI_CHECK_OFFSET(FilterRecord, parameters, 12, 20);
PI_CHECK_OFFSET(FilterRecord, planes, 20, 32);
PI_CHECK_OFFSET(FilterRecord, filterRect, 22, 34);
PI_CHECK_OFFSET(FilterRecord, maxSpace, 44, 56);
PI_CHECK_OFFSET(FilterRecord, inRect, 52, 64);
PI_CHECK_OFFSET(FilterRecord, inData, 76, 88);
PI_CHECK_OFFSET(FilterRecord, outData, 84, 100);
PI_CHECK_OFFSET(FilterRecord, haveMask, 93, 113);
PI_CHECK_OFFSET(FilterRecord, maskData, 104, 124);
PI_CHECK_OFFSET(FilterRecord, imageMode, 128, 156);
PI_CHECK_OFFSET(FilterRecord, handleProcs, 208, 256);
PI_CHECK_OFFSET(FilterRecord, advanceState, 224, 280);
PI_CHECK_OFFSET(FilterRecord, inputRate, 248, 312);
PI_CHECK_OFFSET(FilterRecord, colorServices, 256, 320);
PI_CHECK_OFFSET(FilterRecord, propertyProcs, 320, 392);
PI_CHECK_OFFSET(FilterRecord, descriptorParameters, 356, 432);
PI_CHECK_OFFSET(FilterRecord, channelPortProcs, 364, 448);
PI_CHECK_OFFSET(FilterRecord, documentInfo, 368, 456);
PI_CHECK_OFFSET(FilterRecord, sSPBasic, 372, 464);
PI_CHECK_OFFSET(FilterRecord, depth, 380, 480);
PI_CHECK_OFFSET(FilterRecord, bigDocumentData, 400, 504);
PI_CHECK_OFFSET(HandleProcs, newProc, 4, 8);
PI_CHECK_OFFSET(HandleProcs, unlockProc, 24, 48);
PI_CHECK_OFFSET(PIDescriptorParameters, descriptor, 8, 8);
PI_CHECK_OFFSET(PIDescriptorParameters, readDescriptorProcs, 16, 24);
PI_CHECK_OFFSET(ReadImageDocumentDesc, targetCompositeChannels, 808, 808);
PI_CHECK_OFFSET(ReadImageDocumentDesc, layersDescriptor, 840, 872);
PI_CHECK_OFFSET(AboutRecord, sSPBasic, 4, 8);
static_assert(sizeof(BigDocumentStruct) == 92, "BigDocumentStruct size");
static_assert(sizeof(ColorServicesInfo) == (sizeof(void*) == 8 ? 56 : 36), "ColorServicesInfo size");
static_assert(sizeof(PlugInMonitor) == 40, "PlugInMonitor size");
#undef PI_CHECK_OFFSET

}  // namespace pi

#include "HostPaths.h"

#include <cstdint>
#include <vector>

#include "HostHandles.h"
#include "HostSuites.h"
#include "PathSegments.h"
#include "Plugin.h"

namespace frostel {

namespace {

constexpr pi::OSType kSignature = pi::kPhotoshopSignature;

// Records a host error in the plug-in's result; true when reading may go on.
bool Keep(pi::OSErr err) {
    if (gResult && *gResult == pi::noErr) *gResult = err;
    return err == pi::noErr && (!gResult || *gResult == pi::noErr);
}

// A handle the module owns and frees, locked while it is read.
class OwnedHandle {
public:
    OwnedHandle(const pi::HandleProcs* procs, pi::Handle h) : procs_(procs), h_(h) {}
    ~OwnedHandle() { Free(); }
    void Free() {
        if (data_) UnlockHostHandle(procs_, h_);
        if (h_) FreeHostHandle(procs_, h_);
        h_ = nullptr;
        data_ = nullptr;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    pi::Handle get() const { return h_; }
    pi::Ptr Lock() {
        if (!data_ && h_) data_ = LockHostHandle(procs_, h_, false);
        return data_;
    }

private:
    const pi::HandleProcs* procs_;
    pi::Handle h_;
    pi::Ptr data_ = nullptr;
};

bool DocumentSize(const pi::FilterRecord& fr, PathDocument& doc) {
    int32_t width = fr.imageSize.h, height = fr.imageSize.v;
    if (fr.bigDocumentData) {
        width = fr.bigDocumentData->imageSize32.h;
        height = fr.bigDocumentData->imageSize32.v;
    }
    return ComputeDocumentSize72(width, height, fr.imageHRes, fr.imageVRes, doc);
}

int32_t WorkPathIndex() {
    const auto* suite = AcquireSuiteAs<pi::PSPropertySuite1>(gPropertySuiteHolder);
    intptr_t index = 0;
    if (!suite->getPropertyProc || suite->getPropertyProc(kSignature, pi::propWorkPathIndex, 0, &index, nullptr) != pi::noErr)
        return 0;
    return int32_t(index);
}

}  // namespace

void ReadHostPaths() {
    FreePathList();
    pi::FilterRecord* fr = gFilterRecord;
    if (!fr || !fr->propertyProcs || !fr->propertyProcs->getPropertyProc) return;
    const pi::GetPropertyProc getProperty = fr->propertyProcs->getPropertyProc;
    const pi::HandleProcs* procs = fr->handleProcs;

    intptr_t paths = 0;
    if (!Keep(getProperty(kSignature, pi::propNumberOfPaths, 0, &paths, nullptr))) return;
    PathDocument doc;
    if (!DocumentSize(*fr, doc) || paths < 1) return;

    const int32_t index = WorkPathIndex();
    pi::Handle data = nullptr;
    const pi::OSErr err = getProperty(kSignature, pi::propPathContents, index, nullptr, &data);
    OwnedHandle hostData(procs, data);
    if (!Keep(err) || !data) return;

    // Unpacked into a handle of our own; the host's goes back at once.
    const ptrdiff_t size = GetHostHandleSize(procs, data);
    const size_t count = size > 0 ? size_t(size) / kPathRecordBytes : 0;
    if (count == 0) return;
    if (count > size_t(INT32_MAX) / sizeof(PathRecord)) {
        Keep(pi::memFullErr);  // more than a handle of ours can hold
        return;
    }
    const pi::Ptr bytes = hostData.Lock();
    OwnedHandle unpacked(procs, bytes ? NewHostHandle(procs, int32_t(count * sizeof(PathRecord))) : nullptr);
    const pi::Ptr records = unpacked.Lock();
    // A path that cannot be read whole is not grown along in part, nor
    // silently replaced by the contours.
    if (!records) {
        Keep(pi::memFullErr);
        return;
    }
    UnpackPathRecords(reinterpret_cast<const uint8_t*>(bytes), count * kPathRecordBytes,
                      reinterpret_cast<PathRecord*>(records));
    hostData.Free();
    if (!ImportPathRecords(reinterpret_cast<const PathRecord*>(records), int(count), doc)) {
        FreePathList();
        Keep(pi::memFullErr);
    }
}

}  // namespace frostel

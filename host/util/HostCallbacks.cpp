#include "HostCallbacks.h"

namespace frostel::hostutil {

namespace {

CallbackStatus CheckTable(const void* table, int version, int count, int currentVersion,
                          int currentCount) {
    if (!table) return CallbackStatus::Missing;
    if (version > currentVersion) return CallbackStatus::Newer;
    if (version < currentVersion || count < currentCount) return CallbackStatus::Missing;
    return CallbackStatus::Available;
}

CallbackStatus Present(bool present) {
    return present ? CallbackStatus::Available : CallbackStatus::Missing;
}

}  // namespace

CallbackStatus CheckHandleProcs(const pi::HandleProcs* p) {
    return CheckTable(p, p ? p->handleProcsVersion : 0, p ? p->numHandleProcs : 0,
                      pi::kCurrentHandleProcsVersion, pi::kCurrentHandleProcsCount);
}

CallbackStatus CheckPropertyProcs(const pi::PropertyProcs* p) {
    return CheckTable(p, p ? p->propertyProcsVersion : 0, p ? p->numPropertyProcs : 0,
                      pi::kCurrentPropertyProcsVersion, pi::kCurrentPropertyProcsCount);
}

CallbackStatus CheckChannelPortProcs(const pi::ChannelPortProcs* p) {
    return CheckTable(p, p ? p->channelPortProcsVersion : 0, p ? p->numChannelPortProcs : 0,
                      pi::kCurrentChannelPortProcsVersion, pi::kCurrentChannelPortProcsCount);
}

CallbackStatus CheckReadDescriptorProcs(const pi::ReadDescriptorProcs* p) {
    return CheckTable(p, p ? p->readDescriptorProcsVersion : 0, p ? p->numReadDescriptorProcs : 0,
                      pi::kCurrentReadDescriptorProcsVersion, pi::kCurrentReadDescriptorProcsCount);
}

CallbackStatus CheckWriteDescriptorProcs(const pi::WriteDescriptorProcs* p) {
    return CheckTable(p, p ? p->writeDescriptorProcsVersion : 0, p ? p->numWriteDescriptorProcs : 0,
                      pi::kCurrentWriteDescriptorProcsVersion, pi::kCurrentWriteDescriptorProcsCount);
}

CallbackStatus CheckDescriptorParameters(const pi::PIDescriptorParameters* d) {
    if (!d) return CallbackStatus::Missing;
    if (d->descriptorParametersVersion > pi::kCurrentDescriptorParametersVersion)
        return CallbackStatus::Newer;
    CallbackStatus r = CheckReadDescriptorProcs(d->readDescriptorProcs);
    if (r != CallbackStatus::Available) return r;
    return CheckWriteDescriptorProcs(d->writeDescriptorProcs);
}

CallbackStatus CheckHostService(const pi::FilterRecord* fr, HostService s) {
    if (!fr) return CallbackStatus::Missing;
    switch (s) {
        case HostService::AbortProc: return Present(fr->abortProc != nullptr);
        case HostService::ProgressProc: return Present(fr->progressProc != nullptr);
        case HostService::HostProc: return Present(fr->hostProc != nullptr);
        case HostService::ProcessEvent: return Present(fr->processEvent != nullptr);
        case HostService::DisplayPixels: return Present(fr->displayPixels != nullptr);
        case HostService::HandleProcs: return CheckHandleProcs(fr->handleProcs);
        case HostService::AdvanceState: return Present(fr->advanceState != nullptr);
        case HostService::ColorServices: return Present(fr->colorServices != nullptr);
        case HostService::PropertyProcs: return CheckPropertyProcs(fr->propertyProcs);
        case HostService::ChannelPortProcs: return CheckChannelPortProcs(fr->channelPortProcs);
        case HostService::DescriptorParameters:
            return CheckDescriptorParameters(fr->descriptorParameters);
        case HostService::BasicSuite: return Present(fr->sSPBasic != nullptr);
    }
    return CallbackStatus::Missing;
}

bool HostCallbackPresent(const pi::FilterRecord* record, HostService service) {
    return CheckHostService(record, service) == CallbackStatus::Available;
}

const char* RequiredInterfaceVersion(HostService s) {
    switch (s) {
        case HostService::AbortProc:
        case HostService::ProgressProc:
        case HostService::HostProc: return "1.0";
        case HostService::ProcessEvent:
        case HostService::DisplayPixels:
        case HostService::HandleProcs: return "2.5";
        case HostService::AdvanceState:
        case HostService::ColorServices: return "3.0";
        case HostService::PropertyProcs: return "3.0.4";
        case HostService::ChannelPortProcs:
        case HostService::DescriptorParameters: return "4.0";
        case HostService::BasicSuite: return "5.0";
    }
    return "?";
}

}  // namespace frostel::hostutil

#include "win/VersionWarnings.h"

#include "win/DialogMessages.h"
#include "win/HostUtilIds.h"
#include "win/ResourceHandles.h"

namespace frostel::hostutil {

bool WarnIfServiceMissing(HWND owner, HINSTANCE module, const pi::FilterRecord* record,
                          HostService service) {
    CallbackStatus status = CheckHostService(record, service);
    if (status == CallbackStatus::Available) return true;
    UINT reason = status == CallbackStatus::Newer ? IDS_HOSTUTIL_TABLE_NEWER : IDS_HOSTUTIL_HOST_TOO_OLD;
    std::string reasonText = LoadStringText(module, reason);
    ShowStringMessage(owner, module, IDS_HOSTUTIL_VERSION_WARNING, MessageKind::Warning,
                      reasonText.c_str(), RequiredInterfaceVersion(service));
    return false;
}

}  // namespace frostel::hostutil

// Resource ids of the host utility layer (dialog template and strings in
// resources/HostUtil.rc).
#pragma once

#define IDD_HOSTUTIL_ABOUT 16000
#define IDS_HOSTUTIL_ABOUT 16000
#define IDC_ABOUT_TEXT 16001
#define IDC_ABOUT_LINK1 16002
#define IDC_ABOUT_LINK2 16003

#define IDS_HOSTUTIL_VERSION_WARNING 16990  // ^0 reason, ^1 interface version
#define IDS_HOSTUTIL_RANGE 16991            // ^0 low bound, ^1 high bound
#define IDS_HOSTUTIL_HOST_TOO_OLD 16992
#define IDS_HOSTUTIL_TABLE_NEWER 16993

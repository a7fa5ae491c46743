// Resource ids of the About box, the message dialog and the font list
// (resources/About.rc).
#pragma once

#define IDD_ABOUT 128
#define IDC_ABOUT_LOGO_FRAME 1267
#define IDC_ABOUT_VERSION 1033
#define IDC_ABOUT_LINK 1004
#define IDC_ABOUT_UPDATES 1009
#define IDB_ABOUT_LOGO 234

#define IDD_MESSAGE 162
#define IDC_MESSAGE_ICON 1145
#define IDC_MESSAGE_TEXT 1142

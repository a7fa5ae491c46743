// Resource and control numbers of the preset panel and the save dialog
// (shared by the resource script and the code).
#pragma once

#define IDD_PRESET_PANEL 143
#define IDD_SAVE_PRESET 147
#define IDB_PRESET_FOLDER 148
#define IDB_PRESET_FOLDER_UP 150

#define IDC_FACTORY_LIST 1084
#define IDC_USER_LIST 1913
#define IDC_USER_GROUP 1118
#define IDC_FACTORY_PATH 1091
#define IDC_USER_PATH 1093
#define IDC_SAVE_PRESET 1300
#define IDC_DELETE_PRESET 1092
#define IDC_PRESET_NAME 1358
#define IDC_FACTORY_GROUP 1119
// Sent to the main dialog after a preset or the factory values were applied.
#define IDC_PRESET_APPLIED 7777

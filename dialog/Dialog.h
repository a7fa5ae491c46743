// What the host interface needs of the filter dialog.
#pragma once

namespace frostel {

// Modal filter dialog inside the start selector: true for OK, false for cancel.
bool DoUI();
// The About box of the about selector.
void DoAbout();
// Module folder and its sub-folders, taken from the module's own path.
void InitModulePaths();
// Window placement from the ini file into the locked parameter record.
void ReadIniFile();

}  // namespace frostel

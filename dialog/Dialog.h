// What the host interface needs of the filter dialog.
#pragma once

#include <cstdint>
#include <string>

namespace frostel {

// Preview state, kept by the dialog and read by the image reads and the
// render. gDialogOpen is true from the dialog's creation to its end: every
// render is then a preview render.
extern bool gDialogOpen;
extern float gPreviewScale;  // document pixels per preview pixel, 1.0 in the silent run
extern float gZoomLevel;     // zoom steps below the fit scale; -1.0 = not yet set
extern int32_t gViewX;       // preview origin in preview pixels
extern int32_t gViewY;

// Modal filter dialog inside the start selector: true for OK, false for cancel.
bool DoUI();
// The About box of the about selector.
void DoAbout();
// Module folder and its sub-folders, taken from the module's own path.
void InitModulePaths();
// The folder of the module file, with its trailing separator; empty when
// there is none (the native build) or its path does not fit.
std::string ModuleFolder();
// Window placement from the ini file beside the module into the locked
// parameter record; nothing without a record or a readable file.
void ReadIniFile();
// The locked record's window placement into that ini file; false when it
// could not be written (the old file then stays as it was).
bool WriteIniFile();

}  // namespace frostel

// What the host interface needs of the filter dialog.
#pragma once

#include <cstdint>

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
// Window placement from the ini file into the locked parameter record.
void ReadIniFile();

}  // namespace frostel

// The preset panel of the main dialog: the factory list (Basic tree, led by
// "Default"), the user list (User tree), their sub-folders, Save and Delete.
// It works on the locked parameter record and tells the main dialog about
// every change with WM_COMMAND IDC_PRESET_APPLIED.
#pragma once

#include <windows.h>

#include <string>

#include "PresetBrowser.h"

namespace frostel {

// The folder that holds Basic\ and User\, with its trailing '\'. The main
// dialog sets it from the module's folders before the panel is made.
void SetPresetFolder(const std::string& folder);

// The panel from its template, a child of `mainDialog` at its template size
// (the main dialog places it); null when it could not be made.
HWND CreatePresetPanel(HWND mainDialog);
// The panel keeps its width and reaches to `height`; the user group, its list
// and the buttons follow the bottom edge.
void LayoutPresetPanel(HWND panel, int width, int height);

void FillPresetList(HWND panel, PresetList list);
// Applies a preset of a list's current folder to the record; false (the record
// unchanged) when it cannot be read or is no preset.
bool LoadPreset(HWND panel, const std::string& name, PresetList list);
// Asks for a name and writes the record as a user preset.
void SavePreset(HWND panel);
// Deletes a user preset of the list's current folder; false, after a
// message, when the file could not be deleted.
bool DeletePreset(HWND panel, const std::string& name);
// Delete is enabled exactly when the user list has a preset selected.
void UpdatePresetButtons(HWND panel);

}  // namespace frostel

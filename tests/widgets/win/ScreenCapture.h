// A rectangle of the screen saved as a PNG file, for the screenshot programs.
#pragma once

#include <windows.h>

#include <string>

namespace rig {

// False (and why) when the picture cannot be taken or written.
bool SaveScreenPng(const RECT& r, const std::string& path, std::string& error);

}  // namespace rig

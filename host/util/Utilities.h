// The general helper operations of the host layer, one header per family.
#pragma once

#include "BitmapFile.h"
#include "ColorModel.h"
#include "HandleResources.h"
#include "HostCallbacks.h"
#include "HostIdentity.h"
#include "NumberText.h"
#include "PascalString.h"
#include "PixelOps.h"
#include "RectMath.h"
#include "TickTime.h"

#ifdef _WIN32
#include "win/AboutBox.h"
#include "win/BitmapResources.h"
#include "win/DialogItems.h"
#include "win/DialogMessages.h"
#include "win/ModuleVersion.h"
#include "win/OwnMemory.h"
#include "win/ResourceHandles.h"
#include "win/VersionWarnings.h"
#endif

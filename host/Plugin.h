// The module's entry and the handlers of the host's six selectors.
#pragma once

#include <cstdint>

#include "FilterParameters.h"
#include "HostInterface.h"
#include "HostSuites.h"

extern "C" {
// The entry named in the plug-in property list; PluginMain1 is the same code.
void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result);
void PluginMain1(int16_t selector, void* record, intptr_t* data, int16_t* result);
}

namespace frostel {

// Module globals: valid during one host call only.
extern pi::FilterRecord* gFilterRecord;   // null during the about selector
extern pi::AboutRecord* gAboutRecord;     // set during the about selector only
extern intptr_t* gDataPtr;
extern int16_t* gResult;
extern pi::SPBasicSuite* gBasicSuite;
extern FilterParameters* gParams;         // locked parameter record, else null
extern FilterData* gData;                 // locked data record, else null
extern bool gActionSuitesPresent;
extern void* gModule;                    // module instance, stored at load

// The result the entry reports to the host.
void SetResult(int16_t code);
bool ResultOk();  // no result pointer, or a result of 0

// Handles.
void CreateParametersHandle();
void CreateDataHandle();
void LockHandles();
void UnlockHandles();

// Defaults into the locked records.
void SetParametersInitialised();
void ResetWindowPlacement();
void InitParameters();

bool HasActionDescriptorSuites();

// Selector handlers.
void DoParameters();
void DoPrepare();
void DoStart();
void StartFilter();
void DoContinue();
void DoFinish();

}  // namespace frostel

// The 47 parameters as scripting descriptors: the recorded action through
// the filter record's classic descriptor callbacks, the last-used values
// through the host's descriptor registry, and the host's version through
// its action suites.
//
// Everything read goes through the parameter sanitiser, so no value from a
// script or the registry reaches the filter unchecked. The four parameter
// operations need the records locked (gParams, gData); missing suites or
// callbacks only mean nothing is read or written.
#pragma once

#include <cstdint>

namespace frostel {

// The registry entry of the last-used values; also the scope of the
// scripting block in the property list.
extern const char kRegistryKey[];

// Start, before the recorded descriptor: the registry entry into the record.
// -30900 without the registry or descriptor suites, else the result of the
// last get.
int16_t ReadScriptParametersBySuite();

// Start: the recorded descriptor, when the host passed one, into the record.
// `show` becomes the data record's show-dialog flag, or, for a recorded
// action, whether the action asks for the dialog. -1715 when `show` is null,
// else 0.
int16_t ReadScriptParameters(bool* show);

// Finish: the record as the recorded action's descriptor. -1715 when the
// host's write descriptor cannot be opened, else 0.
int16_t WriteScriptParameters();

// Finish: the record into the registry, as a persistent entry. -30900
// without the suites, else the registry's answer.
int16_t WriteScriptParametersBySuite();

// The host's major version, -1 for a limited edition, 0 when the host does
// not tell. Touches no record and never throws; safe on a worker thread.
int32_t GetHostVersion();

// Index 0..3 <-> 'moD0'..'moD3'; anything else maps to 'moD1' / index 1.
uint32_t ModeIndexToEnum(int32_t index);
int32_t ModeEnumToIndex(uint32_t value);

}  // namespace frostel

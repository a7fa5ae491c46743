#include "Dialog.h"

#include "DialogLogic.h"

namespace frostel {

// Without windows there is no dialog to show: the filter runs with the
// values it has.
bool DoUI() { return true; }
void InitModulePaths() {}

}  // namespace frostel

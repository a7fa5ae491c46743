#include "Dialog.h"

namespace frostel {

// The interactive dialog, About box, module folders and ini file are not
// built yet: the filter runs with the values it has.
bool DoUI() { return true; }
void DoAbout() {}
void InitModulePaths() {}

}  // namespace frostel

#include "Dialog.h"

namespace frostel {

// The About box and the ini file are not built yet.
void DoAbout() {}
void ReadIniFile() {}

}  // namespace frostel

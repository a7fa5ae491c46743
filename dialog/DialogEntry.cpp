#include "Dialog.h"

namespace frostel {

void ReadIniFile() {}

}  // namespace frostel

#include "Dialog.h"

namespace frostel {

// Without a module file there is no folder beside it.
std::string ModuleFolder() { return {}; }

}  // namespace frostel

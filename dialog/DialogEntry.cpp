#include "Dialog.h"

namespace frostel {

}  // namespace frostel

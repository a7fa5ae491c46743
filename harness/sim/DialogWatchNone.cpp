#include "DialogWatch.h"

namespace frostel::hostsim {

DialogWatch::DialogWatch(Host&) {}
DialogWatch::~DialogWatch() = default;

}  // namespace frostel::hostsim

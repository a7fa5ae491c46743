#include "MessageBoxWatch.h"

namespace frostel::hostsim {

MessageBoxWatch::MessageBoxWatch(Host&) {}
MessageBoxWatch::~MessageBoxWatch() = default;

}  // namespace frostel::hostsim

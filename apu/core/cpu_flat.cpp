#include "core/cpu_exec.h"
#include "core/flat_bus.h"

namespace apu {
template class Cpu<FlatBus>;
}

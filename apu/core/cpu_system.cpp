#include "core/cpu_exec.h"
#include "core/system_bus.h"

namespace apu {
template class Cpu<SystemBus>;
}

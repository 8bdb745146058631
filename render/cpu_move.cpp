#include "render/cpu_move.h"

#include <sched.h>

namespace trevalin {

int currentCpu() {
    return sched_getcpu();
}

bool leaveCpu(int cpu) {
    if (cpu < 0 || sched_getcpu() != cpu) return false;
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
    cpu_set_t elsewhere = allowed;
    CPU_CLR(cpu, &elsewhere);
    if (CPU_COUNT(&elsewhere) == 0) return false;
    if (sched_setaffinity(0, sizeof elsewhere, &elsewhere) != 0) return false;
    // The move is done by the time the call returns.
    sched_setaffinity(0, sizeof allowed, &allowed);
    return true;
}

} // namespace trevalin

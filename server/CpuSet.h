#pragma once

namespace backend {

// The number of processors this process may run on: its CPU affinity (as
// set by taskset, a container or a systemd CPUAffinity=), not the machine's
// count. At least 1.
unsigned usableCpuCount();

} // namespace backend

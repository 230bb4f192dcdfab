// Fault injection shared by both implementations of the OS layer.
#include "platform.h"

namespace platform {
namespace {

struct Fault {
    ErrorCode code = 0;
    unsigned skip = 0;
    unsigned times = 0;
};

Fault faults[static_cast<int>(Operation::Count)];

}  // namespace

void InjectFault(Operation op, ErrorCode code, unsigned skip, unsigned times) {
    faults[static_cast<int>(op)] = Fault{code, skip, times};
}

void ClearFaults() {
    for (Fault& fault : faults) fault = Fault{};
}

bool FaultInjected(Operation op) {
    Fault& fault = faults[static_cast<int>(op)];
    if (fault.times == 0) return false;
    if (fault.skip > 0) {
        --fault.skip;
        return false;
    }
    --fault.times;
    SetLastError(fault.code);
    return true;
}

}  // namespace platform

#include "sim/runtime/script_allocations.h"

#include "sim/chaos/chaos.h"
#include "sim/runtime/host_runtime.h"

namespace sim {

namespace {

int PendingRefusals = 0;
int64_t Refused = 0;
// Set while a refusal is being decided: chaos's bookkeeping may allocate,
// and that allocation must not be decided again.
bool Deciding = false;

}  // namespace

void RefuseScriptAllocations(int count) {
    PendingRefusals += count;
}

int64_t ScriptAllocationsRefused() {
    return Refused;
}

void ResetScriptAllocationRefusals() {
    PendingRefusals = 0;
    Refused = 0;
}

bool RefuseThisAllocation() {
    if (Deciding || !ScriptCodeRunning()) {
        return false;
    }
    if (PendingRefusals > 0) {
        --PendingRefusals;
        ++Refused;
        return true;
    }
    World* world = AttachedWorld();
    if (world == nullptr || !ChaosOn(*world)) {
        return false;
    }
    Deciding = true;
    const bool refuse = ChaosRefusesAllocation(*world);
    Deciding = false;
    if (refuse) {
        ++Refused;
    }
    return refuse;
}

}  // namespace sim

// Refusing the plug-in's own allocations, as a game short of memory would.
//
// The programs that run the plug-in on Linux (korvane-sim and the tests)
// replace the global operator new with one that asks `RefuseThisAllocation`
// first (script_new.cpp). Only an allocation made by the script's own code
// is ever refused: on the script fiber and outside every host function, so
// the host's own work never fails. A test asks for the next few such
// allocations to fail; chaos mode refuses them now and then. Windows builds
// do not replace the allocator, so nothing is refused there.
#pragma once

#include <cstdint>

namespace sim {

// Refuses the next `count` allocations of the script's own code (added to
// any still pending). Cleared by AttachWorld.
void RefuseScriptAllocations(int count);

// The allocations of the script's own code refused since the last
// AttachWorld, by a test's request or by chaos.
int64_t ScriptAllocationsRefused();

// Clears the pending refusals and the count (AttachWorld calls it).
void ResetScriptAllocationRefusals();

// For the replaced operator new: whether the allocation being made now is to
// fail. Counts what it refuses.
bool RefuseThisAllocation();

}  // namespace sim

// The readable account of a run that korvane-sim prints at its end.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "sim/world/world.h"

namespace sim {

struct RunReport {
    std::string scenario;
    uint64_t seed = 0;
    int framesRequested = 0;
    int framesRun = 0;
    bool registered = false;               // the plug-in registered a script
    bool scriptReturned = false;           // its script function returned
    std::string hostError;                 // empty when the run went well
    unsigned long deepestScriptStack = 0;  // bytes of its fiber's stack the script used
};

void PrintSummary(const World& world, const RunReport& report, std::ostream& out);

}  // namespace sim

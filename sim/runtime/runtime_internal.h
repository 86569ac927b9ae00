// What the parts of the host runtime share among themselves: the script's
// state and the host error.
#pragma once

#include <string>

#include "sim/world/world.h"

namespace sim {

// Records a host error and prints it. Called on the script fiber, it also
// suspends the script for good: the frame loop never resumes it.
void RaiseHostError(const std::string& text);
bool HasHostError();

// Whether the code running now is the script on its fiber.
bool OnScriptFiber();

// The attached world, or null after raising a host error about its absence.
World* WorldForCall(const char* what);

// Marks the time spent inside a host function, for InsideHostCall. A wait
// stays inside its host call while the script is suspended in it.
namespace detail {
extern int hostCallDepth;
}
struct HostCallScope {
    HostCallScope() { ++detail::hostCallDepth; }
    ~HostCallScope() { --detail::hostCallDepth; }
    HostCallScope(const HostCallScope&) = delete;
    HostCallScope& operator=(const HostCallScope&) = delete;
};

}  // namespace sim

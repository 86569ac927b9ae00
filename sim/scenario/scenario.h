// Scenario files: JSON that sets up a world (player, camera, roads, vehicles,
// peds, pools, streaming, ambient population) and a schedule of key presses.
// The format is described in docs/scenario-format.md.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "sim/world/world.h"

namespace sim {

// Fills `world` from a scenario file. The model catalogue is loaded first if
// the world has none. On failure returns false with a message that names the
// offending field (for instance `vehicles[2].model: unknown vehicle model "x"`);
// the world is then only partly set up.
bool LoadScenario(const std::string& path, World& world, std::string* error);
bool LoadScenarioJson(const nlohmann::json& j, World& world, std::string* error);

}  // namespace sim

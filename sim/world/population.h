// The world's own population: ambient traffic with drivers along the roads,
// pedestrians, and the clean-up that takes far entities away again.
#pragma once

#include "sim/world/world.h"

namespace sim {

// Removes released and ambient entities that are far from the player and off
// screen. Never the player, the player's vehicle or anyone in it, nor an
// aeroplane in the air (it may still be on a chase); peds in a vehicle go
// with it. Returns the number removed.
int CleanUpAmbient(World& world);

// Spawns ambient vehicles with drivers at road nodes out of sight, between
// ambientSpawnMin and ambientSpawnMax from the player, until about
// ambientVehicleTarget vehicles are around; at most `maxSpawns`.
int TopUpTraffic(World& world, int maxSpawns);

// Spawns pedestrians near road nodes out of sight until about
// ambientPedTarget peds are around; at most `maxSpawns`.
int TopUpPedestrians(World& world, int maxSpawns);

// The population a world starts with: traffic anywhere from 40 m out to
// ambientSpawnMax (in sight too) and pedestrians, up to their targets.
int PopulateAround(World& world);

}  // namespace sim

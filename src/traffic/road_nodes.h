// Adding vehicles with drivers at road nodes out of the player's sight.
#pragma once

// `NewVehicleSpawnRate` attempts, each at a node drawn near the player.
void SpawnAtRoadNodes();

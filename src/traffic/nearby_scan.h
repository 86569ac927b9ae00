// The entry of the vehicle phase.
#pragma once

// Collects the vehicles near the player into the tracked list, walks the list
// with the candidate tests, replaces each accepted vehicle, then spawns at
// road nodes.
void ScanNearbyVehicles();

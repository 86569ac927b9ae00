// The tracked lists: their normalisation and their per-pass upkeep.
#pragma once

#include <vector>

#include "host/types.h"

const float PedReleaseDistance = 300.0f;
const float VehicleReleaseDistance = 400.0f;

// Sorts a list ascending and drops repeated handles.
void NormaliseTrackedLists(std::vector<EntityHandle>& list);
void UpkeepTrackedPeds();
void UpkeepTrackedVehicles();

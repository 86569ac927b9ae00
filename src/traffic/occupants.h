// Drivers, passengers and armed police crews for old and new vehicles.
#pragma once

#include "host/types.h"

// Fills the free passenger seats of a fast traffic vehicle, once.
void FillOldVehicleSeats(EntityHandle vehicle);
// Gives a vehicle without a live driver a new random one; returns the driver.
EntityHandle EnsureDriver(EntityHandle vehicle, EntityHandle driver);
// Fills the free seats of a new vehicle with the driver's crew or random peds.
void FillNewVehicleSeats(EntityHandle vehicle, EntityHandle driver);

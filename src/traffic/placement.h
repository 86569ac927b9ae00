// Placing a new vehicle with a driver: used by the replacement of a traffic
// vehicle and by spawning at a road node.
#pragma once

#include "host/types.h"

enum class PlacedKind { Car, Plane, Heli };

struct PlacedVehicle {
    EntityHandle Vehicle = 0;
    EntityHandle Driver = 0;
    PlacedKind Kind = PlacedKind::Car;
};

// Creates a vehicle of the (loaded) model at `at`, facing `heading`, with a
// random driver. A plane appears `MinAirplaneHeight` higher, is launched at
// `PlaneLaunchFactor` times `launchVelocity` and raises its gear; a
// helicopter appears `HeliSpawnHeight` higher and raises its gear; a car
// stands on the spot and, when `carKeepsVelocity`, moves at `launchVelocity`.
PlacedVehicle PlaceNewVehicle(ModelHash model, const Vec3& at, float heading,
                              const Vec3& launchVelocity, bool carKeepsVelocity);

const float PlaneLaunchFactor = 50.0f;
const float HeliSpawnHeight = 15.0f;

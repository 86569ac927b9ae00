#include "traffic/placement.h"

#include "host/natives.h"
#include "state/plugin_state.h"

PlacedVehicle PlaceNewVehicle(ModelHash model, const Vec3& at, float heading,
                              const Vec3& launchVelocity, bool carKeepsVelocity) {
    PlacedVehicle placed;
    const Vec3& v = launchVelocity;
    if (game::IsThisModelAPlane(model)) {
        placed.Kind = PlacedKind::Plane;
        placed.Vehicle = game::CreateVehicle(
            model, at.x, at.y, at.z + Plugin.Settings.MinAirplaneHeight, heading, false, false);
        placed.Driver = game::CreateRandomPedAsDriver(placed.Vehicle);
        game::SetEntityVelocity(placed.Vehicle, PlaneLaunchFactor * v.x, PlaneLaunchFactor * v.y,
                                PlaneLaunchFactor * v.z);
        game::ControlLandingGear(placed.Vehicle);
    } else if (game::IsThisModelAHeli(model)) {
        placed.Kind = PlacedKind::Heli;
        placed.Vehicle =
            game::CreateVehicle(model, at.x, at.y, at.z + HeliSpawnHeight, heading, false, false);
        placed.Driver = game::CreateRandomPedAsDriver(placed.Vehicle);
        game::ControlLandingGear(placed.Vehicle);
    } else {
        placed.Vehicle = game::CreateVehicle(model, at.x, at.y, at.z, heading, false, false);
        placed.Driver = game::CreateRandomPedAsDriver(placed.Vehicle);
        if (carKeepsVelocity) {
            game::SetEntityVelocity(placed.Vehicle, v.x, v.y, v.z);
        }
    }
    return placed;
}

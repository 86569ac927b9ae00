#include "traffic/vehicle_checks.h"

#include "host/natives.h"
#include "state/plugin_state.h"

bool IsRoadVehicle(EntityHandle vehicle) {
    // The model is asked for first, even of a handle that the next test
    // rejects: the host sees this call for every vehicle tested.
    const ModelHash model = game::GetEntityModel(vehicle);
    if (vehicle == 0 || vehicle == Plugin.PlayerLastVehicle) {
        return false;
    }
    if (!game::EntityExists(vehicle) || !game::IsVehicleDriveable(vehicle)) {
        return false;
    }
    if (game::IsVehicleAttachedToTrailer(vehicle)) {
        return false;
    }
    return game::IsThisModelACar(model) || game::IsThisModelABike(model) ||
           game::IsThisModelAQuadbike(model);
}

bool IsVehicleDamaged(EntityHandle vehicle) {
    if (game::HasEntityBeenDamagedByAnyVehicle(vehicle)) {
        return true;
    }
    return game::HasEntityBeenDamagedByAnyPed(vehicle);
}

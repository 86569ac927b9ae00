#include "tracking/entity_checks.h"

#include "host/natives.h"
#include "state/plugin_state.h"

float DistanceToPlayer(EntityHandle entity) {
    const Vec3 player = game::GetEntityPosition(Plugin.PlayerPed);
    const Vec3 position = game::GetEntityPosition(entity);
    return game::GetDistanceBetweenCoords(player.x, player.y, player.z, position.x, position.y,
                                          position.z, true);
}

bool IsUsablePed(EntityHandle ped) {
    return ped != 0 && ped != Plugin.PlayerPed && game::EntityExists(ped) &&
           !game::IsPedDeadOrDying(ped) && game::IsPedHuman(ped);
}

bool IsUsableVehicle(EntityHandle vehicle) {
    return vehicle != 0 && vehicle != Plugin.PlayerLastVehicle && game::EntityExists(vehicle) &&
           !game::IsEntityDead(vehicle) && game::IsVehicleDriveable(vehicle);
}

bool IsPlaneEntity(EntityHandle entity) {
    if (game::IsEntityAPed(entity) && game::IsPedInAnyPlane(entity)) {
        return true;
    }
    return game::IsEntityAVehicle(entity) && game::IsThisModelAPlane(game::GetEntityModel(entity));
}

bool IsHeliEntity(EntityHandle entity) {
    if (game::IsEntityAPed(entity) && game::IsPedInAnyHeli(entity)) {
        return true;
    }
    return game::IsEntityAVehicle(entity) && game::IsThisModelAHeli(game::GetEntityModel(entity));
}

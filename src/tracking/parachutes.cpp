// A ped's maximum health doubles as the marker that it has been given its
// parachute: the gift is offered until the ped's parachute state shows it took
// it, and the ped upkeep takes the marker off again once the ped has landed.
#include "tracking/parachutes.h"

#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/aircraft_tasks.h"

namespace {

const float EarlyStageHeight = 3.5f;
const float MinimumParachuteHeight = 10.0f;
const int NoParachute = -1;
const int ParachuteLanding = 3;
const int ParachuteDeployedFirst = 1;
const int ParachuteDeployedSecond = 2;

// Ends a ragdoll without losing the fall: the ped keeps the speed it had.
void LeaveRagdoll(EntityHandle ped) {
    const Vec3 velocity = game::GetEntityVelocity(ped);
    game::SetPedCanRagdoll(ped, false);
    game::SetPedCanRagdoll(ped, true);
    if (!game::IsEntityOnScreen(ped)) {
        game::ClearPedTasksImmediately(ped);
    }
    game::SetEntityVelocity(ped, velocity.x, velocity.y, velocity.z);
}

}  // namespace

void ParachuteBehaviour(EntityHandle ped) {
    const float height = game::GetEntityHeightAboveGround(ped);
    // The height is asked twice on purpose: the host sees both calls, and the
    // second answer decides whether the ped has landed.
    if (!(game::GetEntityHeightAboveGround(ped) > LandedHeight)) {
        return;
    }
    const int state = game::GetPedParachuteState(ped);
    // The draw is made only when the state and height do not already decide.
    if (((state == NoParachute || state == ParachuteLanding) && height > EarlyStageHeight) ||
        game::GetRandomIntInRange(0, 1) == 1) {
        game::SetEntityRecordsCollisions(ped, true);
    }
    if (!(height > MinimumParachuteHeight)) {
        return;
    }
    if (game::GetPedMaxHealth(ped) == ParachuteMarkerHealth) {
        return;
    }
    if (game::IsPedRagdoll(ped)) {
        LeaveRagdoll(ped);
    }
    if (game::IsPedInAnyVehicle(ped)) {
        return;
    }
    if (!game::IsPedFalling(ped)) {
        return;
    }
    game::SetPedKeepTask(ped);

    const EntityHandle target = PickNearestTrackedPed(ped);
    Plugin.ParachuteTarget = game::GetEntityPosition(target);
    // Asked again after the target pick, whose host calls may have let the
    // game hand the ped its parachute meanwhile.
    if (game::GetPedMaxHealth(ped) == ParachuteMarkerHealth) {
        return;
    }
    if (state == ParachuteDeployedFirst || state == ParachuteDeployedSecond) {
        return;
    }

    game::GiveDelayedWeaponToPed(ped, game::GetHashKey("GADGET_PARACHUTE"), true);
    // Marked only once the ped shows it took the parachute; otherwise it is
    // offered again on a later run.
    if (game::GetPedParachuteState(ped) != NoParachute) {
        game::SetPedMaxHealth(ped, ParachuteMarkerHealth);
    }

    // Without a safe point the search leaves this untouched, and the ped
    // glides to the target's own position.
    Vec3 landing = Plugin.ParachuteTarget;
    game::GetSafeCoordForPed(Plugin.ParachuteTarget.x, Plugin.ParachuteTarget.y,
                             Plugin.ParachuteTarget.z, true, &landing, 0);
    game::TaskParachuteToTarget(ped, landing.x, landing.y, landing.z);
    game::SetEntityRecordsCollisions(ped, false);
}

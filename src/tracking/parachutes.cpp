// Parachutes for falling tracked peds, and the task reset other phases use.
//
// A ped's maximum health doubles as the marker that it has been given its
// parachute: the gift is offered until the ped's parachute state shows it took
// it, and the ped upkeep takes the marker off again once the ped has landed.
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "tracking/tracked_lists.h"

namespace {

const float EarlyStageHeight = 3.5f;
const float MinimumParachuteHeight = 10.0f;
const int NoParachute = -1;
const int ParachuteLanding = 3;
const int ParachuteDeployedFirst = 1;
const int ParachuteDeployedSecond = 2;

// Ends a ragdoll without losing the fall: the ped keeps the speed it had.
void LeaveRagdoll(EntityHandle ped) {
    const Vec3 velocity = GetEntityVelocity(ped);
    SetPedCanRagdoll(ped, false);
    SetPedCanRagdoll(ped, true);
    if (!IsEntityOnScreen(ped)) {
        ClearPedTasksImmediately(ped);
    }
    SetEntityVelocity(ped, velocity.x, velocity.y, velocity.z);
}

}  // namespace

void ResetPedTasks(EntityHandle ped) {
    ClearPedTasks(ped);
    ClearPedSecondaryTask(ped);
}

void ParachuteBehaviour(EntityHandle ped) {
    const float height = GetEntityHeightAboveGround(ped);
    if (!(GetEntityHeightAboveGround(ped) > LandedHeight)) {
        return;
    }
    const int state = GetPedParachuteState(ped);
    // The draw is made only when the state and height do not already decide.
    if (((state == NoParachute || state == ParachuteLanding) && height > EarlyStageHeight) ||
        GetRandomIntInRange(0, 1) == 1) {
        SetEntityRecordsCollisions(ped, true);
    }
    if (!(height > MinimumParachuteHeight)) {
        return;
    }
    if (GetPedMaxHealth(ped) == ParachuteMarkerHealth) {
        return;
    }
    if (IsPedRagdoll(ped)) {
        LeaveRagdoll(ped);
    }
    if (IsPedInAnyVehicle(ped)) {
        return;
    }
    if (!IsPedFalling(ped)) {
        return;
    }
    SetPedKeepTask(ped);

    const EntityHandle target = PickNearestTrackedPed(ped);
    Plugin.ParachuteTarget = GetEntityPosition(target);
    if (GetPedMaxHealth(ped) == ParachuteMarkerHealth) {
        return;
    }
    if (state == ParachuteDeployedFirst || state == ParachuteDeployedSecond) {
        return;
    }

    GiveDelayedWeaponToPed(ped, GetHashKey("GADGET_PARACHUTE"), true);
    // Marked only once the ped shows it took the parachute; otherwise it is
    // offered again on a later run.
    if (GetPedParachuteState(ped) != NoParachute) {
        SetPedMaxHealth(ped, ParachuteMarkerHealth);
    }

    // Without a safe point the search leaves this untouched, and the ped
    // glides to the target's own position.
    Vec3 landing = Plugin.ParachuteTarget;
    GetSafeCoordForPed(Plugin.ParachuteTarget.x, Plugin.ParachuteTarget.y, Plugin.ParachuteTarget.z,
                       true, &landing, 0);
    TaskParachuteToTarget(ped, landing.x, landing.y, landing.z);
    SetEntityRecordsCollisions(ped, false);
}

#include "tracking/ped_tasks.h"

#include "host/natives.h"

namespace {

const int PilotCombatAttribute = 46;

}  // namespace

void ResetPedTasks(EntityHandle ped) {
    game::ClearPedTasks(ped);
    game::ClearPedSecondaryTask(ped);
}

void JoinPilotGroup(EntityHandle ped) {
    game::SetPedRelationshipGroupHash(ped, game::GetHashKey("COUGAR"));
    game::SetBlockingOfNonTemporaryEvents(ped);
    game::SetPedFleeAttributes(ped, 0, false);
    game::SetPedCombatAttributes(ped, PilotCombatAttribute, true);
}

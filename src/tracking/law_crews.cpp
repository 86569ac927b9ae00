#include "tracking/law_crews.h"

#include "host/natives.h"

namespace {

const int ShotgunDrawOdds = 10;

bool InTypeMask(unsigned mask, int pedType) {
    return pedType >= 0 && pedType <= 29 && ((mask >> pedType) & 1u) != 0;
}

}  // namespace

bool IsCrewPedType(int pedType) {
    return InTypeMask(CrewPedTypes, pedType);
}

bool IsPoliceType(int pedType) {
    return InTypeMask(PoliceTypeMask, pedType);
}

void ArmLawCrew(EntityHandle ped, bool shotgunAlways) {
    game::GiveDelayedWeaponToPed(ped, game::GetHashKey("WEAPON_NIGHTSTICK"), false);
    game::GiveDelayedWeaponToPed(ped, game::GetHashKey("WEAPON_PISTOL"), false);
    if (shotgunAlways || game::GetRandomIntInRange(0, ShotgunDrawOdds) == 0) {
        game::GiveDelayedWeaponToPed(ped, game::GetHashKey("WEAPON_PUMPSHOTGUN"), true);
    }
}

// Peds: the player, state queries, the parachute and other weapons, pilot
// attributes, and the creation of random peds, drivers and crews.
#include <algorithm>

#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

const EntityKind kPedKind = EntityKind::Ped;

// A human ped in the air on foot can take a parachute; an animal cannot wear
// one, so its parachute state stays -1.
bool CanPutOnParachute(const World& world, const Entity& ped) {
    return ped.human && ped.vehicle == 0 && (ped.falling || ped.position.z - world.groundZ > 2.0f);
}

bool InVehicleOfType(World& world, NativeCall& call, VehicleType type) {
    const Entity* ped = FindPed(world, call.Int(0));
    const Entity* vehicle = ped ? VehicleOf(world, *ped) : nullptr;
    return vehicle && ModelType(world, vehicle->model) == type;
}

}  // namespace

void Op_GetPlayerPed(World& world, NativeCall& call) {
    call.ReturnInt(world.playerPed);
}

void Op_SetPedNoLongerNeeded(World& world, NativeCall& call) {
    ReleaseThroughRef(world, call, &kPedKind);
}

void Op_DeletePed(World& world, NativeCall& call) {
    DeleteThroughRef(world, call, &kPedKind);
}

void Op_IsPedHuman(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnBool(ped && ped->human);
}

void Op_IsPedDeadOrDying(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnBool(ped && !ped->alive);
}

void Op_IsPedInAnyVehicle(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnBool(ped && VehicleOf(world, *ped) != nullptr);
}

void Op_GetVehiclePedIsUsing(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    const Entity* vehicle = ped ? VehicleOf(world, *ped) : nullptr;
    call.ReturnInt(vehicle ? vehicle->handle : 0);
}

void Op_IsPedInAnyPlane(World& world, NativeCall& call) {
    call.ReturnBool(InVehicleOfType(world, call, VehicleType::Plane));
}

void Op_IsPedInAnyHeli(World& world, NativeCall& call) {
    call.ReturnBool(InVehicleOfType(world, call, VehicleType::Heli));
}

void Op_IsPedInAnyPoliceVehicle(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    const Entity* vehicle = ped ? VehicleOf(world, *ped) : nullptr;
    call.ReturnBool(vehicle && vehicle->police);
}

void Op_IsPedFleeing(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnBool(ped && ped->fleeing);
}

void Op_IsPedFalling(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnBool(ped && ped->falling);
}

void Op_IsPedRagdoll(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnBool(ped && ped->ragdoll);
}

// The target 1 names no entity (handles start far above it); the game takes
// it as "anyone", so the ped counts as in combat when it fights any live entity.
void Op_IsPedInCombat(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    const int32_t target = call.Int(1);
    bool fighting = false;
    if (ped) {
        for (int32_t enemy : ped->fighting) {
            if ((target == 1 || enemy == target) && FindEntity(world, enemy)) {
                fighting = true;
            }
        }
    }
    call.ReturnBool(fighting);
}

void Op_IsPedOnSpecificVehicle(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    const Entity* vehicle = FindVehicle(world, call.Int(1));
    call.ReturnBool(ped && vehicle && ped->vehicle == vehicle->handle);
}

void Op_GetPedType(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnInt(ped ? ped->pedType : 0);
}

void Op_GetPedParachuteState(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnInt(ped ? ped->parachuteState : -1);
}

void Op_GetPedMaxHealth(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    call.ReturnInt(ped ? ped->maxHealth : 0);
}

void Op_SetPedMaxHealth(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->maxHealth = call.Int(1);
    }
}

// Switching ragdoll off ends a ragdoll at once.
void Op_SetPedCanRagdoll(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->canRagdoll = call.Bool(1);
        if (!ped->canRagdoll) {
            ped->ragdoll = false;
        }
    }
}

void Op_SetPedRandomComponentVariation(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ++ped->componentVariations;
    }
}

void Op_SetPedRandomProps(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ++ped->propsRandomised;
    }
}

// A parachute given to a ped in the air is put on at once: its state moves
// from -1 to 0 (free fall with a parachute) in the same frame.
void Op_GiveDelayedWeaponToPed(World& world, NativeCall& call) {
    Entity* ped = FindPed(world, call.Int(0));
    if (!ped) {
        return;
    }
    const uint32_t weapon = call.Hash(1);
    const bool equip = call.Bool(3);
    auto it = std::find_if(ped->weapons.begin(), ped->weapons.end(),
                           [&](const WeaponRecord& w) { return w.hash == weapon; });
    if (it == ped->weapons.end()) {
        ped->weapons.push_back(WeaponRecord{weapon, 0, false});
        it = ped->weapons.end() - 1;
    }
    it->ammo += call.Int(2);
    if (equip) {
        for (WeaponRecord& w : ped->weapons) {
            w.equipped = false;
        }
        it->equipped = true;
    }
    if (weapon == HashName("GADGET_PARACHUTE") && ped->parachuteState == -1 &&
        CanPutOnParachute(world, *ped)) {
        ped->parachuteState = 0;
        ped->parachuteStateFrame = world.frame;
        ++world.stats.parachutesGiven;
    }
}

// Only an armed vehicle has weapons to select.
void Op_SetCurrentPedVehicleWeapon(World& world, NativeCall& call) {
    Entity* ped = FindPed(world, call.Int(0));
    const Entity* vehicle = ped ? VehicleOf(world, *ped) : nullptr;
    const VehicleModel* facts = vehicle ? FindVehicleModel(world, vehicle->model) : nullptr;
    if (!facts || !facts->hasWeapons) {
        call.ReturnBool(false);
        return;
    }
    ped->vehicleWeapon = call.Hash(1);
    call.ReturnBool(true);
}

void Op_SetPedRelationshipGroupHash(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->relationshipGroup = call.Hash(1);
    }
}

void Op_SetBlockingOfNonTemporaryEvents(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->blockingEvents = call.Bool(1);
    }
}

// Attributes 0 mean "never flee": a fleeing ped stops.
void Op_SetPedFleeAttributes(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->fleeAttributes = call.Int(1);
        if (ped->fleeAttributes == 0) {
            ped->fleeing = false;
        }
    }
}

void Op_SetPedCombatAttributes(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        if (call.Bool(2)) {
            ped->combatAttributes.insert(call.Int(1));
        } else {
            ped->combatAttributes.erase(call.Int(1));
        }
    }
}

void Op_SetPedKeepTask(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->keepTask = call.Bool(1);
    }
}

void Op_CanCreateRandomPed(World& world, NativeCall& call) {
    call.ReturnBool(CountEntities(world, EntityKind::Ped) < world.pedPoolLimit);
}

void Op_CreateRandomPed(World& world, NativeCall& call) {
    if (CountEntities(world, EntityKind::Ped) >= world.pedPoolLimit) {
        call.ReturnInt(0);
        return;
    }
    int pedType = 4;
    uint32_t model = 0;
    RandomCivilian(world, &pedType, &model);
    call.ReturnInt(
        CreateScriptPed(world, model, pedType, Vec{call.Float(0), call.Float(1), call.Float(2)}));
}

// A random driver suits the vehicle: police in police vehicles, army in
// military ones, civilians otherwise. None when the driver's seat is taken.
void Op_CreateRandomPedAsDriver(World& world, NativeCall& call) {
    Entity* vehicle = FindVehicle(world, call.Int(0));
    if (!vehicle || vehicle->occupants.empty() || vehicle->occupants[0] != 0 ||
        CountEntities(world, EntityKind::Ped) >= world.pedPoolLimit) {
        call.ReturnInt(0);
        return;
    }
    int pedType = 4;
    uint32_t model = 0;
    RandomDriverFor(world, vehicle, &pedType, &model);
    const int32_t driver = CreateScriptPed(world, model, pedType, vehicle->position);
    SeatPed(world, driver, vehicle->handle, -1);
    call.ReturnInt(driver);
}

void Op_CreatePedInsideVehicle(World& world, NativeCall& call) {
    Entity* vehicle = FindVehicle(world, call.Int(0));
    const int pedType = call.Int(1);
    const uint32_t model = call.Hash(2);
    const int seat = call.Int(3);
    if (!vehicle || !IsPedModel(world, model) || seat < -1 ||
        seat + 1 >= static_cast<int>(vehicle->occupants.size()) ||
        vehicle->occupants[static_cast<size_t>(seat + 1)] != 0) {
        call.ReturnInt(0);
        return;
    }
    const int32_t ped = CreateScriptPed(world, model, pedType, vehicle->position);
    if (ped != 0) {
        SeatPed(world, ped, vehicle->handle, seat);
    }
    call.ReturnInt(ped);
}

// A walkable point next to the given one, on the ground; none inside an
// unwalkable area, where the point written is zero (or, in a silent area,
// nothing is written).
void Op_GetSafeCoordForPed(World& world, NativeCall& call) {
    const Vec point{call.Float(0), call.Float(1), call.Float(2)};
    void* out = call.Ptr<void>(4);
    for (const RoadArea& area : world.unwalkableSilentAreas) {
        if (point.x >= area.minX && point.x <= area.maxX && point.y >= area.minY &&
            point.y <= area.maxY) {
            call.ReturnBool(false);
            return;
        }
    }
    for (const RoadArea& area : world.unwalkableAreas) {
        if (point.x >= area.minX && point.x <= area.maxX && point.y >= area.minY &&
            point.y <= area.maxY) {
            if (out) {
                WriteVec3(out, Vec{});
            }
            call.ReturnBool(false);
            return;
        }
    }
    const Vec safe{point.x + 1.5f, point.y, call.Bool(3) ? world.groundZ : point.z};
    if (out) {
        WriteVec3(out, safe);
    }
    call.ReturnBool(true);
}

}  // namespace sim

// Vehicles: creation, seats and occupants, plates, weapons, engine and
// motion settings, and the searches for vehicles near a point or a ped.
#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

const EntityKind kVehicleKind = EntityKind::Vehicle;
constexpr int32_t kRocketWreckOneIn = 10;

bool IsRocket(uint32_t weapon) {
    return weapon == HashName("VEHICLE_WEAPON_PLANE_ROCKET") ||
           weapon == HashName("VEHICLE_WEAPON_SPACE_ROCKET");
}

// The seat's place in `occupants`, -1 when the vehicle has no such seat.
int SeatIndex(const Entity& vehicle, int seat) {
    const int index = seat + 1;
    return index >= 0 && index < static_cast<int>(vehicle.occupants.size()) ? index : -1;
}

// Vehicles within `radius` of a point, nearest first (handle order on ties).
std::vector<int32_t> VehiclesNear(const World& world, Vec point, float radius, uint32_t model,
                                  int32_t except) {
    std::vector<std::pair<float, int32_t>> found;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind != EntityKind::Vehicle || handle == except || (model != 0 && e.model != model)) {
            continue;
        }
        const float d = Distance(point, e.position);
        if (d <= radius) {
            found.emplace_back(d, handle);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<int32_t> handles;
    for (const auto& f : found) {
        handles.push_back(f.second);
    }
    return handles;
}

}  // namespace

void Op_GetPlayersLastVehicle(World& world, NativeCall& call) {
    call.ReturnInt(FindVehicle(world, world.playerLastVehicle) ? world.playerLastVehicle : 0);
}

// Only a loaded vehicle model can be created, and only while the pool has room.
void Op_CreateVehicle(World& world, NativeCall& call) {
    const uint32_t model = call.Hash(0);
    if (!world.knownModelHashes.count(model) || !world.loadedModels.count(model)) {
        call.ReturnInt(0);
        return;
    }
    const int32_t handle = CreateVehicleEntity(
        world, model, Vec{call.Float(1), call.Float(2), call.Float(3)}, call.Float(4));
    if (Entity* vehicle = FindEntity(world, handle)) {
        vehicle->missionEntity = true;
        vehicle->createdByScript = true;
        const char* type = VehicleTypeName(ModelType(world, model));
        ++world.stats.vehiclesCreatedByType[type];
        // A vehicle made on a road node's spot is a road-node spawn; one made
        // anywhere else takes the place of a vehicle being replaced.
        bool onNode = false;
        for (const RoadNode& node : world.roadNodes) {
            onNode = onNode || (node.position.x == vehicle->position.x &&
                                node.position.y == vehicle->position.y);
        }
        ++(onNode ? world.stats.nodeSpawnsByType : world.stats.replacementsByType)[type];
    }
    call.ReturnInt(handle);
}

void Op_SetVehicleNoLongerNeeded(World& world, NativeCall& call) {
    ReleaseThroughRef(world, call, &kVehicleKind);
}

void Op_DeleteVehicle(World& world, NativeCall& call) {
    DeleteThroughRef(world, call, &kVehicleKind);
}

void Op_GetPedInVehicleSeat(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    const int index = vehicle ? SeatIndex(*vehicle, call.Int(1)) : -1;
    call.ReturnInt(index >= 0 ? vehicle->occupants[static_cast<size_t>(index)] : 0);
}

// A seat the vehicle does not have is not free; -2 asks for any passenger seat.
void Op_IsVehicleSeatFree(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    const int seat = call.Int(1);
    bool free = false;
    if (vehicle && seat == -2) {
        for (size_t i = 1; i < vehicle->occupants.size(); ++i) {
            free = free || vehicle->occupants[i] == 0;
        }
    } else if (vehicle) {
        const int index = SeatIndex(*vehicle, seat);
        free = index >= 0 && vehicle->occupants[static_cast<size_t>(index)] == 0;
    }
    call.ReturnBool(free);
}

// Arguments: vehicle, include the driver, include dead occupants.
void Op_GetVehicleNumberOfPassengers(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    const bool includeDriver = call.Bool(1);
    const bool includeDead = call.Bool(2);
    int count = 0;
    if (vehicle) {
        for (size_t i = includeDriver ? 0 : 1; i < vehicle->occupants.size(); ++i) {
            const Entity* ped = FindEntity(world, vehicle->occupants[i]);
            if (ped && (includeDead || ped->alive)) {
                ++count;
            }
        }
    }
    call.ReturnInt(count);
}

void Op_IsVehicleDriveable(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    call.ReturnBool(vehicle && vehicle->alive && vehicle->driveable);
}

void Op_IsVehicleAttachedToTrailer(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    call.ReturnBool(vehicle && vehicle->towingTrailer);
}

void Op_DoesVehicleHaveWeapons(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    const VehicleModel* facts = vehicle ? FindVehicleModel(world, vehicle->model) : nullptr;
    call.ReturnBool(facts && facts->hasWeapons);
}

// Fires the selected vehicle weapon of the driver's armed vehicle at the
// target. A shot in sight of the target hits it (damaged by a vehicle), and
// one rocket hit in kRocketWreckOneIn wrecks what it hits: the target's
// vehicle, or the target on foot. The player is never wrecked.
void Op_SetVehicleShootAtTarget(World& world, NativeCall& call) {
    Entity* driver = FindPed(world, call.Int(0));
    Entity* vehicle = driver ? VehicleOf(world, *driver) : nullptr;
    const VehicleModel* facts = vehicle ? FindVehicleModel(world, vehicle->model) : nullptr;
    Entity* target = FindEntity(world, call.Int(1));
    if (!facts || !facts->hasWeapons || driver->vehicleWeapon == 0 || !target) {
        call.ReturnBool(false);
        return;
    }
    ++vehicle->shotsFired;
    const bool rocket = IsRocket(driver->vehicleWeapon);
    if (rocket) {
        ++world.stats.rocketsFired;
    }
    if (HasLineOfSight(world, *vehicle, *target)) {
        Entity* hit = target;
        if (Entity* carrier =
                target->kind == EntityKind::Ped ? VehicleOf(world, *target) : nullptr) {
            hit = carrier;
        }
        hit->damagedByVehicle = true;
        target->damagedByVehicle = true;
        const bool players =
            hit->handle == world.playerPed || hit->handle == world.playerLastVehicle;
        if (rocket && hit->alive && !players &&
            WorldRandomInRange(world, 0, kRocketWreckOneIn) == 0) {
            Wreck(world, *hit);
            ++world.stats.wrecksByRockets;
        }
    }
    call.ReturnBool(true);
}

void Op_SetVehicleNumberPlateText(World& world, NativeCall& call) {
    Entity* vehicle = FindVehicle(world, call.Int(0));
    const char* text = call.Str(1);
    if (!vehicle || !text) {
        return;
    }
    vehicle->plate = std::string(text).substr(0, 8);  // plates hold eight characters
    ++world.stats.platesWritten;
}

void Op_GetVehicleNumberPlateText(World& world, NativeCall& call) {
    const Entity* vehicle = FindVehicle(world, call.Int(0));
    call.ReturnText(KeepText(world, vehicle ? vehicle->plate : std::string()));
}

void Op_SetVehicleEngineOn(World& world, NativeCall& call) {
    if (Entity* vehicle = FindVehicle(world, call.Int(0))) {
        vehicle->engineOn = call.Bool(1);
    }
}

void Op_SetVehicleForwardSpeed(World& world, NativeCall& call) {
    if (Entity* vehicle = FindVehicle(world, call.Int(0))) {
        const Vec dir = HeadingDirection(vehicle->heading);
        const float speed = call.Float(1);
        vehicle->velocity = Vec{dir.x * speed, dir.y * speed, 0.0f};
    }
}

// Puts a vehicle down on the ground, unless it is an aircraft in flight.
void Op_SetVehicleOnGroundProperly(World& world, NativeCall& call) {
    Entity* vehicle = FindVehicle(world, call.Int(0));
    if (!vehicle || IsAircraftType(ModelType(world, vehicle->model))) {
        call.ReturnBool(false);
        return;
    }
    vehicle->position.z = world.groundZ;
    vehicle->velocity.z = 0.0f;
    call.ReturnBool(true);
}

void Op_SetHeliBladesFullSpeed(World& world, NativeCall& call) {
    if (Entity* vehicle = FindVehicle(world, call.Int(0))) {
        vehicle->bladesFullSpeed = true;
    }
}

void Op_ControlLandingGear(World& world, NativeCall& call) {
    if (Entity* vehicle = FindVehicle(world, call.Int(0))) {
        vehicle->landingGear = call.Int(1);
    }
}

// The nearest vehicle in the sphere (of the model, unless 0), 0 if none.
void Op_GetRandomVehicleInSphere(World& world, NativeCall& call) {
    const std::vector<int32_t> near = VehiclesNear(
        world, Vec{call.Float(0), call.Float(1), call.Float(2)}, call.Float(3), call.Hash(4), 0);
    call.ReturnInt(near.empty() ? 0 : near.front());
}

// Vehicles around the ped, nearest first, not its own; at most the capacity
// in the buffer's first slot, one handle per 8-byte slot after it.
void Op_GetPedNearbyVehicles(World& world, NativeCall& call) {
    const Entity* ped = FindPed(world, call.Int(0));
    int32_t* buffer = call.Ptr<int32_t>(1);
    if (!ped || !buffer || buffer[0] <= 0) {
        call.ReturnInt(0);
        return;
    }
    const int capacity = buffer[0];
    const std::vector<int32_t> near =
        VehiclesNear(world, ped->position, world.nearbyVehicleRadius, 0, ped->vehicle);
    const int count = std::min(capacity, static_cast<int>(near.size()));
    for (int k = 1; k <= count; ++k) {
        buffer[2 * k] = near[static_cast<size_t>(k - 1)];
        buffer[2 * k + 1] = 0;
    }
    call.ReturnInt(count);
}

void Op_GetDisplayNameFromVehicleModel(World& world, NativeCall& call) {
    const uint32_t model = call.Hash(0);
    std::string text = "CARNOTFOUND";
    const VehicleModel* facts = FindVehicleModel(world, model);
    if (facts && !facts->displayName.empty()) {
        text = facts->displayName;
    } else if (world.knownModelHashes.count(model)) {
        text = NameOfHash(world, model);
        for (char& c : text) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    call.ReturnText(KeepText(world, text));
}

}  // namespace sim

#include "sim/world/population.h"

#include <vector>

#include "sim/ops/ops_common.h"

namespace sim {

namespace {

// Pedestrians keep to this ring around the player.
constexpr float kPedSpawnMin = 50.0f;
constexpr float kPedSpawnMax = 150.0f;
// A spawn needs this much room on its node.
constexpr float kSpawnClearance = 10.0f;
// One ambient vehicle in this many is a police car while random cops are on.
constexpr int kPoliceOneIn = 8;

// Where the population centres: the player, or the camera without one.
Vec Centre(const World& world) {
    const Entity* player = FindEntity(world, world.playerPed);
    return player ? player->position : world.camera.position;
}

bool IsHeld(const Entity& e) {
    return e.missionEntity && !e.released;
}

// The vehicle the player sits in, 0 on foot (or without a player).
int32_t PlayersVehicle(const World& world) {
    const Entity* player = FindEntity(world, world.playerPed);
    return player ? player->vehicle : 0;
}

bool IsPlayersOwn(const World& world, const Entity& e, int32_t playerVehicle) {
    return e.handle == world.playerPed || e.handle == world.playerLastVehicle ||
           (playerVehicle != 0 && (e.handle == playerVehicle || e.vehicle == playerVehicle));
}

// The tests are free of side effects; the cheap ones come first.
bool MayBeCleanedUp(World& world, const Entity& e, Vec centre, int32_t playerVehicle) {
    if (!(e.released || e.ambient) || !(Distance(centre, e.position) > world.cleanupDistance) ||
        IsPlayersOwn(world, e, playerVehicle)) {
        return false;
    }
    if (e.kind == EntityKind::Ped && e.vehicle != 0) {
        return false;  // goes with its vehicle
    }
    if (e.kind == EntityKind::Vehicle) {
        if (ModelType(world, e.model) == VehicleType::Plane &&
            e.position.z - world.groundZ > 5.0f) {
            return false;
        }
        for (int32_t occupant : e.occupants) {
            const Entity* ped = FindEntity(world, occupant);
            if (ped && (IsHeld(*ped) || ped->handle == world.playerPed)) {
                return false;
            }
        }
    }
    return !IsEntityVisible(world, e);
}

int CountNear(const World& world, EntityKind kind, Vec centre, float radius, bool onFootOnly) {
    const int32_t playerVehicle = PlayersVehicle(world);
    int count = 0;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind == kind && handle != world.playerPed && !IsPlayersOwn(world, e, playerVehicle) &&
            (!onFootOnly || e.vehicle == 0) && Distance(centre, e.position) <= radius) {
            ++count;
        }
    }
    return count;
}

// Road nodes in the ring around the centre, free of vehicles and, unless
// `allowVisible`, out of the camera's sight.
std::vector<size_t> SpawnNodes(const World& world, Vec centre, float minDistance, float maxDistance,
                               bool allowVisible) {
    // Every node is tested against every vehicle: gather their positions once.
    std::vector<Vec> vehicles;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind == EntityKind::Vehicle) {
            vehicles.push_back(e.position);
        }
    }
    std::vector<size_t> nodes;
    for (size_t i = 0; i < world.roadNodes.size(); ++i) {
        const Vec p = world.roadNodes[i].position;
        const float d = Distance(centre, p);
        if (d < minDistance || d > maxDistance) {
            continue;
        }
        bool occupied = false;
        for (const Vec& vehicle : vehicles) {
            if (Distance(p, vehicle) <= kSpawnClearance) {
                occupied = true;
                break;
            }
        }
        if (occupied) {
            continue;
        }
        if (!allowVisible && IsPointVisible(world, Vec{p.x, p.y, p.z + 2.0f}, 10.0f)) {
            continue;
        }
        nodes.push_back(i);
    }
    return nodes;
}

uint32_t PickTrafficModel(World& world) {
    if (world.createRandomCops && WorldRandomInRange(world, 0, kPoliceOneIn) == 0) {
        const uint32_t police = HashName("police");
        if (!world.suppressedModels.count(police)) {
            return police;
        }
    }
    std::vector<uint32_t> models;
    for (uint32_t model : world.ambientVehicleModels) {
        if (!world.suppressedModels.count(model)) {
            models.push_back(model);
        }
    }
    if (models.empty()) {
        return 0;
    }
    return models[static_cast<size_t>(
        WorldRandomInRange(world, 0, static_cast<int32_t>(models.size())))];
}

// One car with a driver on a node, driving either way along the street.
bool SpawnTrafficAt(World& world, const RoadNode& node) {
    const uint32_t model = PickTrafficModel(world);
    if (model == 0 || CountEntities(world, EntityKind::Ped) >= world.pedPoolLimit) {
        return false;
    }
    const float heading = WorldRandomInRange(world, 0, 2) == 0 ? node.heading
                          : node.heading >= 180.0f             ? node.heading - 180.0f
                                                               : node.heading + 180.0f;
    const int32_t handle = CreateVehicleEntity(world, model, node.position, heading);
    Entity* vehicle = FindEntity(world, handle);
    if (!vehicle) {
        return false;
    }
    vehicle->ambient = true;
    vehicle->engineOn = true;
    vehicle->cruiseSpeed = static_cast<float>(WorldRandomInRange(world, 9, 16));
    const Vec dir = HeadingDirection(heading);
    vehicle->velocity = Vec{dir.x * vehicle->cruiseSpeed, dir.y * vehicle->cruiseSpeed, 0.0f};
    int pedType = 4;
    uint32_t pedModel = 0;
    RandomDriverFor(world, vehicle, &pedType, &pedModel);
    const int32_t driver = CreatePed(world, pedModel, pedType, node.position);
    if (Entity* ped = FindEntity(world, driver)) {
        ped->ambient = true;
    }
    SeatPed(world, driver, handle, -1);
    ++world.stats.ambientVehiclesSpawned;
    return true;
}

int TopUpTrafficFrom(World& world, int maxSpawns, float minDistance, bool allowVisible) {
    if (world.ambientVehicleTarget <= 0 || world.roadNodes.empty()) {
        return 0;
    }
    const Vec centre = Centre(world);
    int spawned = 0;
    while (spawned < maxSpawns &&
           CountNear(world, EntityKind::Vehicle, centre, world.ambientSpawnMax, false) <
               world.ambientVehicleTarget &&
           CountEntities(world, EntityKind::Vehicle) < world.vehiclePoolLimit) {
        const std::vector<size_t> nodes =
            SpawnNodes(world, centre, minDistance, world.ambientSpawnMax, allowVisible);
        if (nodes.empty()) {
            break;
        }
        const size_t pick = nodes[static_cast<size_t>(
            WorldRandomInRange(world, 0, static_cast<int32_t>(nodes.size())))];
        if (!SpawnTrafficAt(world, world.roadNodes[pick])) {
            break;
        }
        ++spawned;
    }
    return spawned;
}

}  // namespace

int CleanUpAmbient(World& world) {
    const Vec centre = Centre(world);
    const int32_t playerVehicle = PlayersVehicle(world);
    std::vector<int32_t> doomed;
    for (const auto& [handle, e] : world.entities) {
        if (MayBeCleanedUp(world, e, centre, playerVehicle)) {
            doomed.push_back(handle);
        }
    }
    int removed = 0;
    for (int32_t handle : doomed) {
        Entity* e = FindEntity(world, handle);
        if (!e) {
            continue;
        }
        if (e->kind == EntityKind::Vehicle) {
            const std::vector<int32_t> occupants = e->occupants;
            for (int32_t occupant : occupants) {
                const Entity* ped = FindEntity(world, occupant);
                if (ped && (ped->ambient || ped->released)) {
                    RemoveEntity(world, occupant);
                    ++removed;
                }
            }
        }
        RemoveEntity(world, handle);
        ++removed;
    }
    world.stats.entitiesCleanedUp += removed;
    return removed;
}

int TopUpTraffic(World& world, int maxSpawns) {
    return TopUpTrafficFrom(world, maxSpawns, world.ambientSpawnMin, false);
}

int TopUpPedestrians(World& world, int maxSpawns) {
    if (world.ambientPedTarget <= 0 || world.roadNodes.empty()) {
        return 0;
    }
    const Vec centre = Centre(world);
    int spawned = 0;
    while (spawned < maxSpawns &&
           CountNear(world, EntityKind::Ped, centre, kPedSpawnMax, true) < world.ambientPedTarget &&
           CountEntities(world, EntityKind::Ped) < world.pedPoolLimit) {
        const std::vector<size_t> nodes =
            SpawnNodes(world, centre, kPedSpawnMin, kPedSpawnMax, false);
        if (nodes.empty()) {
            break;
        }
        const RoadNode& node = world.roadNodes[nodes[static_cast<size_t>(
            WorldRandomInRange(world, 0, static_cast<int32_t>(nodes.size())))]];
        // On the pavement beside the street.
        const Vec side = HeadingDirection(node.heading + 90.0f);
        int pedType = 4;
        uint32_t model = 0;
        RandomCivilian(world, &pedType, &model);
        const Vec at{node.position.x + side.x * 7.0f, node.position.y + side.y * 7.0f,
                     world.groundZ};
        if (Entity* ped = FindEntity(world, CreatePed(world, model, pedType, at))) {
            ped->ambient = true;
            ped->heading = node.heading;
            ++world.stats.ambientPedsSpawned;
            ++spawned;
        } else {
            break;
        }
    }
    return spawned;
}

int PopulateAround(World& world) {
    return TopUpTrafficFrom(world, world.ambientVehicleTarget, 40.0f, true) +
           TopUpPedestrians(world, world.ambientPedTarget);
}

}  // namespace sim

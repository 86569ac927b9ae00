// One frame of the world: streaming, driving along the streets, flying,
// falling and parachuting, the camera, and the ambient population.
#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/chaos/chaos.h"
#include "sim/core/det_math.h"
#include "sim/ops/ops_common.h"
#include "sim/world/population.h"

namespace sim {

namespace {

constexpr float kGravity = 9.81f;
constexpr float kTerminalFallSpeed = 55.0f;
constexpr float kFatalImpactSpeed = 25.0f;  // a ped (not the player) landing faster dies
constexpr float kCarAcceleration = 4.0f;    // m/s^2, speeding up and braking alike
constexpr float kCoastDeceleration = 5.0f;  // a driverless car rolls to a stop
constexpr float kPedStopDeceleration = 8.0f;
constexpr float kWalkingSpeed = 2.0f;
constexpr float kPlaneCruiseSpeed = 50.0f;
constexpr float kPlaneMaxSpeed = 70.0f;
constexpr float kPlaneTurnRate = 30.0f;  // degrees per second
constexpr float kPlaneChaseHeight = 60.0f;
constexpr float kPlaneMinHeight = 30.0f;
constexpr float kHeliMaxSpeed = 25.0f;
constexpr float kHeliChaseHeight = 30.0f;
constexpr float kParachuteGlideSpeed = 8.0f;
constexpr float kParachuteOpeningSinkRate = 8.0f;
constexpr float kParachuteSinkRate = 4.0f;
constexpr float kParachuteLandingSinkRate = 2.0f;
constexpr float kParachuteLandingHeight = 3.0f;
constexpr int kParachuteOpeningFrames = 20;
constexpr int kAmbientSpawnPeriodFrames = 20;

float Approach(float value, float target, float step) {
    if (value < target) {
        return std::min(target, value + step);
    }
    return std::max(target, value - step);
}

float HorizontalSpeed(const Vec& v) {
    return Distance2D(Vec{}, v);
}

Vec Add(Vec a, Vec b, float scale) {
    return Vec{a.x + b.x * scale, a.y + b.y * scale, a.z + b.z * scale};
}

void AdvanceStreaming(World& world) {
    std::vector<StreamingRequest> pending;
    for (const StreamingRequest& request : world.streaming) {
        if (request.readyFrame > world.frame) {
            pending.push_back(request);
        } else if (!world.neverLoadingModels.count(request.model)) {
            world.loadedModels.insert(request.model);
        }
    }
    world.streaming = pending;
}

// --- Streets ---------------------------------------------------------------------

// The grid street the vehicle drives along, with its heading snapped to the
// street; null when it is on none.
const StreetGrid* StreetUnder(const World& world, Entity& vehicle) {
    const double h = ReduceDegrees(vehicle.heading);
    const double snapped = std::round(h / 90.0) * 90.0;
    if (std::fabs(h - snapped) > 10.0) {
        return nullptr;
    }
    const bool northSouth =
        std::fabs(ReduceDegrees(snapped)) == 0.0 || std::fabs(ReduceDegrees(snapped)) == 180.0;
    for (const StreetGrid& grid : world.streetGrids) {
        const double across =
            northSouth ? vehicle.position.x - grid.originX : vehicle.position.y - grid.originY;
        const double along =
            northSouth ? vehicle.position.y - grid.originY : vehicle.position.x - grid.originX;
        const int lines = northSouth ? grid.blocksX : grid.blocksY;
        const int length = northSouth ? grid.blocksY : grid.blocksX;
        const double line = std::round(across / grid.blockSize);
        if (line < 0 || line > lines || std::fabs(across - line * grid.blockSize) > 1.0 ||
            along < -1.0 || along > length * grid.blockSize + 1.0) {
            continue;
        }
        // On it: put the vehicle exactly on the line, heading exactly along it.
        vehicle.heading = static_cast<float>(snapped < 0 ? snapped + 360.0 : snapped);
        if (northSouth) {
            vehicle.position.x = static_cast<float>(grid.originX + line * grid.blockSize);
        } else {
            vehicle.position.y = static_cast<float>(grid.originY + line * grid.blockSize);
        }
        return &grid;
    }
    return nullptr;
}

// At a crossing: straight on twice as often as each turn, never off the grid,
// back only at a dead end.
float ChooseTurn(World& world, const StreetGrid& grid, int i, int j, float heading) {
    struct Way {
        float heading;
        bool open;
    };
    const Way ways[4] = {
        {0.0f, j < grid.blocksY}, {90.0f, i > 0}, {180.0f, j > 0}, {270.0f, i < grid.blocksX}};
    const int current = static_cast<int>(std::lround(heading / 90.0f)) & 3;
    const int straight = current;
    const int left = (current + 1) & 3;
    const int right = (current + 3) & 3;
    std::vector<int> choices;
    if (ways[straight].open) {
        choices.push_back(straight);
        choices.push_back(straight);
    }
    if (ways[left].open) {
        choices.push_back(left);
    }
    if (ways[right].open) {
        choices.push_back(right);
    }
    if (choices.empty()) {
        return ways[(current + 2) & 3].heading;
    }
    return ways[choices[static_cast<size_t>(
                    WorldRandomInRange(world, 0, static_cast<int32_t>(choices.size())))]]
        .heading;
}

// Moves a vehicle `distance` metres along the street it is on, turning at
// crossings; straight ahead when it is on no street.
void DriveAlong(World& world, Entity& vehicle, float distance) {
    const StreetGrid* grid = StreetUnder(world, vehicle);
    if (!grid) {
        const Vec dir = HeadingDirection(vehicle.heading);
        vehicle.position = Add(vehicle.position, dir, distance);
        return;
    }
    double remaining = distance;
    for (int turn = 0; turn < 3 && remaining > 0.0; ++turn) {
        const Vec dir = HeadingDirection(vehicle.heading);
        const bool northSouth = dir.x == 0.0f;
        const double sign = northSouth ? dir.y : dir.x;
        const double origin = northSouth ? grid->originY : grid->originX;
        const double coord = northSouth ? vehicle.position.y : vehicle.position.x;
        const double u = (coord - origin) / grid->blockSize;
        const double next = origin + grid->blockSize * (sign > 0 ? std::floor(u + 1e-9) + 1.0
                                                                 : std::ceil(u - 1e-9) - 1.0);
        const double toCrossing = std::fabs(next - coord);
        if (toCrossing > remaining) {
            const double moved = coord + sign * remaining;
            (northSouth ? vehicle.position.y : vehicle.position.x) = static_cast<float>(moved);
            return;
        }
        (northSouth ? vehicle.position.y : vehicle.position.x) = static_cast<float>(next);
        remaining -= toCrossing;
        const int i =
            static_cast<int>(std::lround((vehicle.position.x - grid->originX) / grid->blockSize));
        const int j =
            static_cast<int>(std::lround((vehicle.position.y - grid->originY) / grid->blockSize));
        vehicle.heading = ChooseTurn(world, *grid, i, j, vehicle.heading);
    }
}

// --- Vehicles ----------------------------------------------------------------------

Entity* DriverOf(World& world, const Entity& vehicle) {
    if (vehicle.occupants.empty()) {
        return nullptr;
    }
    Entity* driver = FindPed(world, vehicle.occupants[0]);
    return driver && driver->alive ? driver : nullptr;
}

// Falls without anyone at the controls; a hard landing wrecks it.
void FallUncontrolled(World& world, Entity& vehicle, float dt) {
    vehicle.velocity.z = std::max(-kTerminalFallSpeed, vehicle.velocity.z - kGravity * dt);
    vehicle.position = Add(vehicle.position, vehicle.velocity, dt);
    if (vehicle.position.z <= world.groundZ) {
        if (vehicle.velocity.z < -10.0f) {
            vehicle.alive = false;
            vehicle.driveable = false;
        }
        vehicle.position.z = world.groundZ;
        vehicle.velocity = Vec{};
    }
}

// Where an aircraft's pilot wants to go, from its task; false for none.
bool FlightGoal(World& world, const Entity& pilot, float chaseHeight, Vec* goal) {
    const TaskRecord* task = ActiveTask(pilot);
    if (!task) {
        return false;
    }
    if ((task->name == "TaskPlaneChase" || task->name == "TaskHeliChase") &&
        !task->values.empty()) {
        const Entity* target = FindEntity(world, static_cast<int32_t>(task->values[0]));
        if (!target) {
            return false;
        }
        *goal = Vec{target->position.x, target->position.y, target->position.z + chaseHeight};
        return true;
    }
    if ((task->name == "TaskPlaneMission" || task->name == "TaskHeliMission") &&
        task->values.size() >= 12) {
        const Entity* target = FindEntity(world, static_cast<int32_t>(task->values[1]));
        if (!target) {
            target = FindEntity(world, static_cast<int32_t>(task->values[2]));
        }
        Vec point =
            target ? target->position
                   : Vec{static_cast<float>(task->values[3]), static_cast<float>(task->values[4]),
                         static_cast<float>(task->values[5])};
        const float maxHeight = static_cast<float>(task->values[10]);
        const float minHeight = static_cast<float>(task->values[11]);
        point.z = std::clamp(point.z, world.groundZ + std::min(minHeight, maxHeight),
                             world.groundZ + std::max(minHeight, maxHeight));
        *goal = point;
        return true;
    }
    return false;
}

// The aircraft's pilot; without one it falls (when in the air) and there is none.
Entity* PilotOrFall(World& world, Entity& aircraft, float dt) {
    Entity* pilot = DriverOf(world, aircraft);
    if (!pilot && aircraft.position.z - world.groundZ > 0.05f) {
        FallUncontrolled(world, aircraft, dt);
    }
    return pilot;
}

void FlyPlane(World& world, Entity& plane, float dt) {
    Entity* pilot = PilotOrFall(world, plane, dt);
    if (!pilot) {
        return;
    }
    const float height = plane.position.z - world.groundZ;
    Vec goal;
    const bool hasGoal = FlightGoal(world, *pilot, kPlaneChaseHeight, &goal);
    float speed = std::min(HorizontalSpeed(plane.velocity), kPlaneMaxSpeed);
    if (!hasGoal && height <= 0.5f && speed < 1.0f) {
        return;  // parked
    }
    speed = Approach(speed, kPlaneCruiseSpeed, 5.0f * dt);
    float climb = 0.0f;
    if (hasGoal) {
        // Turn towards the goal at a limited rate; heading grows to the left.
        const Vec dir = HeadingDirection(plane.heading);
        const float dx = goal.x - plane.position.x;
        const float dy = goal.y - plane.position.y;
        const float cross = dir.x * dy - dir.y * dx;
        const float dot = dir.x * dx + dir.y * dy;
        const float flat = std::sqrt(dx * dx + dy * dy);
        const float maxTurn = kPlaneTurnRate * dt;
        if (flat > 1.0f && (dot < 0.0f || std::fabs(cross) > flat * 0.01f)) {
            plane.heading += cross >= 0.0f ? maxTurn : -maxTurn;
            plane.heading = static_cast<float>(ReduceDegrees(plane.heading));
            if (plane.heading < 0.0f) {
                plane.heading += 360.0f;
            }
        }
        climb = std::clamp((goal.z - plane.position.z) * 0.5f, -10.0f, 10.0f);
    }
    if (height < kPlaneMinHeight) {
        climb = std::max(climb, 5.0f);
    }
    const Vec dir = HeadingDirection(plane.heading);
    plane.velocity = Vec{dir.x * speed, dir.y * speed, climb};
    plane.position = Add(plane.position, plane.velocity, dt);
}

void FlyHeli(World& world, Entity& heli, float dt) {
    Entity* pilot = PilotOrFall(world, heli, dt);
    if (!pilot) {
        return;
    }
    Vec goal;
    if (!FlightGoal(world, *pilot, kHeliChaseHeight, &goal)) {
        // Hovers where it is, or stays on the ground.
        heli.velocity = Vec{};
        return;
    }
    const float dx = goal.x - heli.position.x;
    const float dy = goal.y - heli.position.y;
    const float flat = std::sqrt(dx * dx + dy * dy);
    const float speed = std::min(kHeliMaxSpeed, flat * 0.5f);
    heli.velocity.x = flat > 0.01f ? dx / flat * speed : 0.0f;
    heli.velocity.y = flat > 0.01f ? dy / flat * speed : 0.0f;
    heli.velocity.z = std::clamp((goal.z - heli.position.z) * 0.5f, -8.0f, 8.0f);
    heli.position = Add(heli.position, heli.velocity, dt);
    heli.position.z = std::max(heli.position.z, world.groundZ);
}

void DriveOnGround(World& world, Entity& vehicle, float dt) {
    if (vehicle.position.z > world.groundZ + 0.05f || vehicle.velocity.z > 0.0f) {
        FallUncontrolled(world, vehicle, dt);
        return;
    }
    vehicle.position.z = world.groundZ;
    const Entity* driver = DriverOf(world, vehicle);
    float speed = HorizontalSpeed(vehicle.velocity);
    if (driver && vehicle.alive && vehicle.driveable) {
        float target = vehicle.cruiseSpeed > 0.0f ? vehicle.cruiseSpeed : speed;
        if (driver->handle == world.playerPed) {
            target = world.playerDrives ? world.playerSpeed : 0.0f;
        }
        speed = Approach(speed, target, kCarAcceleration * dt);
        DriveAlong(world, vehicle, speed * dt);
        const Vec dir = HeadingDirection(vehicle.heading);
        vehicle.velocity = Vec{dir.x * speed, dir.y * speed, 0.0f};
        return;
    }
    // Rolls on in the direction it moves and comes to a stop.
    const float slower = std::max(0.0f, speed - kCoastDeceleration * dt);
    const float scale = speed > 0.0f ? slower / speed : 0.0f;
    vehicle.velocity = Vec{vehicle.velocity.x * scale, vehicle.velocity.y * scale, 0.0f};
    vehicle.position = Add(vehicle.position, vehicle.velocity, dt);
}

void MoveVehicle(World& world, Entity& vehicle, float dt) {
    if (!vehicle.alive) {
        // A wreck falls out of the air or rolls to a stop.
        if (vehicle.position.z > world.groundZ + 0.05f) {
            FallUncontrolled(world, vehicle, dt);
        } else {
            vehicle.cruiseSpeed = 0.0f;
            DriveOnGround(world, vehicle, dt);
        }
        return;
    }
    switch (ModelType(world, vehicle.model)) {
        case VehicleType::Plane:
            FlyPlane(world, vehicle, dt);
            break;
        case VehicleType::Heli:
            FlyHeli(world, vehicle, dt);
            break;
        default:
            DriveOnGround(world, vehicle, dt);
            break;
    }
}

// --- Peds ----------------------------------------------------------------------------

void SetParachuteState(World& world, Entity& ped, int state) {
    ped.parachuteState = state;
    ped.parachuteStateFrame = world.frame;
}

// Gliding under an open parachute towards the task's point.
void Glide(World& world, Entity& ped) {
    if (ped.parachuteState == 1 &&
        world.frame - ped.parachuteStateFrame >= kParachuteOpeningFrames) {
        SetParachuteState(world, ped, 2);
    }
    if (ped.parachuteState != 3 && ped.position.z - world.groundZ < kParachuteLandingHeight) {
        SetParachuteState(world, ped, 3);
    }
    Vec horizontal{};
    const TaskRecord* task = ActiveTask(ped);
    if (task && task->name == "TaskParachuteToTarget" && task->values.size() >= 2) {
        const float dx = static_cast<float>(task->values[0]) - ped.position.x;
        const float dy = static_cast<float>(task->values[1]) - ped.position.y;
        const float flat = std::sqrt(dx * dx + dy * dy);
        if (flat > 2.0f) {
            horizontal =
                Vec{dx / flat * kParachuteGlideSpeed, dy / flat * kParachuteGlideSpeed, 0.0f};
        }
    }
    const float sink = ped.parachuteState == 1   ? kParachuteOpeningSinkRate
                       : ped.parachuteState == 2 ? kParachuteSinkRate
                                                 : kParachuteLandingSinkRate;
    ped.velocity = Vec{horizontal.x, horizontal.y, -sink};
}

void Land(World& world, Entity& ped) {
    const float impact = -ped.velocity.z;
    ped.position.z = world.groundZ;
    ped.velocity = Vec{};
    ped.falling = false;
    ped.ragdoll = false;
    if (ped.parachuteState >= 1) {
        ++world.stats.parachuteLandings;
    } else if (impact > kFatalImpactSpeed && ped.alive && ped.handle != world.playerPed) {
        ped.alive = false;
        ++world.stats.fatalFalls;
    }
    if (ped.parachuteState != -1) {
        SetParachuteState(world, ped, -1);
        const uint32_t parachute = HashName("GADGET_PARACHUTE");
        ped.weapons.erase(
            std::remove_if(ped.weapons.begin(), ped.weapons.end(),
                           [&](const WeaponRecord& w) { return w.hash == parachute; }),
            ped.weapons.end());
    }
}

void MovePedOnFoot(World& world, Entity& ped, float dt) {
    const bool airborne = ped.position.z > world.groundZ + 0.05f || ped.velocity.z > 0.0f;
    if (!airborne) {
        if (ped.falling || ped.parachuteState != -1) {
            Land(world, ped);
        }
        ped.position.z = world.groundZ;
        ped.velocity.z = 0.0f;
        const float speed = HorizontalSpeed(ped.velocity);
        if (speed > kWalkingSpeed || !ped.alive) {
            const float slower =
                ped.alive ? std::max(kWalkingSpeed, speed - kPedStopDeceleration * dt) : 0.0f;
            const float scale = speed > 0.0f ? slower / speed : 0.0f;
            ped.velocity = Vec{ped.velocity.x * scale, ped.velocity.y * scale, 0.0f};
            if (slower <= kWalkingSpeed) {
                ped.velocity = Vec{};
            }
        }
        ped.position = Add(ped.position, ped.velocity, dt);
        return;
    }
    ped.falling = true;
    if (ped.parachuteState >= 1) {
        Glide(world, ped);
    } else {
        ped.velocity.z = std::max(-kTerminalFallSpeed, ped.velocity.z - kGravity * dt);
    }
    ped.position = Add(ped.position, ped.velocity, dt);
    if (ped.position.z <= world.groundZ) {
        Land(world, ped);
    }
}

void MoveEntities(World& world, float dt) {
    for (auto& [handle, e] : world.entities) {
        if (e.kind == EntityKind::Vehicle) {
            MoveVehicle(world, e, dt);
        }
    }
    for (auto& [handle, e] : world.entities) {
        if (e.kind != EntityKind::Ped) {
            continue;
        }
        if (const Entity* vehicle = FindVehicle(world, e.vehicle)) {
            e.position = vehicle->position;
            e.velocity = vehicle->velocity;
            e.heading = vehicle->heading;
            e.falling = false;
        } else {
            MovePedOnFoot(world, e, dt);
        }
    }
}

// The camera rides behind the player (or the player's vehicle), looking its way.
void FollowPlayer(World& world) {
    const Entity* player = FindEntity(world, world.playerPed);
    if (!world.cameraFollowsPlayer || !player) {
        return;
    }
    const Entity* vehicle = FindEntity(world, player->vehicle);
    const Entity& subject = vehicle ? *vehicle : *player;
    const Vec dir = HeadingDirection(subject.heading);
    const float back = vehicle ? 7.0f : 4.0f;
    world.camera.position = Vec{subject.position.x - dir.x * back,
                                subject.position.y - dir.y * back, subject.position.z + 2.0f};
    world.camera.rotation.z = subject.heading;
}

}  // namespace

void StepWorld(World& world) {
    if (!world.populated) {
        PopulateAround(world);
        world.populated = true;
    }
    ++world.frame;
    ApplyKeyEvents(world, world.frame);
    AdvanceStreaming(world);
    MoveEntities(world, world.frameTimeMs / 1000.0f);
    FollowPlayer(world);
    CleanUpAmbient(world);
    if (world.frame >= world.nextAmbientSpawnFrame) {
        TopUpTraffic(world, 1);
        TopUpPedestrians(world, 1);
        world.nextAmbientSpawnFrame = world.frame + kAmbientSpawnPeriodFrames;
    }
    ApplyWorldEvents(world);
}

}  // namespace sim

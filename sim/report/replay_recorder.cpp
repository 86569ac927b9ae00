#include "sim/report/replay_recorder.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace sim {

namespace {

// Handles below this are looked up in a flat table; the host hands them out
// counting up from 1000.
const int32_t FlatHandleLimit = 1 << 24;
// A replaced vehicle is deleted on the frame its replacement is made, near
// where the replacement stands (it drove on while the new model loaded).
const float ReplacedVehicleReach = 300.0f;

int Sum(const std::map<std::string, int>& byType) {
    int total = 0;
    for (const auto& entry : byType) {
        total += entry.second;
    }
    return total;
}

bool IsAircraftModel(const World& world, uint32_t model) {
    const VehicleModel* facts = FindVehicleModel(world, model);
    return facts != nullptr &&
           (facts->type == VehicleType::Plane || facts->type == VehicleType::Heli ||
            facts->type == VehicleType::Blimp);
}

// The same test the host makes when a vehicle is created: on a road node's
// very spot.
bool StandsOnRoadNode(const World& world, const Entity& vehicle) {
    for (const RoadNode& node : world.roadNodes) {
        if (node.position.x == vehicle.position.x && node.position.y == vehicle.position.y) {
            return true;
        }
    }
    return false;
}

bool HasWeapon(const Entity& ped, uint32_t weapon) {
    for (const WeaponRecord& w : ped.weapons) {
        if (w.hash == weapon) {
            return true;
        }
    }
    return false;
}

// The entity a ped chases or fights on its current task, 0 if none.
int32_t TaskTarget(const Entity& ped) {
    if (ped.activeTask < 0 || ped.activeTask >= static_cast<int>(ped.tasks.size())) {
        return 0;
    }
    const TaskRecord& task = ped.tasks[static_cast<size_t>(ped.activeTask)];
    if ((task.name == "TaskHeliChase" || task.name == "TaskPlaneChase" ||
         task.name == "TaskCombatPed") &&
        !task.values.empty()) {
        return static_cast<int32_t>(task.values[0]);
    }
    return 0;
}

const Entity* Pilot(const World& world, const Entity& vehicle) {
    return vehicle.occupants.empty() ? nullptr : FindEntity(world, vehicle.occupants[0]);
}

int32_t WholeMetres(float value) {
    if (!(std::fabs(value) < 1.0e7f)) {
        return value > 0 ? 10000000 : -10000000;  // NaN and the far away
    }
    return static_cast<int32_t>(std::lround(value));
}

}  // namespace

ReplayCounters ReadReplayCounters(const World& world) {
    const WorldStats& stats = world.stats;
    ReplayCounters c;
    c.replacements = Sum(stats.replacementsByType);
    c.nodeSpawns = Sum(stats.nodeSpawnsByType);
    c.vehiclesDeleted = stats.vehiclesDeleted;
    c.pedsDeleted = stats.pedsDeleted;
    c.parachutesGiven = stats.parachutesGiven;
    c.rocketsFired = stats.rocketsFired;
    return c;
}

int ReplayRecorder::IdOf(int32_t handle) const {
    if (handle <= 0 || handle >= static_cast<int32_t>(idByHandle_.size())) {
        return -1;
    }
    return idByHandle_[static_cast<size_t>(handle)] - 1;
}

int ReplayRecorder::Add(const World& world, const Entity& e, ReplayOrigin origin) {
    ReplayEntity r;
    r.handle = e.handle;
    r.kind = e.kind;
    r.model = e.model;
    r.aircraft = e.kind == EntityKind::Vehicle && IsAircraftModel(world, e.model);
    r.origin = origin;
    r.firstFrame = e.createdFrame;
    r.weapons = e.weapons.size();
    r.shotsFired = e.shotsFired;
    r.parachuteFrame = e.parachuteStateFrame;
    r.position = e.position;
    r.stamp = stamp_;
    const int id = static_cast<int>(entities_.size());
    entities_.push_back(r);
    if (e.handle > 0 && e.handle < FlatHandleLimit) {
        if (static_cast<size_t>(e.handle) >= idByHandle_.size()) {
            idByHandle_.resize(static_cast<size_t>(e.handle) * 2 + 1, 0);
        }
        idByHandle_[static_cast<size_t>(e.handle)] = id + 1;
    }
    present_.push_back(id);
    return id;
}

void ReplayRecorder::Event(int frame, ReplayEventKind kind, int entity, int other,
                           std::string note) {
    ReplayEvent event;
    event.frame = frame;
    event.kind = kind;
    event.entity = entity;
    event.other = other;
    event.note = std::move(note);
    events_.push_back(std::move(event));
}

std::vector<const Entity*> ReplayRecorder::Scan(const World& world) {
    ++stamp_;
    seen_ = 0;
    entityCount_ = world.entities.size();
    nextHandle_ = world.nextHandle;
    changed_.clear();
    std::vector<const Entity*> fresh;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind == EntityKind::Object) {
            continue;
        }
        const int id = IdOf(handle);
        if (id < 0 || entities_[static_cast<size_t>(id)].end != ReplayEnd::Present) {
            fresh.push_back(&e);
            continue;
        }
        ReplayEntity& r = entities_[static_cast<size_t>(id)];
        r.stamp = stamp_;
        ++seen_;
        r.position = e.position;
        if (e.weapons.size() != r.weapons || e.shotsFired != r.shotsFired ||
            e.parachuteStateFrame != r.parachuteFrame) {
            changed_.push_back(id);
        }
    }
    std::sort(fresh.begin(), fresh.end(), [](const Entity* a, const Entity* b) {
        const bool aVehicle = a->kind == EntityKind::Vehicle;
        const bool bVehicle = b->kind == EntityKind::Vehicle;
        return aVehicle != bVehicle ? aVehicle : a->handle < b->handle;
    });
    std::sort(changed_.begin(), changed_.end());
    return fresh;
}

std::vector<int> ReplayRecorder::Vanished() {
    std::vector<int> vanished;
    if (seen_ == present_.size()) {
        return vanished;
    }
    std::vector<int> present;
    present.reserve(present_.size());
    for (int id : present_) {
        (entities_[static_cast<size_t>(id)].stamp == stamp_ ? present : vanished).push_back(id);
    }
    present_ = std::move(present);
    return vanished;
}

bool ReplayRecorder::EntitiesChanged(const World& world) const {
    return world.entities.size() != entityCount_ || world.nextHandle != nextHandle_;
}

void ReplayRecorder::Start(const World& world) {
    if (world.frameTimeMs > 0.0f) {
        sampleEvery_ = std::max(1, static_cast<int>(std::lround(500.0 / world.frameTimeMs)));
    }
    counters_ = ReadReplayCounters(world);
    for (const Entity* e : Scan(world)) {
        const bool player = e->handle == world.playerPed ||
                            (e->handle == world.playerLastVehicle && e->handle != 0);
        Add(world, *e, player ? ReplayOrigin::Player : ReplayOrigin::World);
    }
    ObserveTrackedLists();
    Sample(world);
}

void ReplayRecorder::AfterScriptTurn(const World& world) {
    const ReplayCounters now = ReadReplayCounters(world);
    ReplayCounters delta;
    delta.replacements = now.replacements - counters_.replacements;
    delta.nodeSpawns = now.nodeSpawns - counters_.nodeSpawns;
    delta.vehiclesDeleted = now.vehiclesDeleted - counters_.vehiclesDeleted;
    delta.pedsDeleted = now.pedsDeleted - counters_.pedsDeleted;
    delta.parachutesGiven = now.parachutesGiven - counters_.parachutesGiven;
    delta.rocketsFired = now.rocketsFired - counters_.rocketsFired;
    counters_ = now;

    const std::vector<const Entity*> fresh = Scan(world);
    // In the script's turn only the plug-in's deletions take entities away.
    std::vector<int> deletedVehicles;
    std::vector<int> deleted = Vanished();
    int vehiclesSeen = 0;
    int pedsSeen = 0;
    for (int id : deleted) {
        ReplayEntity& r = entities_[static_cast<size_t>(id)];
        r.end = ReplayEnd::Deleted;
        r.lastFrame = world.frame;
        if (r.kind == EntityKind::Vehicle) {
            deletedVehicles.push_back(id);
            ++vehiclesSeen;
        } else {
            ++pedsSeen;
        }
    }
    ScriptTurnNewEntities(world, fresh, deletedVehicles, delta);
    ScriptTurnChanges(world, delta);
    for (int id : deleted) {
        Event(world.frame, ReplayEventKind::Deleted, id);
    }
    for (int i = vehiclesSeen; i < delta.vehiclesDeleted; ++i) {
        Event(world.frame, ReplayEventKind::Deleted, -1, -1,
              "a vehicle made and deleted on the same frame");
    }
    for (int i = pedsSeen; i < delta.pedsDeleted; ++i) {
        Event(world.frame, ReplayEventKind::Deleted, -1, -1,
              "a ped made and deleted on the same frame");
    }
}

void ReplayRecorder::ScriptTurnNewEntities(const World& world,
                                           const std::vector<const Entity*>& fresh,
                                           const std::vector<int>& deletedVehicles,
                                           const ReplayCounters& delta) {
    std::vector<bool> paired(deletedVehicles.size(), false);
    int replacements = 0;
    int nodeSpawns = 0;
    for (const Entity* e : fresh) {
        if (e->kind == EntityKind::Vehicle && e->createdByScript) {
            const bool onNode = StandsOnRoadNode(world, *e);
            const int id = Add(world, *e, onNode ? ReplayOrigin::RoadNode : ReplayOrigin::Replaced);
            if (onNode) {
                ++nodeSpawns;
                Event(world.frame, ReplayEventKind::RoadNodeSpawn, id);
                continue;
            }
            // The vehicle it replaced: the nearest one deleted on this turn.
            int old = -1;
            float best = ReplacedVehicleReach;
            for (size_t i = 0; i < deletedVehicles.size(); ++i) {
                const ReplayEntity& candidate = entities_[static_cast<size_t>(deletedVehicles[i])];
                const float d = Distance2D(candidate.position, e->position);
                if (!paired[i] && d < best) {
                    best = d;
                    old = static_cast<int>(i);
                }
            }
            if (old >= 0) {
                paired[static_cast<size_t>(old)] = true;
            }
            ++replacements;
            Event(world.frame, ReplayEventKind::Replacement, id,
                  old >= 0 ? deletedVehicles[static_cast<size_t>(old)] : -1);
        } else if (e->kind == EntityKind::Ped && e->createdByScript) {
            // A crew member takes the origin of the vehicle it was made in.
            ReplayOrigin origin = ReplayOrigin::Korvane;
            const int vehicle = IdOf(e->vehicle);
            if (vehicle >= 0) {
                const ReplayOrigin of = entities_[static_cast<size_t>(vehicle)].origin;
                if (of == ReplayOrigin::Replaced || of == ReplayOrigin::RoadNode) {
                    origin = of;
                }
            }
            const int id = Add(world, *e, origin);
            // Armed or given a parachute on the turn it was made: seen as a
            // change from nothing.
            ReplayEntity& r = entities_[static_cast<size_t>(id)];
            r.weapons = 0;
            r.parachuteFrame = -1;
            changed_.push_back(id);
        } else {
            Add(world, *e, ReplayOrigin::World);
        }
    }
    // Vehicles made and gone again within the turn were counted by the world
    // but never seen.
    for (int i = replacements; i < delta.replacements; ++i) {
        Event(world.frame, ReplayEventKind::Replacement, -1, -1,
              "a replacement deleted on the frame it was made");
    }
    for (int i = nodeSpawns; i < delta.nodeSpawns; ++i) {
        Event(world.frame, ReplayEventKind::RoadNodeSpawn, -1, -1,
              "a vehicle deleted on the frame it was made");
    }
}

void ReplayRecorder::ScriptTurnChanges(const World& world, const ReplayCounters& delta) {
    static const uint32_t Nightstick = HashName("WEAPON_NIGHTSTICK");
    static const uint32_t PlaneRocket = HashName("VEHICLE_WEAPON_PLANE_ROCKET");
    static const uint32_t SpaceRocket = HashName("VEHICLE_WEAPON_SPACE_ROCKET");
    int parachutes = delta.parachutesGiven;
    int rockets = delta.rocketsFired;
    for (int id : changed_) {
        ReplayEntity& r = entities_[static_cast<size_t>(id)];
        const Entity* e = FindEntity(world, r.handle);
        if (e == nullptr) {
            continue;
        }
        // The plug-in arms a police crew with a nightstick first, and gives
        // nobody else one.
        if (r.kind == EntityKind::Ped && r.armedFrame < 0 && e->weapons.size() != r.weapons &&
            HasWeapon(*e, Nightstick)) {
            r.armedFrame = world.frame;
            Event(world.frame, ReplayEventKind::CrewArmed, id, IdOf(e->vehicle));
        }
        // Only the plug-in's gift puts a ped into state 0, on the frame given.
        if (parachutes > 0 && r.parachuteFrame != world.frame && e->parachuteState == 0 &&
            e->parachuteStateFrame == world.frame) {
            --parachutes;
            Event(world.frame, ReplayEventKind::ParachuteGiven, id);
        }
        const int shots = e->shotsFired - r.shotsFired;
        const Entity* pilot = Pilot(world, *e);
        if (shots > 0 && pilot != nullptr &&
            (pilot->vehicleWeapon == PlaneRocket || pilot->vehicleWeapon == SpaceRocket)) {
            for (int i = 0; i < shots && rockets > 0; ++i, --rockets) {
                Event(world.frame, ReplayEventKind::RocketFired, id, IdOf(TaskTarget(*pilot)));
            }
        }
        r.weapons = e->weapons.size();
        r.shotsFired = e->shotsFired;
        r.parachuteFrame = e->parachuteStateFrame;
    }
    for (; parachutes > 0; --parachutes) {
        Event(world.frame, ReplayEventKind::ParachuteGiven, -1, -1, "a ped no longer there");
    }
    for (; rockets > 0; --rockets) {
        Event(world.frame, ReplayEventKind::RocketFired, -1, -1, "a vehicle no longer there");
    }
}

void ReplayRecorder::AfterFrame(const World& world) {
    // In the world's step, entities come with its traffic and go with its
    // clean-up; what else changes is looked at on the script's next turn.
    if (EntitiesChanged(world)) {
        const std::vector<const Entity*> fresh = Scan(world);
        for (int id : Vanished()) {
            ReplayEntity& r = entities_[static_cast<size_t>(id)];
            r.end = ReplayEnd::CleanedUp;
            r.lastFrame = world.frame - 1;
        }
        for (const Entity* e : fresh) {
            Add(world, *e, e->createdByScript ? ReplayOrigin::Korvane : ReplayOrigin::World);
        }
    }
    counters_ = ReadReplayCounters(world);
    ObserveTrackedLists();
    if (world.frame % sampleEvery_ == 0) {
        Sample(world);
    }
}

void ReplayRecorder::Finish(const World& world) {
    if (samples_.empty() || samples_.back().frame != world.frame) {
        Sample(world);
    }
}

void ReplayRecorder::ObserveTrackedLists() {
    if (lists_ == nullptr) {
        return;
    }
    const TrackedListsView view = ReadTrackedLists(lists_);
    trackedPeds_ = std::max(trackedPeds_, static_cast<int>(view.pedCount));
    trackedVehicles_ = std::max(trackedVehicles_, static_cast<int>(view.vehicleCount));
}

void ReplayRecorder::Sample(const World& world) {
    ReplaySample s;
    s.frame = world.frame;
    s.trackedPeds = trackedPeds_;
    s.trackedVehicles = trackedVehicles_;
    trackedPeds_ = 0;
    trackedVehicles_ = 0;
    ObserveTrackedLists();  // the next interval starts from the sizes now

    if (const Entity* player = FindEntity(world, world.playerPed)) {
        const Entity* vehicle = FindEntity(world, player->vehicle);
        s.player = vehicle != nullptr ? vehicle->position : player->position;
    }
    std::vector<std::pair<int, const Entity*>> drawn;
    drawn.reserve(world.entities.size());
    for (const auto& [handle, e] : world.entities) {
        const int id = IdOf(handle);
        if (id < 0 || e.kind == EntityKind::Object ||
            (e.kind == EntityKind::Ped && FindEntity(world, e.vehicle) != nullptr)) {
            continue;  // a seated ped is counted with its vehicle
        }
        drawn.emplace_back(id, &e);
    }
    std::sort(drawn.begin(), drawn.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    s.items.reserve(drawn.size() * 4);
    for (const auto& [id, e] : drawn) {
        const ReplayEntity& r = entities_[static_cast<size_t>(id)];
        int32_t flags = e->alive ? 0 : FlagDead;
        if (e->kind == EntityKind::Ped) {
            flags |= e->parachuteState >= 1 ? FlagParachute : e->falling ? FlagFalling : 0;
            flags |= r.armedFrame >= 0 ? FlagPolice : 0;
        } else {
            int32_t occupants = 0;
            for (int32_t handle : e->occupants) {
                if (FindEntity(world, handle) == nullptr) {
                    continue;
                }
                ++occupants;
                const int crew = IdOf(handle);
                if (crew >= 0 && entities_[static_cast<size_t>(crew)].armedFrame >= 0) {
                    flags |= FlagPolice;
                }
            }
            flags |= occupants << ReplayOccupantShift;
            const Entity* pilot = r.aircraft ? Pilot(world, *e) : nullptr;
            const Entity* target =
                pilot != nullptr ? FindEntity(world, TaskTarget(*pilot)) : nullptr;
            if (target != nullptr && IdOf(target->handle) >= 0) {
                const Entity* carrier = FindEntity(world, target->vehicle);
                const Vec at = (carrier != nullptr ? carrier : target)->position;
                for (int32_t value :
                     {id, IdOf(target->handle), WholeMetres(at.x), WholeMetres(at.y)}) {
                    s.chases.push_back(value);
                }
            }
        }
        s.items.push_back(id);
        s.items.push_back(WholeMetres(e->position.x));
        s.items.push_back(WholeMetres(e->position.y));
        s.items.push_back(flags);
    }
    samples_.push_back(std::move(s));
}

}  // namespace sim

// What a replay page shows of a run, gathered by watching the world: every
// entity with where it came from, their positions every half second of game
// time, and the plug-in's doings (replacements, road-node spawns, armed
// crews, parachutes, rockets, deletions) frame by frame.
//
// The recorder only reads the world. It looks twice a frame: after the
// script's turn, when what changed is the plug-in's doing and new vehicles
// still stand where they were made, and after the world's step, when what
// changed is the world's own (traffic coming and going).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/runtime/plugin_loader.h"
#include "sim/world/world.h"

namespace sim {

// Where an entity came from. The numbers are the page's.
enum class ReplayOrigin : int {
    World = 0,     // the scenario's or the world's own traffic and people
    Replaced = 1,  // made by the plug-in in the place of a vehicle it replaced
    RoadNode = 2,  // made by the plug-in at a road node (with its crew)
    Korvane = 3,   // another ped the plug-in made: a passenger, a new pedestrian
    Player = 4,    // the player and the player's own vehicle
};

// How an entity left the world, if it did.
enum class ReplayEnd : int { Present = 0, Deleted = 1, CleanedUp = 2 };

enum class ReplayEventKind : int {
    Replacement = 0,     // entity: the new vehicle, other: the one it replaced
    RoadNodeSpawn = 1,   // entity: the new vehicle
    CrewArmed = 2,       // entity: the ped, other: the vehicle it sits in
    ParachuteGiven = 3,  // entity: the ped
    RocketFired = 4,     // entity: the vehicle, other: its pilot's chase target
    Deleted = 5,         // entity: what the plug-in deleted
};

// Bits of an entity's state in a sample.
enum ReplayFlag : int32_t {
    FlagParachute = 1,  // a ped under an open parachute
    FlagFalling = 2,    // a ped falling without one
    FlagDead = 4,       // a dead ped or a wrecked vehicle
    FlagPolice = 8,     // an armed police crew, or a vehicle with one aboard
};
// A vehicle's flags count its occupants from this bit up.
const int ReplayOccupantShift = 4;

struct ReplayEntity {
    int32_t handle = 0;
    EntityKind kind = EntityKind::Ped;
    bool aircraft = false;  // a plane, helicopter or blimp
    uint32_t model = 0;
    ReplayOrigin origin = ReplayOrigin::World;
    int firstFrame = 0;
    int lastFrame = -1;  // the last frame it was seen on; -1 while present
    ReplayEnd end = ReplayEnd::Present;
    int armedFrame = -1;  // when the plug-in armed it as a police crew

    // What the recorder last saw, to notice changes.
    size_t weapons = 0;
    int shotsFired = 0;
    int parachuteFrame = 0;  // when its parachute state last changed
    Vec position;
    uint32_t stamp = 0;
};

struct ReplayEvent {
    int frame = 0;
    ReplayEventKind kind = ReplayEventKind::Replacement;
    int entity = -1;  // index into the entity table, -1 when never seen
    int other = -1;
    std::string note;  // for what the entity table cannot tell
};

struct ReplaySample {
    int frame = 0;
    // The largest sizes of the plug-in's lists since the previous sample.
    int trackedPeds = 0;
    int trackedVehicles = 0;
    Vec player;
    // Four numbers per entity drawn (vehicles and peds on foot), by entity
    // index: index, x, y (whole metres), flags.
    std::vector<int32_t> items;
    // Four numbers per aircraft whose pilot chases a target: the aircraft's
    // and the target's entity index, and where the target is (x, y).
    std::vector<int32_t> chases;
};

// The plug-in's doings as the world's counters have them, to check the
// recorder against and to tell what happened without a full look.
struct ReplayCounters {
    int replacements = 0;
    int nodeSpawns = 0;
    int vehiclesDeleted = 0;
    int pedsDeleted = 0;
    int parachutesGiven = 0;
    int rocketsFired = 0;
};
ReplayCounters ReadReplayCounters(const World& world);

class ReplayRecorder {
public:
    // `lists` is the plug-in's view of its tracked lists (may be null).
    explicit ReplayRecorder(TrackedListsExport lists = nullptr) : lists_(lists) {}

    // The world as loaded, before the first frame: sampled as frame 0.
    void Start(const World& world);
    // After the script's turn on the current frame, before the world steps.
    void AfterScriptTurn(const World& world);
    // After the world stepped; samples every half second of game time.
    void AfterFrame(const World& world);
    // The last sample, unless the last frame was sampled already.
    void Finish(const World& world);

    int SampleEvery() const { return sampleEvery_; }
    const std::vector<ReplayEntity>& Entities() const { return entities_; }
    const std::vector<ReplayEvent>& Events() const { return events_; }
    const std::vector<ReplaySample>& Samples() const { return samples_; }

private:
    struct NewVehicle {
        int id = 0;
        bool onNode = false;
    };

    int IdOf(int32_t handle) const;
    int Add(const World& world, const Entity& e, ReplayOrigin origin);
    void Event(int frame, ReplayEventKind kind, int entity, int other = -1,
               std::string note = std::string());
    // Marks everything present with a new stamp and returns the entities
    // that were not known before, vehicles first, in handle order.
    std::vector<const Entity*> Scan(const World& world);
    // Entities known as present that the last scan did not find. Call it
    // before adding the new ones.
    std::vector<int> Vanished();
    // Whether the world holds other entities than at the last scan.
    bool EntitiesChanged(const World& world) const;
    void ScriptTurnNewEntities(const World& world, const std::vector<const Entity*>& fresh,
                               const std::vector<int>& deletedVehicles,
                               const ReplayCounters& delta);
    void ScriptTurnChanges(const World& world, const ReplayCounters& delta);
    void ObserveTrackedLists();
    void Sample(const World& world);

    TrackedListsExport lists_ = nullptr;
    int sampleEvery_ = 30;
    std::vector<ReplayEntity> entities_;
    std::vector<int32_t> idByHandle_;  // entity index + 1 by handle, 0 unknown
    std::vector<int> present_;         // indices of the entities present
    std::vector<ReplayEvent> events_;
    std::vector<ReplaySample> samples_;
    ReplayCounters counters_;
    uint32_t stamp_ = 0;
    size_t seen_ = 0;  // known entities the last scan found
    size_t entityCount_ = 0;
    int32_t nextHandle_ = 0;
    int trackedPeds_ = 0;
    int trackedVehicles_ = 0;
    std::vector<int> changed_;  // scratch: entities whose weapons or shots changed
};

}  // namespace sim

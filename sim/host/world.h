// The simulated world: everything the game operations read or write, as data.
//
// The world is plain data plus a few free functions; the operations in
// ops_*.cpp read and change it, `StepWorld` advances it by one frame, and the
// scenario loader fills it from a JSON file.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct Vec {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

enum class EntityKind { Ped, Vehicle, Object };

enum class VehicleType {
    Car,
    Bike,
    Bicycle,
    Quadbike,
    Plane,
    Heli,
    Boat,
    Trailer,
    Train,
    Blimp,
    Submarine,
    AmphibiousAutomobile,
    AmphibiousQuadbike,
    SubmarineCar,
};

const char* VehicleTypeName(VehicleType type);

// A vehicle model the host knows.
struct VehicleModel {
    std::string name;  // lower case
    uint32_t hash = 0;
    VehicleType type = VehicleType::Car;
    int seats = 4;  // driver included
    std::string vehicleClass;
    bool hasWeapons = false;
    std::string displayName;
};

// A task or order given to a ped, recorded for tests and the summary.
struct TaskRecord {
    std::string name;            // operation name, e.g. "TaskHeliChase"
    int frame = 0;               // frame on which it was given
    std::vector<double> values;  // its arguments, handles and numbers alike
};

struct WeaponRecord {
    uint32_t hash = 0;
    int ammo = 0;
    bool equipped = false;
};

struct Entity {
    int32_t handle = 0;
    EntityKind kind = EntityKind::Ped;
    uint32_t model = 0;
    Vec position;
    Vec velocity;
    float heading = 0.0f;  // degrees
    bool alive = true;
    // Scenario override of visibility: -1 computed from the camera, 0 never, 1 always.
    int onScreenOverride = -1;
    bool scriptControlled = true;  // HasControlOfEntity
    int controlDelayFrames = 0;    // frames of RequestControlOfEntity before control is given
    bool released = false;         // handed back to ambient clean-up
    int releasedFrame = 0;
    bool missionEntity = false;  // created by the script and not yet released
    bool recordsCollisions = false;
    bool damagedByVehicle = false;
    bool damagedByPed = false;
    int createdFrame = 0;

    // Peds.
    int pedType = 4;  // civilian male
    bool human = true;
    int maxHealth = 200;
    int parachuteState = -1;
    bool falling = false;
    bool ragdoll = false;
    bool canRagdoll = true;
    bool fleeing = false;
    int32_t vehicle = 0;         // the vehicle the ped sits in, 0 on foot
    int seat = -2;               // its seat there (-1 driver)
    std::set<int32_t> fighting;  // peds this ped is in combat with
    std::vector<WeaponRecord> weapons;
    uint32_t relationshipGroup = 0;
    bool blockingEvents = false;
    bool keepTask = false;
    int fleeAttributes = -1;
    std::set<int> combatAttributes;
    int componentVariations = 0;
    int propsRandomised = 0;
    std::vector<TaskRecord> tasks;
    uint32_t vehicleWeapon = 0;

    // Vehicles.
    bool driveable = true;
    std::string plate = "12ABC345";
    std::vector<int32_t> occupants;  // index seat + 1: [0] driver, [1] seat 0, ...
    bool towingTrailer = false;
    bool engineOn = false;
    int landingGear = 0;
    bool bladesFullSpeed = false;
    bool police = false;  // a police vehicle (by model class)
    int shotsFired = 0;
};

// A node of the road network.
struct RoadNode {
    Vec position;
    float heading = 0.0f;
    int lanes = 2;
};

// A rectangle of road: points inside it are on the road.
struct RoadArea {
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct KeyEvent {
    int frame = 0;
    int key = 0;
    bool down = false;
};

struct DrawnText {
    std::string text;
    float x = 0, y = 0;
};

struct DrawnLine {
    Vec from, to;
    int r = 0, g = 0, b = 0, a = 0;
};

struct Camera {
    Vec position;
    Vec rotation;  // degrees: x pitch, z yaw
    float viewDistance = 150.0f;
    float halfAngleDegrees = 50.0f;
};

struct StreamingRequest {
    uint32_t model = 0;
    int readyFrame = 0;
};

// What happened in a run, for the summary.
struct WorldStats {
    std::map<std::string, int> vehiclesCreatedByType;  // "CAR", "PLANE", ...
    int vehiclesDeleted = 0;
    int pedsCreated = 0;
    int pedsDeleted = 0;
    int entitiesReleased = 0;  // distinct entities handed back at least once
    int parachutesGiven = 0;
    int aircraftTasks = 0;
    int rocketsFired = 0;
    int platesWritten = 0;
    std::map<std::string, int> statusTexts;  // distinct texts drawn, with counts
    int nativeCalls = 0;
};

struct World {
    // Time.
    int frame = 0;
    float frameTimeMs = 1000.0f / 60.0f;
    int64_t timerAStartMs = 0;  // GetTimerA = now - start
    uint64_t rngState = 1;      // the seeded generator behind GetRandomIntInRange

    // Entities.
    std::map<int32_t, Entity> entities;
    int32_t nextHandle = 1000;
    int pedPoolLimit = 256;
    int vehiclePoolLimit = 128;
    int32_t playerPed = 0;
    int32_t playerLastVehicle = 0;
    float groundZ = 0.0f;

    // Models.
    std::vector<VehicleModel> vehicleModels;    // the catalogue with facts
    std::set<uint32_t> knownModelHashes;        // every name current releases know
    std::set<uint32_t> pedModelHashes;          // ped models
    std::map<uint32_t, std::string> hashNames;  // hash -> name for the trace/summary
    std::set<uint32_t> loadedModels;
    std::vector<StreamingRequest> streaming;
    int modelLoadDelayFrames = 3;
    std::set<uint32_t> neverLoadingModels;
    std::set<uint32_t> suppressedModels;

    // Roads and camera.
    std::vector<RoadNode> roadNodes;
    std::vector<RoadArea> roadAreas;
    Camera camera;

    // Input and screen.
    std::vector<KeyEvent> keyEvents;  // the schedule, sorted by frame
    std::set<int> keysDown;           // the state this frame
    std::vector<DrawnText> textsThisFrame;
    std::vector<DrawnLine> linesThisFrame;
    std::string pendingTextEntry;  // text being assembled between BeginTextEntry and DrawText

    // Shape tests.
    int nextShapeTest = 1;
    std::map<int, int32_t> shapeTestHits;  // shape test handle -> entity hit (0 none)

    // Population switches the plug-in sets.
    bool createRandomCops = false;
    bool lowPriorityGeneratorsActive = false;

    // Ambient traffic the world keeps up on its own.
    int ambientVehicleTarget = 0;
    int ambientPedTarget = 0;

    WorldStats stats;
};

// Jenkins one-at-a-time over the lower-cased name, as the game hashes names.
uint32_t HashName(const std::string& name);

// Fills the model catalogue from the embedded data files.
void LoadModelCatalogue(World& world);

// Looks up a vehicle model; null when the hash is not a vehicle model with facts.
const VehicleModel* FindVehicleModel(const World& world, uint32_t hash);

// Entity lookup; null when the handle names no live entity.
Entity* FindEntity(World& world, int32_t handle);

// Creates entities, honouring the pool limits; 0 when the pool is full.
int32_t CreatePed(World& world, uint32_t model, int pedType, Vec position);
int32_t CreateVehicleEntity(World& world, uint32_t model, Vec position, float heading);

// Removes an entity and takes its occupants out or its vehicle seat free.
void RemoveEntity(World& world, int32_t handle);

// Seats a ped, taking it out of any seat it had. False when the seat is taken.
bool SeatPed(World& world, int32_t ped, int32_t vehicle, int seat);

// Whether the gameplay camera sees a point or an entity.
bool IsPointVisible(const World& world, Vec point, float radius);
bool IsEntityVisible(const World& world, const Entity& entity);

// The next draw of the seeded generator: start <= r < end (start when end <= start).
int32_t RandomInRange(World& world, int32_t start, int32_t end);

// Advances the world by one frame: motion, falling, parachutes, streaming,
// ambient clean-up and traffic, key state from the schedule, drawn items cleared.
void StepWorld(World& world);

}  // namespace sim

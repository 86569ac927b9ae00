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
#include <unordered_map>
#include <vector>

#include "sim/world/chaos_state.h"
#include "sim/core/entity_table.h"

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
    bool police = false;  // a law-enforcement vehicle: random drivers are police
};

// A task or order given to a ped, recorded for tests and the summary.
struct TaskRecord {
    std::string name;  // operation name, e.g. "TaskHeliChase"
    int frame = 0;     // frame on which it was given
    // Its arguments after the ped itself, handles and numbers alike: for
    // TaskHeliChase {target, dx, dy, dz}, for TaskWarpPedIntoVehicle {vehicle, seat}.
    std::vector<double> values;
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
    bool missionEntity = false;    // created by the script and not yet released
    bool createdByScript = false;  // made by one of the script's creation operations
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
    std::vector<TaskRecord> tasks;  // the tasks given, oldest first (the latest few hundred)
    int activeTask = -1;            // index into `tasks` of the task the ped follows, -1 none
    uint32_t vehicleWeapon = 0;
    int parachuteStateFrame = 0;  // frame on which parachuteState last changed

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
    float cruiseSpeed = 0.0f;  // speed a driver keeps on the road; 0 keeps the current speed

    // Spawned by the world's own population (ambient traffic and pedestrians);
    // such entities are removed again when far from the player.
    bool ambient = false;
    // Seen in the script's tracked peds without having been made by it.
    bool adopted = false;
};

// A node of the road network.
struct RoadNode {
    Vec position;
    float heading = 0.0f;
    int lanes = 2;
    bool offRoad = false;  // the node does not make the road around it
};

// A rectangle of road: points inside it are on the road.
struct RoadArea {
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// A grid of straight two-way streets: streets run along x = originX + i * blockSize
// (north-south) and y = originY + j * blockSize (east-west); drivers on it turn at
// the crossings.
struct StreetGrid {
    float originX = 0, originY = 0;
    int blocksX = 1, blocksY = 1;
    float blockSize = 100.0f;
    float z = 0.0f;
};

// Something solid that blocks the line of sight below its height (a building).
struct SightBlocker {
    RoadArea area;
    float height = 0.0f;
};

// A finished ray test.
struct ShapeTestResult {
    bool hit = false;
    Vec endPosition;
    Vec surfaceNormal;
    int32_t entity = 0;
};

// The text style the next DrawText uses.
struct TextStyle {
    int font = 0;
    float scaleX = 1.0f, scaleY = 1.0f;
    int r = 255, g = 255, b = 255, a = 255;
    float wrapStart = 0.0f, wrapEnd = 1.0f;
    bool centre = false;
    int shadowDistance = 0;
    int edge = 0;
    int edgeA = 0;
};

// The population switches the plug-in sets; the world only records them,
// except that suppressed models and random cops shape ambient traffic.
struct PopulationSwitches {
    float scenarioPedDensity = 1.0f, scenarioPedDensityInterior = 1.0f;
    float pedDensity = 1.0f;
    float vehicleDensity = 1.0f;
    float randomVehicleDensity = 1.0f;
    int vehicleBudget = 3;
    int pedBudget = 3;
    int scenarioBlockingAreasRemoved = 0;   // calls
    int allVehicleGeneratorsActivated = 0;  // calls
    int passStartOption = 0;                // last value of ApplyPassStartOption
    int playerAreaOptionCalls = 0;
};

// What a scenario says beyond the world itself, for the runner.
struct ScenarioInfo {
    std::string path;     // the scenario file, empty when loaded from JSON
    std::string iniPath;  // settings file to place as Korvane.ini, absolute; empty for none
    int frames = 0;       // default number of frames, 0 when not given
};

struct KeyEvent {
    int frame = 0;
    int key = 0;
    bool down = false;
};

struct DrawnText {
    std::string text;
    float x = 0, y = 0;
    TextStyle style;
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
    std::map<std::string, int> replacementsByType;     // of those, made in another's place
    std::map<std::string, int> nodeSpawnsByType;       // of those, made on a road node
    int pedsAdopted = 0;         // distinct peds of the world's own that the script tracked
    int largestTrackedPeds = 0;  // as the plug-in reports its lists between frames
    int largestTrackedVehicles = 0;
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
    // The world's own doings.
    int ambientVehiclesSpawned = 0;
    int ambientPedsSpawned = 0;
    int entitiesCleanedUp = 0;  // removed by the ambient clean-up
    int parachuteLandings = 0;
    int fatalFalls = 0;
    int wrecksByRockets = 0;  // vehicles and peds a rocket destroyed
    // The host's doings: the frames on which it restarted the script.
    std::vector<int> scriptRestarts;
};

struct World {
    // Time.
    int frame = 0;
    float frameTimeMs = 1000.0f / 60.0f;
    int64_t timerAStartMs = 0;   // GetTimerA = now - start
    uint64_t rngState = 1;       // the seeded generator behind GetRandomIntInRange
    uint64_t worldRngState = 7;  // the world's own draws (traffic, random peds), kept apart

    // Entities.
    HandleTable<Entity> entities;  // by handle, visited in handle order
    int32_t nextHandle = 1000;
    int pedPoolLimit = 256;
    int vehiclePoolLimit = 128;
    int32_t playerPed = 0;
    int32_t playerLastVehicle = 0;
    float groundZ = 0.0f;

    // Models.
    std::vector<VehicleModel> vehicleModels;                 // the catalogue with facts
    std::unordered_map<uint32_t, size_t> vehicleModelIndex;  // hash -> index in vehicleModels
    std::set<uint32_t> knownModelHashes;                     // every name current releases know
    std::set<uint32_t> pedModelHashes;                       // ped models
    std::map<uint32_t, std::string> hashNames;               // hash -> name for the trace/summary
    std::set<uint32_t> loadedModels;
    std::vector<StreamingRequest> streaming;
    int modelLoadDelayFrames = 3;
    std::set<uint32_t> neverLoadingModels;
    std::set<uint32_t> suppressedModels;

    // Roads and camera.
    std::vector<RoadNode> roadNodes;
    std::vector<RoadArea> roadAreas;
    std::vector<StreetGrid> streetGrids;
    std::vector<SightBlocker> sightBlockers;
    std::vector<RoadArea> unwalkableAreas;        // no safe spot for a ped inside (water, say)
    std::vector<RoadArea> unwalkableSilentAreas;  // the same, but the query writes nothing
    Camera camera;
    bool cameraFollowsPlayer = false;  // camera behind the player, looking its way

    // Input and screen.
    std::vector<KeyEvent> keyEvents;  // the schedule, sorted by frame
    std::set<int> keysDown;           // the state this frame
    std::vector<DrawnText> textsThisFrame;
    std::vector<DrawnLine> linesThisFrame;
    std::string pendingTextEntry;  // text being assembled between BeginTextEntry and DrawText
    int drawnFrame = 0;            // frame whose drawing textsThisFrame/linesThisFrame hold
    TextStyle textStyle;
    std::string textResult;  // text handed to the plug-in, valid until the next such call

    // Shape tests.
    int nextShapeTest = 1;
    std::map<int, int32_t> shapeTestHits;  // shape test handle -> entity hit (0 none)
    std::map<int, ShapeTestResult> shapeTests;

    // Population switches the plug-in sets.
    bool createRandomCops = false;
    bool lowPriorityGeneratorsActive = false;
    PopulationSwitches population;

    // Ambient traffic the world keeps up on its own.
    int ambientVehicleTarget = 0;
    int ambientPedTarget = 0;
    std::vector<uint32_t> ambientVehicleModels;  // drawn from for traffic
    std::vector<uint32_t> ambientPedModels;      // civilians: pedestrians, random peds and drivers
    int nextAmbientSpawnFrame = 0;
    bool populated = false;  // the starting population is placed on the first step

    // The player's own driving, when the scenario has the player drive.
    bool playerDrives = false;
    float playerSpeed = 0.0f;

    // Tuning of the world's behaviour.
    float nearbyVehicleRadius = 120.0f;  // GetPedNearbyVehicles
    float lineOfSightDistance = 300.0f;  // HasClearLineOfSight beyond this is false
    float cleanupDistance = 250.0f;      // released/ambient entities beyond this may go
    float ambientSpawnMin = 120.0f;      // ambient cars appear this far from the player...
    float ambientSpawnMax = 200.0f;      // ...and no farther
    int streamingGiveUpFrames = 600;     // a model that cannot load leaves the queue after this

    // Ped types random drivers are drawn from, instead of the type that suits
    // the vehicle; empty for the suitable type.
    std::vector<int> randomDriverTypes;
    // Changes of the settings file the scenario schedules, by frame.
    std::vector<SettingsFileChange> settingsChanges;
    // Frames on which the host restarts the script, as a game reload does
    // (the scenario's and the command line's), sorted, each once.
    std::vector<int> scriptRestartFrames;
    // Chaos mode (off while its rate is 0).
    ChaosState chaos;

    // Entities a scenario gave names to.
    std::map<std::string, int32_t> namedEntities;
    ScenarioInfo scenario;

    WorldStats stats;
};

// Schedules a script restart on `frame` (once, however often it is asked).
void AddScriptRestart(World& world, int frame);
// Whether the schedule restarts the script on the world's current frame.
bool ScriptRestartScheduled(const World& world);

// Jenkins one-at-a-time over the lower-cased name, as the game hashes names.
uint32_t HashName(const std::string& name);

// Seeds both generators: the plug-in's (GetRandomIntInRange) and the world's own.
void SeedWorld(World& world, uint64_t seed);

// The generators' step (SplitMix64): the next value from `state`, which it
// advances. Every stream of draws (the script's, the world's, chaos's) uses it.
uint64_t SplitMix64(uint64_t& state);
// A draw from [start, end) of the stream `state`; `start` when the range is empty.
int32_t DrawInRange(uint64_t& state, int32_t start, int32_t end);

// The name behind a hash the host knows (models, weapons, groups); empty if none.
std::string NameOfHash(const World& world, uint32_t hash);

// Whether a hash is a ped model the host knows.
bool IsPedModel(const World& world, uint32_t hash);

// Fills the model catalogue from the embedded data files.
void LoadModelCatalogue(World& world);

// Looks up a vehicle model; null when the hash is not a vehicle model with facts.
const VehicleModel* FindVehicleModel(const World& world, uint32_t hash);

// Entity lookup; null when the handle names no live entity.
inline Entity* FindEntity(World& world, int32_t handle) {
    return handle == 0 ? nullptr : world.entities.Find(handle);
}
inline const Entity* FindEntity(const World& world, int32_t handle) {
    return handle == 0 ? nullptr : world.entities.Find(handle);
}

// Number of peds or vehicles in the world (what the pool limits count).
int CountEntities(const World& world, EntityKind kind);

// Creates entities, honouring the pool limits; 0 when the pool is full.
int32_t CreatePed(World& world, uint32_t model, int pedType, Vec position);
int32_t CreateVehicleEntity(World& world, uint32_t model, Vec position, float heading);

// Removes an entity and takes its occupants out or its vehicle seat free.
void RemoveEntity(World& world, int32_t handle);

// Seats a ped, taking it out of any seat it had. False when the seat is taken.
bool SeatPed(World& world, int32_t ped, int32_t vehicle, int seat);

// Whether nothing blocks the line between two entities: they are at most
// lineOfSightDistance apart and no sight blocker lies between them below its height.
bool HasLineOfSight(const World& world, const Entity& from, const Entity& to);

// Destroys a vehicle (or kills a ped); the crew of an aircraft wrecked in the
// air bails out and falls, and people on foot within 40 m flee.
void Wreck(World& world, Entity& entity);

// Whether the gameplay camera sees a point or an entity.
bool IsPointVisible(const World& world, Vec point, float radius);
bool IsEntityVisible(const World& world, const Entity& entity);

// The next draw of the seeded generator: start <= r < end (start when end <= start).
int32_t RandomInRange(World& world, int32_t start, int32_t end);
// The same over the world's own generator.
int32_t WorldRandomInRange(World& world, int32_t start, int32_t end);

// Straight-line distance (3-D), and on the ground plane.
float Distance(Vec a, Vec b);
float Distance2D(Vec a, Vec b);
// Unit vector on the ground plane for a heading in degrees (0 north, +90 west).
Vec HeadingDirection(float headingDegrees);

// Script timer A in milliseconds.
int64_t NowMs(const World& world);

// Applies the scheduled key events of `frame` to the key state. Applying the
// same frame twice changes nothing.
void ApplyKeyEvents(World& world, int frame);

// Starts a frame: the key events of the current frame, and the drawn items of
// the previous frame cleared. Texts and lines drawn in a frame stay in
// textsThisFrame/linesThisFrame until the next frame begins, so that they can
// be inspected after it. Drawing operations also clear them lazily when they
// find items of an earlier frame.
void BeginFrame(World& world);

// Advances the world by one frame: the frame number and its key events,
// streaming, motion (driving, flying, falling, parachutes), the camera,
// ambient clean-up, traffic and pedestrians. Drawn items are not cleared
// here but by BeginFrame (or lazily by the next drawing).
void StepWorld(World& world);

}  // namespace sim

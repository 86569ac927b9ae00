#include "sim/world/world.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>

#include "sim/chaos/chaos.h"
#include "sim/core/det_math.h"
#include "sim/world/embedded_data.h"

namespace sim {

namespace {

// Ped models the host knows, with whether they are human. Random peds are
// drawn from the civilians; the police and army models crew their vehicles.
struct PedModelFact {
    const char* name;
    bool human;
};
const PedModelFact kPedModels[] = {
    {"player_zero", true},       {"player_one", true},        {"player_two", true},
    {"a_m_y_business_01", true}, {"a_m_m_skater_01", true},   {"a_m_y_hipster_01", true},
    {"a_m_y_downtown_01", true}, {"a_f_y_business_01", true}, {"a_f_m_tourist_01", true},
    {"a_f_y_hipster_01", true},  {"a_f_y_tourist_01", true},  {"s_m_y_cop_01", true},
    {"s_f_y_cop_01", true},      {"s_m_y_sheriff_01", true},  {"s_m_y_ranger_01", true},
    {"s_m_y_swat_01", true},     {"s_m_y_marine_01", true},   {"s_m_m_pilot_01", true},
    {"a_c_deer", false},         {"a_c_boar", false},         {"a_c_chickenhawk", false},
};

// Names that are hashed by the plug-in but are no models: weapons and groups.
const char* const kOtherNames[] = {
    "GADGET_PARACHUTE",
    "WEAPON_NIGHTSTICK",
    "WEAPON_PISTOL",
    "WEAPON_PUMPSHOTGUN",
    "VEHICLE_WEAPON_PLANE_ROCKET",
    "VEHICLE_WEAPON_SPACE_ROCKET",
    "COUGAR",
};

// Law-enforcement vehicles: their random drivers are police.
const char* const kPoliceModels[] = {
    "police",     "police2",    "police3", "police4", "policeb",  "policet",
    "policeold1", "policeold2", "pbus",    "sheriff", "sheriff2", "pranger",
    "riot",       "riot2",      "fbi",     "fbi2",    "polmav",   "predator",
};

struct TypeName {
    const char* name;
    VehicleType type;
};
const TypeName kTypeNames[] = {
    {"CAR", VehicleType::Car},
    {"BIKE", VehicleType::Bike},
    {"BICYCLE", VehicleType::Bicycle},
    {"QUADBIKE", VehicleType::Quadbike},
    {"PLANE", VehicleType::Plane},
    {"HELI", VehicleType::Heli},
    {"BOAT", VehicleType::Boat},
    {"TRAILER", VehicleType::Trailer},
    {"TRAIN", VehicleType::Train},
    {"BLIMP", VehicleType::Blimp},
    {"SUBMARINE", VehicleType::Submarine},
    {"AMPHIBIOUS_AUTOMOBILE", VehicleType::AmphibiousAutomobile},
    {"AMPHIBIOUS_QUADBIKE", VehicleType::AmphibiousQuadbike},
    {"SUBMARINECAR", VehicleType::SubmarineCar},
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == '\t') {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r') {
            field.push_back(c);
        }
    }
    fields.push_back(field);
    return fields;
}

// Plates of new vehicles: two digits, three letters, three digits, from the handle.
std::string PlateFor(int32_t handle) {
    const uint32_t h = static_cast<uint32_t>(handle) * 2654435761u;
    char plate[9];
    std::snprintf(plate, sizeof plate, "%02u%c%c%c%03u", (h >> 3) % 100u,
                  static_cast<char>('A' + (h >> 10) % 26u),
                  static_cast<char>('A' + (h >> 15) % 26u),
                  static_cast<char>('A' + (h >> 20) % 26u), static_cast<unsigned>(handle) % 1000u);
    return plate;
}

// Whether the segment a-b crosses the rectangle on the ground plane.
bool SegmentCrossesArea(Vec a, Vec b, const RoadArea& area) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double d[2] = {static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y};
    const double start[2] = {a.x, a.y};
    const double lo[2] = {area.minX, area.minY};
    const double hi[2] = {area.maxX, area.maxY};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0.0) {
            if (start[axis] < lo[axis] || start[axis] > hi[axis]) {
                return false;
            }
            continue;
        }
        double ta = (lo[axis] - start[axis]) / d[axis];
        double tb = (hi[axis] - start[axis]) / d[axis];
        if (ta > tb) {
            std::swap(ta, tb);
        }
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) {
            return false;
        }
    }
    return true;
}

// The camera's forward direction, kept for the yaw it was last computed for:
// visibility is asked for hundreds of times a frame with the same camera.
Vec CameraForward(float yawDegrees) {
    static float cachedYaw = 0.0f;
    static Vec cachedForward = HeadingDirection(0.0f);
    if (!(yawDegrees == cachedYaw) || std::signbit(yawDegrees) != std::signbit(cachedYaw)) {
        cachedForward = HeadingDirection(yawDegrees);
        cachedYaw = yawDegrees;
    }
    return cachedForward;
}

}  // namespace

uint64_t SplitMix64(uint64_t& state) {
    state += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int32_t DrawInRange(uint64_t& state, int32_t start, int32_t end) {
    if (end <= start) {
        return start;
    }
    const uint64_t range = static_cast<uint64_t>(static_cast<int64_t>(end) - start);
    const uint64_t offset = SplitMix64(state) % range;
    return static_cast<int32_t>(static_cast<int64_t>(start) + static_cast<int64_t>(offset));
}

const char* VehicleTypeName(VehicleType type) {
    for (const TypeName& t : kTypeNames) {
        if (t.type == type) {
            return t.name;
        }
    }
    return "CAR";
}

uint32_t HashName(const std::string& name) {
    uint32_t hash = 0;
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c - 'A' + 'a');
        }
        hash += c;
        hash += hash << 10;
        hash ^= hash >> 6;
    }
    hash += hash << 3;
    hash ^= hash >> 11;
    hash += hash << 15;
    return hash;
}

void SeedWorld(World& world, uint64_t seed) {
    world.rngState = seed;
    world.worldRngState = seed ^ 0x5DEECE66DULL;
    world.chaos.rngState = seed ^ 0xC4A05C4A05ULL;
    world.chaos.hostRngState = seed ^ 0x5C21B7A11CULL;
}

std::string NameOfHash(const World& world, uint32_t hash) {
    auto it = world.hashNames.find(hash);
    return it == world.hashNames.end() ? std::string() : it->second;
}

bool IsPedModel(const World& world, uint32_t hash) {
    return world.pedModelHashes.count(hash) != 0;
}

void LoadModelCatalogue(World& world) {
    world.vehicleModels.clear();
    world.vehicleModelIndex.clear();
    world.knownModelHashes.clear();
    world.pedModelHashes.clear();

    std::istringstream tsv(EmbeddedVehiclesTsv);
    std::string line;
    bool header = true;
    while (std::getline(tsv, line)) {
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> f = SplitTabs(line);
        if (f.size() < 5 || f[0].empty()) {
            continue;
        }
        VehicleModel model;
        model.name = f[0];
        model.hash = HashName(f[0]);
        for (const TypeName& t : kTypeNames) {
            if (f[1] == t.name) {
                model.type = t.type;
            }
        }
        model.seats = std::max(1, std::atoi(f[2].c_str()));
        model.vehicleClass = f[3];
        model.hasWeapons = f[4] == "1";
        model.displayName = f.size() > 5 ? f[5] : std::string();
        for (const char* police : kPoliceModels) {
            if (model.name == police) {
                model.police = true;
            }
        }
        world.vehicleModelIndex[model.hash] = world.vehicleModels.size();
        world.hashNames[model.hash] = model.name;
        world.knownModelHashes.insert(model.hash);
        world.vehicleModels.push_back(model);
    }

    std::istringstream names(EmbeddedModelNamesTxt);
    while (std::getline(names, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const uint32_t hash = HashName(line);
        world.knownModelHashes.insert(hash);
        world.hashNames.emplace(hash, line);
    }

    world.ambientPedModels.clear();
    for (const PedModelFact& ped : kPedModels) {
        const uint32_t hash = HashName(ped.name);
        world.pedModelHashes.insert(hash);
        world.hashNames[hash] = ped.name;
    }
    for (const char* name :
         {"a_m_y_business_01", "a_f_y_business_01", "a_m_m_skater_01", "a_f_m_tourist_01",
          "a_m_y_hipster_01", "a_f_y_hipster_01", "a_m_y_downtown_01", "a_f_y_tourist_01"}) {
        world.ambientPedModels.push_back(HashName(name));
    }
    for (const char* name : kOtherNames) {
        world.hashNames[HashName(name)] = name;
    }
}

const VehicleModel* FindVehicleModel(const World& world, uint32_t hash) {
    auto it = world.vehicleModelIndex.find(hash);
    return it == world.vehicleModelIndex.end() ? nullptr : &world.vehicleModels[it->second];
}

int CountEntities(const World& world, EntityKind kind) {
    int count = 0;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind == kind) {
            ++count;
        }
    }
    return count;
}

namespace {

// A new entity of a kind, if its pool has room; null otherwise.
Entity* NewEntity(World& world, EntityKind kind, uint32_t model, Vec position) {
    const int limit = kind == EntityKind::Ped ? world.pedPoolLimit : world.vehiclePoolLimit;
    if (CountEntities(world, kind) >= limit) {
        return nullptr;
    }
    Entity e;
    e.handle = AllocateHandle(world);
    e.kind = kind;
    e.model = model;
    e.position = position;
    e.createdFrame = world.frame;
    return &world.entities.Insert(e.handle, std::move(e));
}

}  // namespace

int32_t CreatePed(World& world, uint32_t model, int pedType, Vec position) {
    Entity* ped = NewEntity(world, EntityKind::Ped, model, position);
    if (!ped) {
        return 0;
    }
    ped->pedType = pedType;
    for (const PedModelFact& fact : kPedModels) {
        if (HashName(fact.name) == model) {
            ped->human = fact.human;
        }
    }
    if (!ped->human && pedType < 28) {
        ped->pedType = 28;  // animals
    }
    return ped->handle;
}

int32_t CreateVehicleEntity(World& world, uint32_t model, Vec position, float heading) {
    Entity* vehicle = NewEntity(world, EntityKind::Vehicle, model, position);
    if (!vehicle) {
        return 0;
    }
    vehicle->heading = heading;
    vehicle->plate = PlateFor(vehicle->handle);
    const VehicleModel* facts = FindVehicleModel(world, model);
    // A model known only by name seats a driver and one passenger.
    vehicle->occupants.assign(facts ? static_cast<size_t>(facts->seats) : 2u, 0);
    vehicle->police = facts && facts->police;
    return vehicle->handle;
}

void RemoveEntity(World& world, int32_t handle) {
    Entity* e = FindEntity(world, handle);
    if (!e) {
        return;
    }
    if (e->kind == EntityKind::Ped) {
        if (Entity* v = FindEntity(world, e->vehicle)) {
            for (int32_t& seat : v->occupants) {
                if (seat == handle) {
                    seat = 0;
                }
            }
        }
    } else if (e->kind == EntityKind::Vehicle) {
        // Whoever sat in it is left on foot where it was, moving as it moved:
        // the pilot of a deleted aircraft falls.
        const Vec position = e->position;
        const Vec velocity = e->velocity;
        for (int32_t occupant : e->occupants) {
            if (Entity* ped = FindEntity(world, occupant)) {
                ped->vehicle = 0;
                ped->seat = -2;
                ped->position = position;
                ped->velocity = velocity;
            }
        }
    }
    world.entities.erase(handle);
    NoteRemovedHandle(world, handle);
}

bool SeatPed(World& world, int32_t pedHandle, int32_t vehicleHandle, int seat) {
    Entity* ped = FindEntity(world, pedHandle);
    Entity* vehicle = FindEntity(world, vehicleHandle);
    if (!ped || !vehicle || ped->kind != EntityKind::Ped || vehicle->kind != EntityKind::Vehicle) {
        return false;
    }
    const int seats = static_cast<int>(vehicle->occupants.size());
    if (seat == -2) {  // any free passenger seat
        for (int s = 0; s + 1 < seats; ++s) {
            if (vehicle->occupants[s + 1] == 0 || vehicle->occupants[s + 1] == pedHandle) {
                seat = s;
                break;
            }
        }
        if (seat == -2) {
            return false;
        }
    }
    if (seat < -1 || seat + 1 >= seats) {
        return false;
    }
    int32_t& place = vehicle->occupants[seat + 1];
    if (place != 0 && place != pedHandle) {
        return false;
    }
    if (Entity* old = FindEntity(world, ped->vehicle)) {
        for (int32_t& s : old->occupants) {
            if (s == pedHandle) {
                s = 0;
            }
        }
    }
    place = pedHandle;
    ped->vehicle = vehicleHandle;
    ped->seat = seat;
    ped->position = vehicle->position;
    ped->velocity = vehicle->velocity;
    ped->falling = false;
    ped->ragdoll = false;
    return true;
}

bool HasLineOfSight(const World& world, const Entity& from, const Entity& to) {
    if (Distance(from.position, to.position) > world.lineOfSightDistance) {
        return false;
    }
    const float lowest = std::min(from.position.z, to.position.z);
    for (const SightBlocker& blocker : world.sightBlockers) {
        if (lowest < blocker.height &&
            SegmentCrossesArea(from.position, to.position, blocker.area)) {
            return false;
        }
    }
    return true;
}

void Wreck(World& world, Entity& entity) {
    // People on foot nearby run from it.
    for (auto& [handle, ped] : world.entities) {
        if (ped.kind == EntityKind::Ped && ped.vehicle == 0 && ped.alive &&
            handle != world.playerPed && handle != entity.handle &&
            Distance(ped.position, entity.position) <= 40.0f) {
            ped.fleeing = true;
        }
    }
    entity.alive = false;
    if (entity.kind != EntityKind::Vehicle) {
        entity.fighting.clear();
        return;
    }
    entity.driveable = false;
    entity.engineOn = false;
    const VehicleModel* facts = FindVehicleModel(world, entity.model);
    const bool aircraft =
        facts && (facts->type == VehicleType::Plane || facts->type == VehicleType::Heli);
    if (!aircraft || entity.position.z - world.groundZ <= 5.0f) {
        return;
    }
    for (int32_t& seat : entity.occupants) {
        Entity* ped = FindEntity(world, seat);
        if (ped && ped->handle != world.playerPed) {
            ped->vehicle = 0;
            ped->seat = -2;
            ped->position = Vec{entity.position.x, entity.position.y, entity.position.z - 2.0f};
            ped->velocity = entity.velocity;
            ped->falling = true;
            seat = 0;
        }
    }
}

bool IsPointVisible(const World& world, Vec point, float radius) {
    const Camera& cam = world.camera;
    const Vec d{point.x - cam.position.x, point.y - cam.position.y, point.z - cam.position.z};
    const double dist = std::sqrt(static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                                  static_cast<double>(d.z) * d.z);
    if (dist - radius > cam.viewDistance) {
        return false;
    }
    if (dist <= radius) {
        return true;
    }
    // Within the half-angle of the camera's yaw, on the ground plane.
    const Vec forward = CameraForward(cam.rotation.z);
    const double flat = std::sqrt(static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y);
    if (flat <= radius) {
        return true;
    }
    const double dot =
        (static_cast<double>(forward.x) * d.x + static_cast<double>(forward.y) * d.y);
    // Widen the cone by the sphere's radius, as seen from the camera.
    const double half = std::min(180.0, cam.halfAngleDegrees + 57.29577951308232 * (radius / flat));
    if (!(half > -90.0 && half < 90.0)) {
        return dot >= flat * CosDegrees(half);
    }
    if (dot < 0.0) {
        return false;  // behind a cone narrower than a half-plane: its cosine is positive
    }
    // The platform's cosine differs from CosDegrees by far less than the
    // margin, so it settles every point that is not right at the cone's edge
    // exactly as CosDegrees would; only those near the edge pay for it.
    const double quick = flat * std::cos(half * 0.017453292519943295);
    const double margin = flat * 1e-9;
    if (dot >= quick + margin) {
        return true;
    }
    if (dot < quick - margin) {
        return false;
    }
    return dot >= flat * CosDegrees(half);
}

bool IsEntityVisible(const World& world, const Entity& entity) {
    if (entity.onScreenOverride >= 0) {
        return entity.onScreenOverride == 1;
    }
    return IsPointVisible(world, entity.position, entity.kind == EntityKind::Vehicle ? 2.5f : 1.0f);
}

int32_t RandomInRange(World& world, int32_t start, int32_t end) {
    return DrawInRange(world.rngState, start, end);
}

int32_t WorldRandomInRange(World& world, int32_t start, int32_t end) {
    return DrawInRange(world.worldRngState, start, end);
}

float Distance(Vec a, Vec b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    const double dz = static_cast<double>(a.z) - b.z;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

float Distance2D(Vec a, Vec b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

Vec HeadingDirection(float headingDegrees) {
    const double d = ReduceDegrees(headingDegrees);
    // The four street directions exactly, so that grid traffic stays on its lines.
    if (d == 0.0) {
        return Vec{0.0f, 1.0f, 0.0f};
    }
    if (d == 90.0) {
        return Vec{-1.0f, 0.0f, 0.0f};
    }
    if (d == -180.0) {
        return Vec{0.0f, -1.0f, 0.0f};
    }
    if (d == -90.0) {
        return Vec{1.0f, 0.0f, 0.0f};
    }
    return Vec{static_cast<float>(-SinDegrees(d)), static_cast<float>(CosDegrees(d)), 0.0f};
}

int64_t NowMs(const World& world) {
    // A thousandth of a millisecond of slack: 3 frames of 1000/60 ms are 50 ms,
    // although frameTimeMs, a float, falls a little short of 1000/60.
    return static_cast<int64_t>(
        std::floor(static_cast<double>(world.frame) * world.frameTimeMs + 1e-3));
}

void ApplyKeyEvents(World& world, int frame) {
    for (const KeyEvent& event : world.keyEvents) {
        if (event.frame != frame) {
            continue;
        }
        if (event.down) {
            world.keysDown.insert(event.key);
        } else {
            world.keysDown.erase(event.key);
        }
    }
}

void BeginFrame(World& world) {
    ApplyKeyEvents(world, world.frame);
    world.textsThisFrame.clear();
    world.linesThisFrame.clear();
    world.drawnFrame = world.frame;
}

void AddScriptRestart(World& world, int frame) {
    std::vector<int>& frames = world.scriptRestartFrames;
    const auto at = std::lower_bound(frames.begin(), frames.end(), frame);
    if (at == frames.end() || *at != frame) {
        frames.insert(at, frame);
    }
}

bool ScriptRestartScheduled(const World& world) {
    return std::binary_search(world.scriptRestartFrames.begin(), world.scriptRestartFrames.end(),
                              world.frame);
}

}  // namespace sim

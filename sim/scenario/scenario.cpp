#include "sim/scenario/scenario.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "sim/chaos/chaos.h"
#include "sim/scenario/key_names.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

using nlohmann::json;

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw ScenarioError(path + ": " + what);
}

std::string Field(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

std::string Index(const std::string& path, size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

// Checks that `j` is an object with no keys beyond `allowed`.
void ExpectObject(const json& j, const std::string& path,
                  std::initializer_list<const char*> allowed) {
    if (!j.is_object()) {
        Fail(path.empty() ? "scenario" : path, "expected an object");
    }
    for (const auto& item : j.items()) {
        const bool known = std::any_of(allowed.begin(), allowed.end(),
                                       [&](const char* key) { return item.key() == key; });
        if (!known) {
            Fail(Field(path, item.key()), "unknown field");
        }
    }
}

const json* Get(const json& j, const char* key) {
    auto it = j.find(key);
    return it == j.end() || it->is_null() ? nullptr : &*it;
}

float Number(const json& v, const std::string& path) {
    if (!v.is_number()) {
        Fail(path, "expected a number");
    }
    const double d = v.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > 1e9) {
        Fail(path, "number out of range");
    }
    return static_cast<float>(d);
}

int Integer(const json& v, const std::string& path) {
    if (!v.is_number_integer()) {
        Fail(path, "expected an integer");
    }
    const int64_t i = v.get<int64_t>();
    if (i < -2147483647LL || i > 2147483647LL) {
        Fail(path, "integer out of range");
    }
    return static_cast<int>(i);
}

bool Boolean(const json& v, const std::string& path) {
    if (!v.is_boolean()) {
        Fail(path, "expected true or false");
    }
    return v.get<bool>();
}

std::string Text(const json& v, const std::string& path) {
    if (!v.is_string()) {
        Fail(path, "expected a string");
    }
    return v.get<std::string>();
}

void ReadFloat(const json& j, const char* key, const std::string& path, float* out) {
    if (const json* v = Get(j, key)) {
        *out = Number(*v, Field(path, key));
    }
}

void ReadInt(const json& j, const char* key, const std::string& path, int* out, int min) {
    if (const json* v = Get(j, key)) {
        *out = Integer(*v, Field(path, key));
        if (*out < min) {
            Fail(Field(path, key), "must be at least " + std::to_string(min));
        }
    }
}

void ReadBool(const json& j, const char* key, const std::string& path, bool* out) {
    if (const json* v = Get(j, key)) {
        *out = Boolean(*v, Field(path, key));
    }
}

// [x, y] (on the ground) or [x, y, z].
Vec ReadPoint(const json& v, const std::string& path, float groundZ) {
    if (!v.is_array() || (v.size() != 2 && v.size() != 3)) {
        Fail(path, "expected [x, y] or [x, y, z]");
    }
    Vec p{Number(v[0], Index(path, 0)), Number(v[1], Index(path, 1)), groundZ};
    if (v.size() == 3) {
        p.z = Number(v[2], Index(path, 2));
    }
    return p;
}

Vec ReadVector(const json& v, const std::string& path) {
    if (!v.is_array() || v.size() != 3) {
        Fail(path, "expected [x, y, z]");
    }
    return Vec{Number(v[0], Index(path, 0)), Number(v[1], Index(path, 1)),
               Number(v[2], Index(path, 2))};
}

RoadArea ReadArea(const json& v, const std::string& path) {
    if (!v.is_array() || v.size() != 4) {
        Fail(path, "expected [minX, minY, maxX, maxY]");
    }
    RoadArea a{Number(v[0], Index(path, 0)), Number(v[1], Index(path, 1)),
               Number(v[2], Index(path, 2)), Number(v[3], Index(path, 3))};
    if (a.minX > a.maxX || a.minY > a.maxY) {
        Fail(path, "minimum above maximum");
    }
    return a;
}

const json& Array(const json& v, const std::string& path) {
    if (!v.is_array()) {
        Fail(path, "expected a list");
    }
    return v;
}

uint32_t VehicleModelHash(World& world, const json& v, const std::string& path) {
    const std::string name = Text(v, path);
    const uint32_t hash = HashName(name);
    if (!world.knownModelHashes.count(hash)) {
        Fail(path, "unknown vehicle model \"" + name + "\"");
    }
    return hash;
}

uint32_t PedModelHash(World& world, const json& v, const std::string& path) {
    const std::string name = Text(v, path);
    const uint32_t hash = HashName(name);
    if (!IsPedModel(world, hash)) {
        Fail(path, "unknown ped model \"" + name + "\"");
    }
    return hash;
}

// --- The parts of a scenario --------------------------------------------------

struct Loader {
    World& world;
    // Combat between named peds, resolved once every entity exists.
    std::vector<std::pair<int32_t, std::pair<std::string, std::string>>> fights;

    void Name(const json& j, const std::string& path, int32_t handle) {
        if (const json* id = Get(j, "id")) {
            const std::string name = Text(*id, Field(path, "id"));
            if (!world.namedEntities.emplace(name, handle).second) {
                Fail(Field(path, "id"), "duplicate id \"" + name + "\"");
            }
        }
    }

    // Fields every entity may have.
    void ReadEntityFlags(const json& j, const std::string& path, Entity& e) {
        ReadFloat(j, "heading", path, &e.heading);
        if (const json* v = Get(j, "velocity")) {
            e.velocity = ReadVector(*v, Field(path, "velocity"));
        }
        if (const json* v = Get(j, "onScreen")) {
            e.onScreenOverride = Boolean(*v, Field(path, "onScreen")) ? 1 : 0;
        }
        ReadBool(j, "damagedByVehicle", path, &e.damagedByVehicle);
        ReadBool(j, "damagedByPed", path, &e.damagedByPed);
        ReadBool(j, "ambient", path, &e.ambient);
        if (const json* v = Get(j, "dead")) {
            e.alive = !Boolean(*v, Field(path, "dead"));
        }
        if (const json* v = Get(j, "controlDelay")) {
            e.controlDelayFrames = Integer(*v, Field(path, "controlDelay"));
            e.scriptControlled = e.controlDelayFrames <= 0;
        }
        if (const json* v = Get(j, "released")) {
            if (Boolean(*v, Field(path, "released"))) {
                ReleaseToWorld(world, e);
            }
        }
    }

    // A ped: standing, falling, or (with `vehicle`) seated.
    int32_t ReadPed(const json& j, const std::string& path, int32_t vehicle, int seat) {
        ExpectObject(j, path,
                     {"id",      "model",    "type",         "position",         "height",
                      "heading", "velocity", "onScreen",     "damagedByVehicle", "damagedByPed",
                      "ambient", "dead",     "controlDelay", "released",         "falling",
                      "ragdoll", "fleeing",  "maxHealth",    "fighting",         "vehicle",
                      "seat"});
        uint32_t model = 0;
        int pedType = 4;
        if (const json* v = Get(j, "model")) {
            model = PedModelHash(world, *v, Field(path, "model"));
            ReadInt(j, "type", path, &pedType, 0);
        } else {
            RandomDriverFor(world, FindVehicle(world, vehicle), &pedType, &model);
            ReadInt(j, "type", path, &pedType, 0);
        }
        Vec position{0.0f, 0.0f, world.groundZ};
        if (const json* v = Get(j, "position")) {
            position = ReadPoint(*v, Field(path, "position"), world.groundZ);
        } else if (vehicle == 0 && !Get(j, "vehicle")) {
            Fail(Field(path, "position"), "required for a ped on foot");
        }
        if (const json* v = Get(j, "height")) {
            position.z = world.groundZ + Number(*v, Field(path, "height"));
        }
        const int32_t handle = CreatePed(world, model, pedType, position);
        if (handle == 0) {
            Fail(path, "the ped pool is full");
        }
        Entity& ped = world.entities.at(handle);
        ReadEntityFlags(j, path, ped);
        ReadBool(j, "ragdoll", path, &ped.ragdoll);
        ReadBool(j, "fleeing", path, &ped.fleeing);
        ReadInt(j, "maxHealth", path, &ped.maxHealth, 0);
        ped.falling = ped.position.z > world.groundZ + 0.05f;
        ReadBool(j, "falling", path, &ped.falling);
        if (const json* v = Get(j, "fighting")) {
            const json& list = Array(*v, Field(path, "fighting"));
            for (size_t i = 0; i < list.size(); ++i) {
                fights.push_back({handle,
                                  {Text(list[i], Index(Field(path, "fighting"), i)),
                                   Index(Field(path, "fighting"), i)}});
            }
        }
        Name(j, path, handle);

        if (const json* v = Get(j, "vehicle")) {
            const std::string id = Text(*v, Field(path, "vehicle"));
            auto it = world.namedEntities.find(id);
            if (it == world.namedEntities.end() || !FindVehicle(world, it->second)) {
                Fail(Field(path, "vehicle"), "no vehicle with id \"" + id + "\"");
            }
            vehicle = it->second;
            seat = -1;
            ReadInt(j, "seat", path, &seat, -1);
        }
        if (vehicle != 0 && !SeatPed(world, handle, vehicle, seat)) {
            Fail(Field(path, "seat"), "seat " + std::to_string(seat) + " is taken or missing");
        }
        return handle;
    }

    void ReadVehicle(const json& j, const std::string& path) {
        ExpectObject(j, path,
                     {"id",      "model",       "position",     "heading",          "velocity",
                      "speed",   "cruiseSpeed", "onScreen",     "damagedByVehicle", "damagedByPed",
                      "ambient", "dead",        "controlDelay", "released",         "driveable",
                      "trailer", "plate",       "engineOn",     "driver",           "passengers"});
        const json* model = Get(j, "model");
        if (!model) {
            Fail(Field(path, "model"), "required");
        }
        const uint32_t hash = VehicleModelHash(world, *model, Field(path, "model"));
        const json* position = Get(j, "position");
        if (!position) {
            Fail(Field(path, "position"), "required");
        }
        const int32_t handle = CreateVehicleEntity(
            world, hash, ReadPoint(*position, Field(path, "position"), world.groundZ), 0.0f);
        if (handle == 0) {
            Fail(path, "the vehicle pool is full");
        }
        Entity& v = world.entities.at(handle);
        ReadEntityFlags(j, path, v);
        if (const json* speed = Get(j, "speed")) {
            const float s = Number(*speed, Field(path, "speed"));
            const Vec dir = HeadingDirection(v.heading);
            v.velocity = Vec{dir.x * s, dir.y * s, 0.0f};
        }
        ReadFloat(j, "cruiseSpeed", path, &v.cruiseSpeed);
        ReadBool(j, "driveable", path, &v.driveable);
        ReadBool(j, "trailer", path, &v.towingTrailer);
        ReadBool(j, "engineOn", path, &v.engineOn);
        if (!v.alive) {
            v.driveable = false;
        }
        if (const json* plate = Get(j, "plate")) {
            v.plate = Text(*plate, Field(path, "plate")).substr(0, 8);
        }
        Name(j, path, handle);

        if (const json* driver = Get(j, "driver")) {
            const std::string where = Field(path, "driver");
            if (driver->is_boolean()) {
                if (driver->get<bool>()) {
                    ReadPed(json::object(), where, handle, -1);
                }
            } else {
                ReadPed(*driver, where, handle, -1);
            }
        }
        if (const json* passengers = Get(j, "passengers")) {
            const std::string where = Field(path, "passengers");
            if (passengers->is_number_integer()) {
                const int count = Integer(*passengers, where);
                for (int seat = 0; seat < count; ++seat) {
                    ReadPed(json::object(), Index(where, static_cast<size_t>(seat)), handle, seat);
                }
            } else {
                const json& list = Array(*passengers, where);
                for (size_t i = 0; i < list.size(); ++i) {
                    ReadPed(list[i], Index(where, i), handle, static_cast<int>(i));
                }
            }
        }
    }

    void ReadPlayer(const json& j, const std::string& path) {
        ExpectObject(j, path, {"model", "position", "heading", "vehicle", "drives", "speed"});
        uint32_t model = HashName("player_zero");
        if (const json* v = Get(j, "model")) {
            model = PedModelHash(world, *v, Field(path, "model"));
        }
        Vec position{0.0f, 0.0f, world.groundZ};
        if (const json* v = Get(j, "position")) {
            position = ReadPoint(*v, Field(path, "position"), world.groundZ);
        }
        float heading = 0.0f;
        ReadFloat(j, "heading", path, &heading);
        world.playerPed = CreatePed(world, model, 0, position);
        world.entities.at(world.playerPed).heading = heading;
        ReadBool(j, "drives", path, &world.playerDrives);
        ReadFloat(j, "speed", path, &world.playerSpeed);
        if (const json* v = Get(j, "vehicle")) {
            const uint32_t hash = VehicleModelHash(world, *v, Field(path, "vehicle"));
            const int32_t vehicle = CreateVehicleEntity(world, hash, position, heading);
            SeatPed(world, world.playerPed, vehicle, -1);
            world.playerLastVehicle = vehicle;
            Entity& car = world.entities.at(vehicle);
            car.engineOn = true;
            if (world.playerDrives) {
                const Vec dir = HeadingDirection(heading);
                car.velocity = Vec{dir.x * world.playerSpeed, dir.y * world.playerSpeed, 0.0f};
            }
        } else if (world.playerDrives) {
            Fail(Field(path, "drives"), "the player needs a vehicle to drive");
        }
    }

    void ReadCamera(const json& j, const std::string& path) {
        ExpectObject(j, path, {"follow", "position", "rotation", "viewDistance", "halfAngle"});
        ReadBool(j, "follow", path, &world.cameraFollowsPlayer);
        if (const json* v = Get(j, "position")) {
            world.camera.position = ReadVector(*v, Field(path, "position"));
        }
        if (const json* v = Get(j, "rotation")) {
            world.camera.rotation = ReadVector(*v, Field(path, "rotation"));
        }
        ReadFloat(j, "viewDistance", path, &world.camera.viewDistance);
        ReadFloat(j, "halfAngle", path, &world.camera.halfAngleDegrees);
        if (world.camera.halfAngleDegrees <= 0.0f || world.camera.halfAngleDegrees > 180.0f) {
            Fail(Field(path, "halfAngle"), "must be above 0 and at most 180");
        }
    }

    // A grid of streets: nodes along every street, road areas over them.
    void ReadGrid(const json& j, const std::string& path) {
        ExpectObject(j, path, {"origin", "blocks", "blockSize", "nodeSpacing", "lanes", "width"});
        StreetGrid grid;
        grid.z = world.groundZ;
        if (const json* v = Get(j, "origin")) {
            const Vec o = ReadPoint(*v, Field(path, "origin"), world.groundZ);
            grid.originX = o.x;
            grid.originY = o.y;
        }
        if (const json* v = Get(j, "blocks")) {
            const std::string where = Field(path, "blocks");
            if (!v->is_array() || v->size() != 2) {
                Fail(where, "expected [blocksX, blocksY]");
            }
            grid.blocksX = Integer((*v)[0], Index(where, 0));
            grid.blocksY = Integer((*v)[1], Index(where, 1));
            if (grid.blocksX < 1 || grid.blocksY < 1 || grid.blocksX > 100 || grid.blocksY > 100) {
                Fail(where, "must be between 1 and 100");
            }
        }
        ReadFloat(j, "blockSize", path, &grid.blockSize);
        float spacing = 20.0f;
        ReadFloat(j, "nodeSpacing", path, &spacing);
        int lanes = 2;
        ReadInt(j, "lanes", path, &lanes, 1);
        float width = 12.0f;
        ReadFloat(j, "width", path, &width);
        if (grid.blockSize < 10.0f) {
            Fail(Field(path, "blockSize"), "must be at least 10");
        }
        if (spacing < 1.0f || spacing > grid.blockSize) {
            Fail(Field(path, "nodeSpacing"), "must be between 1 and blockSize");
        }
        const int perBlock = std::max(1, static_cast<int>(grid.blockSize / spacing));
        const float step = grid.blockSize / static_cast<float>(perBlock);
        const float half = width / 2.0f;
        const float spanX = grid.blockSize * static_cast<float>(grid.blocksX);
        const float spanY = grid.blockSize * static_cast<float>(grid.blocksY);
        for (int i = 0; i <= grid.blocksX; ++i) {  // north-south streets
            const float x = grid.originX + grid.blockSize * static_cast<float>(i);
            for (int k = 0; k <= perBlock * grid.blocksY; ++k) {
                world.roadNodes.push_back(RoadNode{
                    Vec{x, grid.originY + step * static_cast<float>(k), grid.z}, 0.0f, lanes});
            }
            world.roadAreas.push_back(
                RoadArea{x - half, grid.originY - half, x + half, grid.originY + spanY + half});
        }
        for (int jj = 0; jj <= grid.blocksY; ++jj) {  // east-west streets, crossings done already
            const float y = grid.originY + grid.blockSize * static_cast<float>(jj);
            for (int k = 0; k <= perBlock * grid.blocksX; ++k) {
                if (k % perBlock == 0) {
                    continue;
                }
                world.roadNodes.push_back(RoadNode{
                    Vec{grid.originX + step * static_cast<float>(k), y, grid.z}, 270.0f, lanes});
            }
            world.roadAreas.push_back(
                RoadArea{grid.originX - half, y - half, grid.originX + spanX + half, y + half});
        }
        world.streetGrids.push_back(grid);
    }

    void ReadRoads(const json& j, const std::string& path) {
        ExpectObject(j, path, {"grids", "nodes", "areas"});
        if (const json* v = Get(j, "grids")) {
            const json& list = Array(*v, Field(path, "grids"));
            for (size_t i = 0; i < list.size(); ++i) {
                ReadGrid(list[i], Index(Field(path, "grids"), i));
            }
        }
        if (const json* v = Get(j, "nodes")) {
            const json& list = Array(*v, Field(path, "nodes"));
            for (size_t i = 0; i < list.size(); ++i) {
                const std::string where = Index(Field(path, "nodes"), i);
                ExpectObject(list[i], where, {"position", "heading", "lanes", "offRoad"});
                RoadNode node;
                const json* p = Get(list[i], "position");
                if (!p) {
                    Fail(Field(where, "position"), "required");
                }
                node.position = ReadPoint(*p, Field(where, "position"), world.groundZ);
                ReadFloat(list[i], "heading", where, &node.heading);
                ReadInt(list[i], "lanes", where, &node.lanes, 1);
                ReadBool(list[i], "offRoad", where, &node.offRoad);
                world.roadNodes.push_back(node);
            }
        }
        if (const json* v = Get(j, "areas")) {
            const json& list = Array(*v, Field(path, "areas"));
            for (size_t i = 0; i < list.size(); ++i) {
                world.roadAreas.push_back(ReadArea(list[i], Index(Field(path, "areas"), i)));
            }
        }
    }

    void ReadStreaming(const json& j, const std::string& path) {
        ExpectObject(j, path, {"delayFrames", "giveUpFrames", "neverLoading", "loaded"});
        ReadInt(j, "delayFrames", path, &world.modelLoadDelayFrames, 0);
        ReadInt(j, "giveUpFrames", path, &world.streamingGiveUpFrames, 1);
        if (const json* v = Get(j, "neverLoading")) {
            const json& list = Array(*v, Field(path, "neverLoading"));
            for (size_t i = 0; i < list.size(); ++i) {
                world.neverLoadingModels.insert(
                    VehicleModelHash(world, list[i], Index(Field(path, "neverLoading"), i)));
            }
        }
        if (const json* v = Get(j, "loaded")) {
            const json& list = Array(*v, Field(path, "loaded"));
            for (size_t i = 0; i < list.size(); ++i) {
                world.loadedModels.insert(
                    VehicleModelHash(world, list[i], Index(Field(path, "loaded"), i)));
            }
        }
    }

    void ReadAmbient(const json& j, const std::string& path) {
        ExpectObject(
            j, path,
            {"vehicles", "peds", "models", "pedModels", "spawnMin", "spawnMax", "cleanupDistance"});
        ReadInt(j, "vehicles", path, &world.ambientVehicleTarget, 0);
        ReadInt(j, "peds", path, &world.ambientPedTarget, 0);
        if (const json* v = Get(j, "models")) {
            const json& list = Array(*v, Field(path, "models"));
            world.ambientVehicleModels.clear();
            for (size_t i = 0; i < list.size(); ++i) {
                world.ambientVehicleModels.push_back(
                    VehicleModelHash(world, list[i], Index(Field(path, "models"), i)));
            }
        }
        if (const json* v = Get(j, "pedModels")) {
            const json& list = Array(*v, Field(path, "pedModels"));
            if (list.empty()) {
                Fail(Field(path, "pedModels"), "needs at least one model");
            }
            world.ambientPedModels.clear();
            for (size_t i = 0; i < list.size(); ++i) {
                world.ambientPedModels.push_back(
                    PedModelHash(world, list[i], Index(Field(path, "pedModels"), i)));
            }
        }
        ReadFloat(j, "spawnMin", path, &world.ambientSpawnMin);
        ReadFloat(j, "spawnMax", path, &world.ambientSpawnMax);
        ReadFloat(j, "cleanupDistance", path, &world.cleanupDistance);
        if (world.ambientSpawnMin > world.ambientSpawnMax) {
            Fail(Field(path, "spawnMin"), "above spawnMax");
        }
    }

    // Areas as [minX, minY, maxX, maxY], or {"area": [...], "writesNothing": true}
    // for an area where the failing query leaves its out-parameter alone.
    void ReadUnwalkable(const json& j, const std::string& path) {
        const json& list = Array(j, path);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string where = Index(path, i);
            if (!list[i].is_object()) {
                world.unwalkableAreas.push_back(ReadArea(list[i], where));
                continue;
            }
            ExpectObject(list[i], where, {"area", "writesNothing"});
            const json* area = Get(list[i], "area");
            if (!area) {
                Fail(Field(where, "area"), "required");
            }
            bool silent = false;
            ReadBool(list[i], "writesNothing", where, &silent);
            (silent ? world.unwalkableSilentAreas : world.unwalkableAreas)
                .push_back(ReadArea(*area, Field(where, "area")));
        }
    }

    void ReadChaos(const json& j, const std::string& path) {
        ExpectObject(j, path, {"rate", "kinds"});
        if (const json* v = Get(j, "rate")) {
            const float rate = Number(*v, Field(path, "rate"));
            if (rate < 0.0f || rate > 1.0f) {
                Fail(Field(path, "rate"), "must be between 0 and 1");
            }
            world.chaos.rate = v->get<double>();
        }
        if (const json* v = Get(j, "kinds")) {
            const json& list = Array(*v, Field(path, "kinds"));
            world.chaos.kinds = 0;
            for (size_t i = 0; i < list.size(); ++i) {
                const std::string where = Index(Field(path, "kinds"), i);
                ChaosKind kind;
                if (!ChaosKindFromName(Text(list[i], where), &kind)) {
                    Fail(where, "unknown kind of fault \"" + list[i].get<std::string>() + "\"");
                }
                world.chaos.kinds |= 1u << static_cast<unsigned>(kind);
            }
        }
    }

    void ReadSettingsChanges(const json& j, const std::string& path) {
        const json& list = Array(j, path);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string where = Index(path, i);
            ExpectObject(list[i], where, {"frame", "ini", "text", "remove"});
            SettingsFileChange change;
            const json* frame = Get(list[i], "frame");
            if (!frame) {
                Fail(Field(where, "frame"), "required");
            }
            change.frame = Integer(*frame, Field(where, "frame"));
            if (change.frame < 1) {
                Fail(Field(where, "frame"), "must be at least 1");
            }
            const json* ini = Get(list[i], "ini");
            const json* text = Get(list[i], "text");
            ReadBool(list[i], "remove", where, &change.remove);
            if ((ini != nullptr) + (text != nullptr) + change.remove != 1) {
                Fail(where, "needs one of ini, text and remove");
            }
            if (ini) {
                change.path = Text(*ini, Field(where, "ini"));
            }
            if (text) {
                change.text = Text(*text, Field(where, "text"));
            }
            world.settingsChanges.push_back(change);
        }
    }

    void ReadDriverTypes(const json& j, const std::string& path) {
        const json& list = Array(j, path);
        for (size_t i = 0; i < list.size(); ++i) {
            const int type = Integer(list[i], Index(path, i));
            if (type < 0 || type > 29) {
                Fail(Index(path, i), "ped types are 0 to 29");
            }
            world.randomDriverTypes.push_back(type);
        }
    }

    void ReadScriptRestarts(const json& j, const std::string& path) {
        const json& list = Array(j, path);
        for (size_t i = 0; i < list.size(); ++i) {
            const int frame = Integer(list[i], Index(path, i));
            if (frame < 0) {
                Fail(Index(path, i), "frames are 0 or more");
            }
            AddScriptRestart(world, frame);
        }
    }

    void ReadKeys(const json& j, const std::string& path) {
        const json& list = Array(j, path);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string where = Index(path, i);
            ExpectObject(list[i], where, {"frame", "key", "down"});
            KeyEvent event;
            const json* frame = Get(list[i], "frame");
            const json* key = Get(list[i], "key");
            const json* down = Get(list[i], "down");
            if (!frame || !key || !down) {
                Fail(where, "needs frame, key and down");
            }
            event.frame = Integer(*frame, Field(where, "frame"));
            if (event.frame < 0) {
                Fail(Field(where, "frame"), "must not be negative");
            }
            if (key->is_string()) {
                event.key = KeyCodeFromName(key->get<std::string>());
                if (event.key < 0) {
                    Fail(Field(where, "key"), "unknown key \"" + key->get<std::string>() + "\"");
                }
            } else {
                event.key = Integer(*key, Field(where, "key"));
                if (event.key < 1 || event.key > 255) {
                    Fail(Field(where, "key"), "virtual-key codes are 1 to 255");
                }
            }
            event.down = Boolean(*down, Field(where, "down"));
            world.keyEvents.push_back(event);
        }
        std::stable_sort(world.keyEvents.begin(), world.keyEvents.end(),
                         [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
    }

    void Load(const json& j) {
        ExpectObject(j, "",
                     {"name",
                      "description",
                      "frames",
                      "ini",
                      "frameTimeMs",
                      "groundZ",
                      "player",
                      "camera",
                      "roads",
                      "blockers",
                      "unwalkable",
                      "vehicles",
                      "peds",
                      "pools",
                      "streaming",
                      "ambient",
                      "keys",
                      "lineOfSightDistance",
                      "nearbyVehicleRadius",
                      "chaos",
                      "settingsChanges",
                      "randomDriverTypes",
                      "scriptRestarts"});
        ReadInt(j, "frames", "", &world.scenario.frames, 0);
        if (const json* v = Get(j, "ini")) {
            world.scenario.iniPath = Text(*v, "ini");
        }
        ReadFloat(j, "frameTimeMs", "", &world.frameTimeMs);
        if (world.frameTimeMs <= 0.0f) {
            Fail("frameTimeMs", "must be above 0");
        }
        ReadFloat(j, "groundZ", "", &world.groundZ);
        ReadFloat(j, "lineOfSightDistance", "", &world.lineOfSightDistance);
        ReadFloat(j, "nearbyVehicleRadius", "", &world.nearbyVehicleRadius);
        if (const json* v = Get(j, "pools")) {
            ExpectObject(*v, "pools", {"peds", "vehicles"});
            ReadInt(*v, "peds", "pools", &world.pedPoolLimit, 1);
            ReadInt(*v, "vehicles", "pools", &world.vehiclePoolLimit, 1);
        }
        if (const json* v = Get(j, "streaming")) {
            ReadStreaming(*v, "streaming");
        }
        if (const json* v = Get(j, "roads")) {
            ReadRoads(*v, "roads");
        }
        if (const json* v = Get(j, "blockers")) {
            const json& list = Array(*v, "blockers");
            for (size_t i = 0; i < list.size(); ++i) {
                const std::string where = Index("blockers", i);
                ExpectObject(list[i], where, {"area", "height"});
                SightBlocker blocker;
                const json* area = Get(list[i], "area");
                if (!area) {
                    Fail(Field(where, "area"), "required");
                }
                blocker.area = ReadArea(*area, Field(where, "area"));
                blocker.height = 1000.0f;
                ReadFloat(list[i], "height", where, &blocker.height);
                world.sightBlockers.push_back(blocker);
            }
        }
        if (const json* v = Get(j, "unwalkable")) {
            ReadUnwalkable(*v, "unwalkable");
        }
        if (const json* v = Get(j, "randomDriverTypes")) {  // before the drivers it makes
            ReadDriverTypes(*v, "randomDriverTypes");
        }
        if (const json* v = Get(j, "chaos")) {
            ReadChaos(*v, "chaos");
        }
        if (const json* v = Get(j, "settingsChanges")) {
            ReadSettingsChanges(*v, "settingsChanges");
        }
        if (const json* v = Get(j, "scriptRestarts")) {
            ReadScriptRestarts(*v, "scriptRestarts");
        }
        if (const json* v = Get(j, "ambient")) {  // before the peds that draw from its models
            ReadAmbient(*v, "ambient");
        }
        if (const json* v = Get(j, "player")) {
            ReadPlayer(*v, "player");
            world.cameraFollowsPlayer = true;
        }
        if (const json* v = Get(j, "camera")) {
            ReadCamera(*v, "camera");
        }
        if (const json* v = Get(j, "vehicles")) {
            const json& list = Array(*v, "vehicles");
            for (size_t i = 0; i < list.size(); ++i) {
                ReadVehicle(list[i], Index("vehicles", i));
            }
        }
        if (const json* v = Get(j, "peds")) {
            const json& list = Array(*v, "peds");
            for (size_t i = 0; i < list.size(); ++i) {
                ReadPed(list[i], Index("peds", i), 0, -2);
            }
        }
        for (const auto& [fighter, target] : fights) {
            auto it = world.namedEntities.find(target.first);
            if (it == world.namedEntities.end()) {
                Fail(target.second, "no entity with id \"" + target.first + "\"");
            }
            world.entities.at(fighter).fighting.insert(it->second);
        }
        if (const json* v = Get(j, "keys")) {
            ReadKeys(*v, "keys");
        }
    }
};

// The directory part of a path, with its separator; empty for a bare name.
std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

// A path relative to the scenario file made absolute, so that it still names
// the file after the run changes directory.
std::string BesideScenario(const std::string& scenario, const std::string& file) {
    std::string path = IsAbsolute(file) ? file : DirectoryOf(scenario) + file;
    std::error_code failed;
    const std::filesystem::path resolved = std::filesystem::absolute(path, failed);
    return failed ? path : resolved.lexically_normal().string();
}

}  // namespace

bool LoadScenarioJson(const nlohmann::json& j, World& world, std::string* error) {
    if (world.vehicleModels.empty()) {
        LoadModelCatalogue(world);
    }
    if (world.ambientVehicleModels.empty()) {
        for (const char* name : {"asea", "blista", "emperor", "premier", "taxi"}) {
            world.ambientVehicleModels.push_back(HashName(name));
        }
    }
    try {
        Loader loader{world, {}};
        loader.Load(j);
    } catch (const ScenarioError& e) {
        if (error) {
            *error = e.what();
        }
        return false;
    } catch (const nlohmann::json::exception& e) {
        if (error) {
            *error = std::string("scenario: ") + e.what();
        }
        return false;
    }
    return true;
}

bool LoadScenario(const std::string& path, World& world, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        if (error) {
            *error = path + ": cannot open the scenario file";
        }
        return false;
    }
    nlohmann::json j;
    try {
        in >> j;
    } catch (const nlohmann::json::parse_error& e) {
        if (error) {
            *error = path + ": not valid JSON: " + e.what();
        }
        return false;
    }
    if (!LoadScenarioJson(j, world, error)) {
        if (error) {
            *error = path + ": " + *error;
        }
        return false;
    }
    world.scenario.path = path;
    if (!world.scenario.iniPath.empty()) {
        world.scenario.iniPath = BesideScenario(path, world.scenario.iniPath);
    }
    for (size_t i = 0; i < world.settingsChanges.size(); ++i) {
        SettingsFileChange& change = world.settingsChanges[i];
        if (change.path.empty()) {
            continue;
        }
        change.path = BesideScenario(path, change.path);
        if (!std::filesystem::is_regular_file(change.path)) {
            if (error) {
                *error = path + ": settingsChanges[" + std::to_string(i) + "].ini: no file " +
                         change.path;
            }
            return false;
        }
    }
    return true;
}

}  // namespace sim

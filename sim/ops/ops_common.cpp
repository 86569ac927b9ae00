#include "sim/ops/ops_common.h"

namespace sim {

VehicleType ModelType(const World& world, uint32_t model) {
    const VehicleModel* facts = FindVehicleModel(world, model);
    return facts ? facts->type : VehicleType::Car;
}

bool IsCarType(VehicleType type) {
    return type == VehicleType::Car || type == VehicleType::AmphibiousAutomobile ||
           type == VehicleType::SubmarineCar;
}

bool IsQuadbikeType(VehicleType type) {
    return type == VehicleType::Quadbike || type == VehicleType::AmphibiousQuadbike;
}

bool IsAircraftType(VehicleType type) {
    return type == VehicleType::Plane || type == VehicleType::Heli;
}

Entity* VehicleOf(World& world, const Entity& ped) {
    return FindVehicle(world, ped.vehicle);
}

TaskRecord& GiveTask(World& world, Entity& ped, const char* name,
                     std::initializer_list<double> values, bool follow) {
    TaskRecord task;
    task.name = name;
    task.frame = world.frame;
    task.values.assign(values.begin(), values.end());
    ped.tasks.push_back(task);
    if (follow) {
        ped.activeTask = static_cast<int>(ped.tasks.size()) - 1;
    }
    // A pilot is given a task on every pass: only the latest tasks are kept,
    // and the one the ped follows.
    const size_t Kept = 128;
    if (ped.tasks.size() > 2 * Kept) {
        size_t cut = ped.tasks.size() - Kept;
        if (ped.activeTask >= 0 && static_cast<size_t>(ped.activeTask) < cut) {
            ped.tasks[cut - 1] = ped.tasks[static_cast<size_t>(ped.activeTask)];
            ped.activeTask = static_cast<int>(cut - 1);
            --cut;
        }
        ped.tasks.erase(ped.tasks.begin(), ped.tasks.begin() + static_cast<std::ptrdiff_t>(cut));
        if (ped.activeTask >= 0) {
            ped.activeTask -= static_cast<int>(cut);
        }
    }
    return ped.tasks.back();
}

const TaskRecord* ActiveTask(const Entity& ped) {
    if (ped.activeTask < 0 || ped.activeTask >= static_cast<int>(ped.tasks.size())) {
        return nullptr;
    }
    return &ped.tasks[static_cast<size_t>(ped.activeTask)];
}

void ReleaseToWorld(World& world, Entity& entity) {
    if (!entity.released) {
        entity.released = true;
        entity.releasedFrame = world.frame;
        ++world.stats.entitiesReleased;
    }
    entity.missionEntity = false;
}

void ReleaseThroughRef(World& world, NativeCall& call, const EntityKind* kind) {
    const int32_t* ref = call.Ptr<int32_t>(0);
    if (!ref) {
        return;
    }
    Entity* e = FindEntity(world, *ref);
    if (e && (!kind || e->kind == *kind)) {
        ReleaseToWorld(world, *e);
    }
}

void DeleteThroughRef(World& world, NativeCall& call, const EntityKind* kind) {
    int32_t* ref = call.Ptr<int32_t>(0);
    if (!ref) {
        return;
    }
    Entity* e = FindEntity(world, *ref);
    if (e && (!kind || e->kind == *kind) && e->handle != world.playerPed) {
        if (e->kind == EntityKind::Vehicle) {
            ++world.stats.vehiclesDeleted;
        } else if (e->kind == EntityKind::Ped) {
            ++world.stats.pedsDeleted;
        }
        RemoveEntity(world, e->handle);
    }
    *ref = 0;
}

int32_t CreateScriptPed(World& world, uint32_t model, int pedType, Vec position) {
    const int32_t handle = CreatePed(world, model, pedType, position);
    if (Entity* ped = FindEntity(world, handle)) {
        ped->missionEntity = true;
        ped->createdByScript = true;
        ++world.stats.pedsCreated;
    }
    return handle;
}

void RandomCivilian(World& world, int* pedType, uint32_t* model) {
    if (world.ambientPedModels.empty()) {
        *pedType = 4;
        *model = HashName("a_m_y_business_01");
        return;
    }
    *model = world.ambientPedModels[static_cast<size_t>(
        WorldRandomInRange(world, 0, static_cast<int32_t>(world.ambientPedModels.size())))];
    // Civilian men are type 4 and women type 5; the model's name tells which.
    const std::string name = NameOfHash(world, *model);
    const bool female = name.size() > 2 && name[1] == '_' && name[2] == 'f';
    *pedType = female ? 5 : 4;
}

void RandomDriverFor(World& world, const Entity* vehicle, int* pedType, uint32_t* model) {
    SuitableDriverFor(world, vehicle, pedType, model);
    if (!world.randomDriverTypes.empty()) {
        *pedType = world.randomDriverTypes[static_cast<size_t>(
            WorldRandomInRange(world, 0, static_cast<int32_t>(world.randomDriverTypes.size())))];
    }
}

void SuitableDriverFor(World& world, const Entity* vehicle, int* pedType, uint32_t* model) {
    const VehicleModel* facts = vehicle ? FindVehicleModel(world, vehicle->model) : nullptr;
    if (facts && facts->police) {
        const std::string& name = facts->name;
        if (name == "riot" || name == "riot2" || name == "fbi2") {
            *pedType = 27;  // SWAT
            *model = HashName("s_m_y_swat_01");
        } else if (name == "sheriff" || name == "sheriff2") {
            *pedType = 6;
            *model = HashName("s_m_y_sheriff_01");
        } else if (name == "pranger") {
            *pedType = 6;
            *model = HashName("s_m_y_ranger_01");
        } else {
            *pedType = 6;
            *model =
                HashName(WorldRandomInRange(world, 0, 4) == 0 ? "s_f_y_cop_01" : "s_m_y_cop_01");
        }
        return;
    }
    if (facts && facts->vehicleClass == "MILITARY") {
        *pedType = 29;  // army
        *model = HashName("s_m_y_marine_01");
        return;
    }
    RandomCivilian(world, pedType, model);
}

const char* KeepText(World& world, const std::string& text) {
    world.textResult = text;
    return world.textResult.c_str();
}

}  // namespace sim

// Ped tasks: recorded on the ped, and the ones a ped follows steer it (the
// world's step reads the active task).
#include <algorithm>

#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

// The fastest a driver on a wander task drives through town, m/s.
constexpr float kWanderSpeedCap = 22.0f;

// Reads the slots after the ped as the task's values: 'i' int or handle,
// 'f' float, 'b' bool.
std::vector<double> TaskValues(const NativeCall& call, const char* kinds) {
    std::vector<double> values;
    for (int i = 0; kinds[i] != '\0'; ++i) {
        const int slot = i + 1;
        if (kinds[i] == 'f') {
            values.push_back(call.Float(slot));
        } else if (kinds[i] == 'b') {
            values.push_back(call.Bool(slot) ? 1.0 : 0.0);
        } else {
            values.push_back(call.Int(slot));
        }
    }
    return values;
}

// Records the task on the ped named by slot 0; null if there is no such ped.
Entity* Record(World& world, const NativeCall& call, const char* name, const char* kinds,
               bool follow) {
    Entity* ped = FindPed(world, call.Int(0));
    if (!ped) {
        return nullptr;
    }
    TaskRecord& task = GiveTask(world, *ped, name, {}, follow);
    task.values = TaskValues(call, kinds);
    return ped;
}

void RecordAircraftTask(World& world, const NativeCall& call, const char* name, const char* kinds) {
    if (Record(world, call, name, kinds, true)) {
        ++world.stats.aircraftTasks;
    }
}

}  // namespace

// Ends what the ped was doing: its task, its fights, its flight.
void Op_ClearPedTasks(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->activeTask = -1;
        ped->fighting.clear();
        ped->fleeing = false;
    }
}

void Op_ClearPedSecondaryTask(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->keepTask = false;
    }
}

// Stops the ped where it is: tasks, combat, flight and ragdoll end, and a
// ped on foot loses its momentum.
void Op_ClearPedTasksImmediately(World& world, NativeCall& call) {
    if (Entity* ped = FindPed(world, call.Int(0))) {
        ped->activeTask = -1;
        ped->fighting.clear();
        ped->fleeing = false;
        ped->ragdoll = false;
        if (ped->vehicle == 0) {
            ped->velocity = Vec{};
        }
    }
}

void Op_TaskWarpPedIntoVehicle(World& world, NativeCall& call) {
    if (Record(world, call, "TaskWarpPedIntoVehicle", "ii", false)) {
        SeatPed(world, call.Int(0), call.Int(1), call.Int(2));
    }
}

void Op_TaskVehicleDriveWander(World& world, NativeCall& call) {
    if (!Record(world, call, "TaskVehicleDriveWander", "ifi", true)) {
        return;
    }
    if (Entity* vehicle = FindVehicle(world, call.Int(1))) {
        vehicle->cruiseSpeed = std::clamp(call.Float(2), 0.0f, kWanderSpeedCap);
        vehicle->engineOn = true;
    }
}

void Op_TaskHeliMission(World& world, NativeCall& call) {
    RecordAircraftTask(world, call, "TaskHeliMission", "iiifffifffiifi");
}

void Op_TaskPlaneMission(World& world, NativeCall& call) {
    RecordAircraftTask(world, call, "TaskPlaneMission", "iiifffifffffb");
}

void Op_TaskPlaneChase(World& world, NativeCall& call) {
    RecordAircraftTask(world, call, "TaskPlaneChase", "ifff");
}

void Op_TaskHeliChase(World& world, NativeCall& call) {
    RecordAircraftTask(world, call, "TaskHeliChase", "ifff");
}

void Op_TaskCombatPed(World& world, NativeCall& call) {
    Entity* ped = Record(world, call, "TaskCombatPed", "iii", true);
    const int32_t target = call.Int(1);
    if (ped && target != ped->handle && FindEntity(world, target)) {
        ped->fighting.insert(target);
        ped->fleeing = false;
    }
}

// A ped with a parachute on opens it and glides to the point (state 1, then 2
// as the world steps); without a parachute the task is recorded only.
void Op_TaskParachuteToTarget(World& world, NativeCall& call) {
    Entity* ped = Record(world, call, "TaskParachuteToTarget", "fff", true);
    if (ped && ped->parachuteState == 0) {
        ped->parachuteState = 1;
        ped->parachuteStateFrame = world.frame;
    }
}

}  // namespace sim

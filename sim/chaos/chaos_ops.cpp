// The faults chaos injects inside the operations: each operation of the
// host's table is run through a wrapper that counts queries on gone handles
// and, for the operations below, now and then answers as a misbehaving game.
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "sim/chaos/chaos.h"
#include "sim/runtime/host_runtime.h"
#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

// More than the host's table will ever hold; InstallChaos checks.
constexpr size_t MaxWrappedOps = 256;

uint64_t FloatSlot(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool IsCreation(OpImpl impl) {
    return impl == Op_CreateVehicle || impl == Op_CreateRandomPed ||
           impl == Op_CreateRandomPedAsDriver || impl == Op_CreatePedInsideVehicle;
}

bool IsTextQuery(OpImpl impl) {
    return impl == Op_GetVehicleNumberPlateText || impl == Op_GetDisplayNameFromVehicleModel;
}

// Whether the call names an entity that no longer exists. The values 0, -1
// and 1 mean "none", "ignore nothing" and "anyone" to some operations.
bool NamesGoneEntity(World& world, const OpSpec& op, const NativeCall& call) {
    for (size_t i = 0; i < op.args.size() && i < call.slots.size(); ++i) {
        int32_t handle = 0;
        if (op.args[i] == ArgKind::Handle) {
            handle = call.Int(static_cast<int>(i));
        } else if (op.args[i] == ArgKind::HandleRef) {
            const int32_t* ref = call.Ptr<int32_t>(static_cast<int>(i));
            handle = ref != nullptr ? *ref : 0;
        }
        if (handle != 0 && handle != -1 && handle != 1 && FindEntity(world, handle) == nullptr) {
            return true;
        }
    }
    return false;
}

// The nearby-vehicle count: negative, or beyond what the buffer holds. The
// handles written stay within the buffer.
void NearbyCountOutOfRange(World& world, NativeCall& call) {
    const int32_t* buffer = call.Ptr<int32_t>(1);
    const int32_t capacity = buffer != nullptr ? buffer[0] : 0;
    CountChaos(world, ChaosKind::CountOutOfRange, "nearby vehicles");
    switch (ChaosRange(world, 0, 4)) {
        case 0:
            call.ReturnInt(-1);
            break;
        case 1:
            call.ReturnInt(INT_MIN);
            break;
        case 2:
            call.ReturnInt(capacity < INT_MAX ? capacity + 1 : capacity);
            break;
        default:
            call.ReturnInt(INT_MAX);
            break;
    }
}

// Moves the node the query wrote off the road, into the middle of a block.
void NodeOffRoad(World& world, NativeCall& call) {
    void* out = call.Ptr<void>(4);
    if (out == nullptr) {
        return;
    }
    const char* bytes = static_cast<const char*>(out);
    Vec node;
    std::memcpy(&node.x, bytes + 0, 4);
    std::memcpy(&node.y, bytes + 8, 4);
    std::memcpy(&node.z, bytes + 16, 4);
    const Vec off{node.x + 37.0f, node.y + 41.0f, node.z};
    NativeCall probe;
    probe.slots.resize(4);
    probe.slots[0] = FloatSlot(off.x);
    probe.slots[1] = FloatSlot(off.y);
    probe.slots[2] = FloatSlot(off.z);
    Op_IsPointOnRoad(world, probe);
    if (probe.result[0] == 0) {
        WriteVec3(out, off);
        CountChaos(world, ChaosKind::NodeOffRoad);
    }
}

void AroundOperation(size_t index, World& world, NativeCall& call) {
    const OpSpec& op = OpTable()[index];
    const OpImpl impl = op.impl;
    const double rate = world.chaos.rate;
    const bool gone = NamesGoneEntity(world, op, call);
    if (gone) {
        CountChaos(world, ChaosKind::GoneHandleQuery);
        if (impl == Op_GetVehicleNumberPlateText) {
            call.ReturnText(nullptr);  // the game has no text for a vehicle that is gone
            return;
        }
    }
    if (IsCreation(impl) && ChaosRoll(world, ChaosKind::PoolFull, rate)) {
        CountChaos(world, ChaosKind::PoolFull, op.name);
        call.ReturnInt(0);
        return;
    }
    if (impl == Op_CanCreateRandomPed && ChaosRoll(world, ChaosKind::PoolFull, rate)) {
        CountChaos(world, ChaosKind::PoolFull, op.name);
        call.ReturnBool(false);
        return;
    }
    if (IsTextQuery(impl) && ChaosRoll(world, ChaosKind::NullText, rate)) {
        CountChaos(world, ChaosKind::NullText, op.name);
        call.ReturnText(nullptr);
        return;
    }
    if (impl == Op_GetSafeCoordForPed && ChaosRoll(world, ChaosKind::NoSafePoint, rate)) {
        CountChaos(world, ChaosKind::NoSafePoint);
        call.ReturnBool(false);
        return;
    }
    if (impl == Op_HasControlOfEntity) {
        Entity* e = FindEntity(world, call.Int(0));
        if (e != nullptr && e->scriptControlled &&
            ChaosRoll(world, ChaosKind::ControlNeverGranted, rate)) {
            e->scriptControlled = false;
            e->controlDelayFrames = INT_MAX;
            CountChaos(world, ChaosKind::ControlNeverGranted);
        }
    }
    if (impl == Op_RequestModel) {
        const uint32_t model = call.Hash(0);
        if (world.knownModelHashes.count(model) && !world.loadedModels.count(model) &&
            !world.neverLoadingModels.count(model) &&
            ChaosRoll(world, ChaosKind::ModelNeverLoads, rate)) {
            world.neverLoadingModels.insert(model);
            world.chaos.stalledModels.insert(model);
            CountChaos(world, ChaosKind::ModelNeverLoads);
        }
    }
    if (impl == Op_ApplyPassStartOption) {
        NotePassStart(world);
    }
    if (impl == Op_DeleteEntity || impl == Op_DeleteVehicle) {
        const int32_t* ref = call.Ptr<int32_t>(0);
        const Entity* player = FindEntity(world, world.playerPed);
        if (ref != nullptr && *ref != 0 && player != nullptr && player->vehicle == *ref) {
            ++world.chaos.playerCarDeletedByScript;
        }
    }

    impl(world, call);

    if (impl == Op_GetPedNearbyVehicles && ChaosRoll(world, ChaosKind::CountOutOfRange, rate)) {
        NearbyCountOutOfRange(world, call);
    } else if (impl == Op_GetShapeTestResult && call.result[0] != 0) {
        int32_t* hit = call.Ptr<int32_t>(1);
        int32_t* entity = call.Ptr<int32_t>(4);
        // Rays are few: one hit in four comes back without its entity.
        if (hit != nullptr && *hit != 0 && entity != nullptr &&
            ChaosRoll(world, ChaosKind::RayWithoutEntity, 0.25)) {
            *entity = 0;
            CountChaos(world, ChaosKind::RayWithoutEntity);
        }
    } else if (impl == Op_GetNthClosestVehicleNodeWithHeading && call.result[0] != 0 &&
               ChaosRoll(world, ChaosKind::NodeOffRoad, rate)) {
        NodeOffRoad(world, call);
    } else if (impl == Op_CreateRandomPedAsDriver &&
               ChaosRoll(world, ChaosKind::OddDriverType, rate)) {
        const int32_t created = static_cast<int32_t>(static_cast<uint32_t>(call.result[0]));
        if (Entity* driver = FindPed(world, created)) {
            driver->pedType = ChaosRange(world, 0, 30);
            CountChaos(world, ChaosKind::OddDriverType);
        }
    }
}

template <size_t Index>
void WrappedOperation(World& world, NativeCall& call) {
    AroundOperation(Index, world, call);
}

template <size_t... Index>
constexpr std::array<OpImpl, sizeof...(Index)> MakeWrappers(std::index_sequence<Index...>) {
    return {&WrappedOperation<Index>...};
}

constexpr std::array<OpImpl, MaxWrappedOps> Wrappers =
    MakeWrappers(std::make_index_sequence<MaxWrappedOps>{});

}  // namespace

void InstallChaos(World& world) {
    if (!ChaosOn(world)) {
        return;
    }
    const std::vector<OpSpec>& table = OpTable();
    if (table.size() > MaxWrappedOps) {
        std::fprintf(stderr, "korvane-sim: chaos wraps only the first %u operations\n",
                     static_cast<unsigned>(MaxWrappedOps));
    }
    for (size_t i = 0; i < table.size() && i < MaxWrappedOps; ++i) {
        ReplaceOperation(table[i].hash, Wrappers[i]);
    }
}

}  // namespace sim

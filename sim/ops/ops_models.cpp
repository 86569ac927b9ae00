// Models: names to hashes, what a model is, and streaming models in.
#include <algorithm>
#include <climits>

#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

bool IsKnownModel(const World& world, uint32_t model) {
    return world.knownModelHashes.count(model) != 0 || IsPedModel(world, model);
}

// Whether the model has facts and is of one of the types.
template <class Pred>
bool ModelIs(const World& world, uint32_t model, Pred pred) {
    const VehicleModel* facts = FindVehicleModel(world, model);
    return facts && pred(facts->type);
}

bool IsPending(const World& world, uint32_t model) {
    return std::any_of(world.streaming.begin(), world.streaming.end(),
                       [&](const StreamingRequest& r) { return r.model == model; });
}

}  // namespace

void Op_GetHashKey(World&, NativeCall& call) {
    const char* name = call.Str(0);
    call.ReturnHash(name ? HashName(name) : 0u);
}

void Op_IsModelValid(World& world, NativeCall& call) {
    call.ReturnBool(IsKnownModel(world, call.Hash(0)));
}

void Op_IsModelAVehicle(World& world, NativeCall& call) {
    call.ReturnBool(world.knownModelHashes.count(call.Hash(0)) != 0);
}

// A request completes `modelLoadDelayFrames` frames later (at once with no
// delay). A model that cannot load stays pending until the streamer gives up
// on it after `streamingGiveUpFrames`.
void Op_RequestModel(World& world, NativeCall& call) {
    const uint32_t model = call.Hash(0);
    if (!IsKnownModel(world, model) || world.loadedModels.count(model) || IsPending(world, model)) {
        return;
    }
    if (world.neverLoadingModels.count(model)) {
        world.streaming.push_back(
            StreamingRequest{model, world.frame + world.streamingGiveUpFrames});
        return;
    }
    if (world.modelLoadDelayFrames <= 0) {
        world.loadedModels.insert(model);
        return;
    }
    world.streaming.push_back(StreamingRequest{model, world.frame + world.modelLoadDelayFrames});
}

void Op_HasModelLoaded(World& world, NativeCall& call) {
    call.ReturnBool(world.loadedModels.count(call.Hash(0)) != 0);
}

// Unloads the model and withdraws a pending request for it.
void Op_SetModelAsNoLongerNeeded(World& world, NativeCall& call) {
    const uint32_t model = call.Hash(0);
    world.loadedModels.erase(model);
    world.streaming.erase(
        std::remove_if(world.streaming.begin(), world.streaming.end(),
                       [&](const StreamingRequest& r) { return r.model == model; }),
        world.streaming.end());
}

void Op_GetNumberOfStreamingRequests(World& world, NativeCall& call) {
    call.ReturnInt(static_cast<int32_t>(std::min<size_t>(world.streaming.size(), INT_MAX)));
}

// Suppressed models no longer appear in ambient traffic.
void Op_SetVehicleModelIsSuppressed(World& world, NativeCall& call) {
    if (call.Bool(1)) {
        world.suppressedModels.insert(call.Hash(0));
    } else {
        world.suppressedModels.erase(call.Hash(0));
    }
}

void Op_IsThisModelAPlane(World& world, NativeCall& call) {
    call.ReturnBool(
        ModelIs(world, call.Hash(0), [](VehicleType t) { return t == VehicleType::Plane; }));
}

void Op_IsThisModelAHeli(World& world, NativeCall& call) {
    call.ReturnBool(
        ModelIs(world, call.Hash(0), [](VehicleType t) { return t == VehicleType::Heli; }));
}

// Amphibious cars and the submarine car are cars on land.
void Op_IsThisModelACar(World& world, NativeCall& call) {
    call.ReturnBool(ModelIs(world, call.Hash(0), IsCarType));
}

// Motorbikes only: bicycles are not bikes here.
void Op_IsThisModelABike(World& world, NativeCall& call) {
    call.ReturnBool(
        ModelIs(world, call.Hash(0), [](VehicleType t) { return t == VehicleType::Bike; }));
}

void Op_IsThisModelAQuadbike(World& world, NativeCall& call) {
    call.ReturnBool(ModelIs(world, call.Hash(0), IsQuadbikeType));
}

// Seats of a model, driver included; a model known only by name has two;
// anything else none.
void Op_GetVehicleModelNumberOfSeats(World& world, NativeCall& call) {
    const uint32_t model = call.Hash(0);
    const VehicleModel* facts = FindVehicleModel(world, model);
    call.ReturnInt(facts ? facts->seats : world.knownModelHashes.count(model) ? 2 : 0);
}

}  // namespace sim

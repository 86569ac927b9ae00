#include "host/natives.h"

#include <cstring>

#include "host/host_api.h"

namespace {

uint64_t SlotOf(int32_t v) {
    return static_cast<uint32_t>(v);
}
uint64_t SlotOf(uint32_t v) {
    return v;
}
uint64_t SlotOf(bool v) {
    return v ? 1u : 0u;
}
uint64_t SlotOf(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
uint64_t SlotOf(const char* text) {
    return reinterpret_cast<uintptr_t>(text);
}
uint64_t SlotOf(const void* address) {
    return reinterpret_cast<uintptr_t>(address);
}

template <class R>
struct ResultOf;
template <>
struct ResultOf<void> {
    static void Read(const uint64_t*) {}
};
template <>
struct ResultOf<bool> {
    static bool Read(const uint64_t* r) { return static_cast<uint32_t>(r[0]) != 0; }
};
template <>
struct ResultOf<int32_t> {
    static int32_t Read(const uint64_t* r) {
        return static_cast<int32_t>(static_cast<uint32_t>(r[0]));
    }
};
template <>
struct ResultOf<uint32_t> {
    static uint32_t Read(const uint64_t* r) { return static_cast<uint32_t>(r[0]); }
};
template <>
struct ResultOf<float> {
    static float Read(const uint64_t* r) {
        uint32_t bits = static_cast<uint32_t>(r[0]);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
};
template <>
struct ResultOf<Vec3> {
    static Vec3 Read(const uint64_t* r) {
        // x, y and z at bytes 0, 8 and 16 of the result slots.
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(r);
        Vec3 v;
        std::memcpy(&v.x, bytes + 0, sizeof v.x);
        std::memcpy(&v.y, bytes + 8, sizeof v.y);
        std::memcpy(&v.z, bytes + 16, sizeof v.z);
        return v;
    }
};
template <>
struct ResultOf<const char*> {
    // A host that returns no text is read as an empty text.
    static const char* Read(const uint64_t* r) {
        const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(r[0]));
        return text ? text : "";
    }
};

template <class R, NativeOp Op, class... A>
R Invoke(A... args) {
    static_assert(sizeof...(A) == NativeTable[static_cast<int>(Op)].slots,
                  "argument slots must match the operation table");
    nativeInit(NativeHash(Op));
    (nativePush64(SlotOf(args)), ...);
    return ResultOf<R>::Read(nativeCall());
}

}  // namespace

void CallEntityAndThreeFloats(uint64_t hash, EntityHandle entity, float x, float y, float z) {
    nativeInit(hash);
    nativePush64(SlotOf(entity));
    nativePush64(SlotOf(x));
    nativePush64(SlotOf(y));
    nativePush64(SlotOf(z));
    nativeCall();
}

void CallTwoEntitiesAndZeroOffset(uint64_t hash, EntityHandle first, EntityHandle second) {
    nativeInit(hash);
    nativePush64(SlotOf(first));
    nativePush64(SlotOf(second));
    nativePush64(SlotOf(0.0f));
    nativePush64(SlotOf(0.0f));
    nativePush64(SlotOf(0.0f));
    nativeCall();
}

namespace game {

bool EntityExists(EntityHandle entity) {
    return Invoke<bool, NativeOp::EntityExists>(entity);
}

Vec3 GetEntityPosition(EntityHandle entity) {
    return Invoke<Vec3, NativeOp::GetEntityPosition>(entity, 1);
}

float GetEntityHeading(EntityHandle entity) {
    return Invoke<float, NativeOp::GetEntityHeading>(entity);
}

float GetEntityHeightAboveGround(EntityHandle entity) {
    return Invoke<float, NativeOp::GetEntityHeightAboveGround>(entity);
}

ModelHash GetEntityModel(EntityHandle entity) {
    return Invoke<ModelHash, NativeOp::GetEntityModel>(entity);
}

float GetEntitySpeed(EntityHandle entity) {
    return Invoke<float, NativeOp::GetEntitySpeed>(entity);
}

Vec3 GetEntityVelocity(EntityHandle entity) {
    return Invoke<Vec3, NativeOp::GetEntityVelocity>(entity);
}

void SetEntityVelocity(EntityHandle entity, float x, float y, float z) {
    CallEntityAndThreeFloats(NativeHash(NativeOp::SetEntityVelocity), entity, x, y, z);
}

bool IsEntityOnScreen(EntityHandle entity) {
    return Invoke<bool, NativeOp::IsEntityOnScreen>(entity);
}

bool IsEntityDead(EntityHandle entity) {
    return Invoke<bool, NativeOp::IsEntityDead>(entity, 0);
}

bool IsEntityAPed(EntityHandle entity) {
    return Invoke<bool, NativeOp::IsEntityAPed>(entity);
}

bool IsEntityAVehicle(EntityHandle entity) {
    return Invoke<bool, NativeOp::IsEntityAVehicle>(entity);
}

bool HasClearLineOfSight(EntityHandle from, EntityHandle to) {
    return Invoke<bool, NativeOp::HasClearLineOfSight>(from, to, 0);
}

bool HasEntityBeenDamagedByAnyVehicle(EntityHandle entity) {
    return Invoke<bool, NativeOp::HasEntityBeenDamagedByAnyVehicle>(entity);
}

bool HasEntityBeenDamagedByAnyPed(EntityHandle entity) {
    return Invoke<bool, NativeOp::HasEntityBeenDamagedByAnyPed>(entity);
}

void DeleteEntity(EntityHandle* entity) {
    Invoke<void, NativeOp::DeleteEntity>(entity);
}

void SetEntityNoLongerNeeded(EntityHandle* entity) {
    Invoke<void, NativeOp::SetEntityNoLongerNeeded>(entity);
}

void SetEntityRecordsCollisions(EntityHandle entity, bool on) {
    Invoke<void, NativeOp::SetEntityRecordsCollisions>(entity, on);
}

bool HasControlOfEntity(EntityHandle entity) {
    return Invoke<bool, NativeOp::HasControlOfEntity>(entity);
}

bool RequestControlOfEntity(EntityHandle entity) {
    return Invoke<bool, NativeOp::RequestControlOfEntity>(entity);
}

EntityHandle GetPlayerPed() {
    return Invoke<EntityHandle, NativeOp::GetPlayerPed>();
}

void SetPedNoLongerNeeded(EntityHandle* ped) {
    Invoke<void, NativeOp::SetPedNoLongerNeeded>(ped);
}

void DeletePed(EntityHandle* ped) {
    Invoke<void, NativeOp::DeletePed>(ped);
}

bool IsPedHuman(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedHuman>(ped);
}

bool IsPedDeadOrDying(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedDeadOrDying>(ped, 1);
}

bool IsPedInAnyVehicle(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedInAnyVehicle>(ped, 1);
}

EntityHandle GetVehiclePedIsUsing(EntityHandle ped) {
    return Invoke<EntityHandle, NativeOp::GetVehiclePedIsUsing>(ped);
}

bool IsPedInAnyPlane(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedInAnyPlane>(ped);
}

bool IsPedInAnyHeli(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedInAnyHeli>(ped);
}

bool IsPedInAnyPoliceVehicle(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedInAnyPoliceVehicle>(ped);
}

bool IsPedFleeing(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedFleeing>(ped);
}

bool IsPedFalling(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedFalling>(ped);
}

bool IsPedRagdoll(EntityHandle ped) {
    return Invoke<bool, NativeOp::IsPedRagdoll>(ped);
}

bool IsPedInCombat(EntityHandle ped, EntityHandle target) {
    return Invoke<bool, NativeOp::IsPedInCombat>(ped, target);
}

bool IsPedOnSpecificVehicle(EntityHandle ped, EntityHandle vehicle) {
    return Invoke<bool, NativeOp::IsPedOnSpecificVehicle>(ped, vehicle);
}

int32_t GetPedType(EntityHandle ped) {
    return Invoke<int32_t, NativeOp::GetPedType>(ped);
}

int32_t GetPedParachuteState(EntityHandle ped) {
    return Invoke<int32_t, NativeOp::GetPedParachuteState>(ped);
}

int32_t GetPedMaxHealth(EntityHandle ped) {
    return Invoke<int32_t, NativeOp::GetPedMaxHealth>(ped);
}

void SetPedMaxHealth(EntityHandle ped, int32_t value) {
    Invoke<void, NativeOp::SetPedMaxHealth>(ped, value);
}

void SetPedCanRagdoll(EntityHandle ped, bool on) {
    Invoke<void, NativeOp::SetPedCanRagdoll>(ped, on);
}

void SetPedRandomComponentVariation(EntityHandle ped) {
    Invoke<void, NativeOp::SetPedRandomComponentVariation>(ped, 1);
}

void SetPedRandomProps(EntityHandle ped) {
    Invoke<void, NativeOp::SetPedRandomProps>(ped);
}

void GiveDelayedWeaponToPed(EntityHandle ped, ModelHash weapon, bool equipNow) {
    Invoke<void, NativeOp::GiveDelayedWeaponToPed>(ped, weapon, 300, equipNow);
}

bool SetCurrentPedVehicleWeapon(EntityHandle ped, ModelHash weapon) {
    return Invoke<bool, NativeOp::SetCurrentPedVehicleWeapon>(ped, weapon);
}

void SetPedRelationshipGroupHash(EntityHandle ped, ModelHash group) {
    Invoke<void, NativeOp::SetPedRelationshipGroupHash>(ped, group);
}

void SetBlockingOfNonTemporaryEvents(EntityHandle ped) {
    Invoke<void, NativeOp::SetBlockingOfNonTemporaryEvents>(ped, 1);
}

void SetPedFleeAttributes(EntityHandle ped, int32_t attributes, bool arg3) {
    Invoke<void, NativeOp::SetPedFleeAttributes>(ped, attributes, arg3);
}

void SetPedCombatAttributes(EntityHandle ped, int32_t attribute, bool arg3) {
    Invoke<void, NativeOp::SetPedCombatAttributes>(ped, attribute, arg3);
}

void SetPedKeepTask(EntityHandle ped) {
    Invoke<void, NativeOp::SetPedKeepTask>(ped, 1);
}

bool CanCreateRandomPed() {
    return Invoke<bool, NativeOp::CanCreateRandomPed>(1);
}

EntityHandle CreateRandomPed(float x, float y, float z) {
    return Invoke<EntityHandle, NativeOp::CreateRandomPed>(x, y, z);
}

EntityHandle CreateRandomPedAsDriver(EntityHandle vehicle) {
    return Invoke<EntityHandle, NativeOp::CreateRandomPedAsDriver>(vehicle, 1);
}

EntityHandle CreatePedInsideVehicle(EntityHandle vehicle, int32_t pedType, ModelHash model,
                                    int32_t seat, bool arg5, bool arg6) {
    return Invoke<EntityHandle, NativeOp::CreatePedInsideVehicle>(vehicle, pedType, model, seat,
                                                                  arg5, arg6);
}

bool GetSafeCoordForPed(float x, float y, float z, bool onGround, Vec3* out, int32_t flags) {
    return Invoke<bool, NativeOp::GetSafeCoordForPed>(x, y, z, onGround, out, flags);
}

void ClearPedTasks(EntityHandle ped) {
    Invoke<void, NativeOp::ClearPedTasks>(ped);
}

void ClearPedSecondaryTask(EntityHandle ped) {
    Invoke<void, NativeOp::ClearPedSecondaryTask>(ped);
}

void ClearPedTasksImmediately(EntityHandle ped) {
    Invoke<void, NativeOp::ClearPedTasksImmediately>(ped);
}

void TaskWarpPedIntoVehicle(EntityHandle ped, EntityHandle vehicle, int32_t seat) {
    Invoke<void, NativeOp::TaskWarpPedIntoVehicle>(ped, vehicle, seat);
}

void TaskVehicleDriveWander(EntityHandle driver, EntityHandle vehicle, float speed,
                            int32_t drivingStyle) {
    Invoke<void, NativeOp::TaskVehicleDriveWander>(driver, vehicle, speed, drivingStyle);
}

void TaskHeliMission(EntityHandle pilot, EntityHandle heli, EntityHandle targetVehicle,
                     EntityHandle targetPed, float x, float y, float z, int32_t mission,
                     float speed, float radius, float heading, int32_t maxHeight, int32_t minHeight,
                     float arg14, int32_t flags) {
    Invoke<void, NativeOp::TaskHeliMission>(pilot, heli, targetVehicle, targetPed, x, y, z, mission,
                                            speed, radius, heading, maxHeight, minHeight, arg14,
                                            flags);
}

void TaskPlaneMission(EntityHandle pilot, EntityHandle plane, EntityHandle targetVehicle,
                      EntityHandle targetPed, float x, float y, float z, int32_t mission,
                      float speed, float radius, float heading, float maxHeight, float minHeight) {
    Invoke<void, NativeOp::TaskPlaneMission>(pilot, plane, targetVehicle, targetPed, x, y, z,
                                             mission, speed, radius, heading, maxHeight, minHeight,
                                             0);
}

void TaskPlaneChase(EntityHandle pilot, EntityHandle target) {
    CallTwoEntitiesAndZeroOffset(NativeHash(NativeOp::TaskPlaneChase), pilot, target);
}

void TaskHeliChase(EntityHandle pilot, EntityHandle target) {
    CallTwoEntitiesAndZeroOffset(NativeHash(NativeOp::TaskHeliChase), pilot, target);
}

void TaskCombatPed(EntityHandle ped, EntityHandle target, int32_t arg3, int32_t arg4) {
    Invoke<void, NativeOp::TaskCombatPed>(ped, target, arg3, arg4);
}

void TaskParachuteToTarget(EntityHandle ped, float x, float y, float z) {
    CallEntityAndThreeFloats(NativeHash(NativeOp::TaskParachuteToTarget), ped, x, y, z);
}

EntityHandle GetPlayersLastVehicle() {
    return Invoke<EntityHandle, NativeOp::GetPlayersLastVehicle>();
}

EntityHandle CreateVehicle(ModelHash model, float x, float y, float z, float heading, bool network,
                           bool arg7) {
    return Invoke<EntityHandle, NativeOp::CreateVehicle>(model, x, y, z, heading, network, arg7, 0);
}

void SetVehicleNoLongerNeeded(EntityHandle* vehicle) {
    Invoke<void, NativeOp::SetVehicleNoLongerNeeded>(vehicle);
}

void DeleteVehicle(EntityHandle* vehicle) {
    Invoke<void, NativeOp::DeleteVehicle>(vehicle);
}

EntityHandle GetPedInVehicleSeat(EntityHandle vehicle, int32_t seat) {
    return Invoke<EntityHandle, NativeOp::GetPedInVehicleSeat>(vehicle, seat, 0);
}

bool IsVehicleSeatFree(EntityHandle vehicle, int32_t seat) {
    return Invoke<bool, NativeOp::IsVehicleSeatFree>(vehicle, seat, 0);
}

int32_t GetVehicleNumberOfPassengers(EntityHandle vehicle) {
    return Invoke<int32_t, NativeOp::GetVehicleNumberOfPassengers>(vehicle, 0, 1);
}

int32_t GetVehicleModelNumberOfSeats(ModelHash model) {
    return Invoke<int32_t, NativeOp::GetVehicleModelNumberOfSeats>(model);
}

bool IsVehicleDriveable(EntityHandle vehicle) {
    return Invoke<bool, NativeOp::IsVehicleDriveable>(vehicle, 1);
}

bool IsVehicleAttachedToTrailer(EntityHandle vehicle) {
    return Invoke<bool, NativeOp::IsVehicleAttachedToTrailer>(vehicle);
}

bool DoesVehicleHaveWeapons(EntityHandle vehicle) {
    return Invoke<bool, NativeOp::DoesVehicleHaveWeapons>(vehicle);
}

bool SetVehicleShootAtTarget(EntityHandle driver, EntityHandle target, float x, float y, float z) {
    return Invoke<bool, NativeOp::SetVehicleShootAtTarget>(driver, target, x, y, z);
}

void SetVehicleNumberPlateText(EntityHandle vehicle, const char* text) {
    Invoke<void, NativeOp::SetVehicleNumberPlateText>(vehicle, text);
}

const char* GetVehicleNumberPlateText(EntityHandle vehicle) {
    return Invoke<const char*, NativeOp::GetVehicleNumberPlateText>(vehicle);
}

void SetVehicleEngineOn(EntityHandle vehicle, bool on, bool instantly) {
    Invoke<void, NativeOp::SetVehicleEngineOn>(vehicle, on, instantly, 0);
}

void SetVehicleForwardSpeed(EntityHandle vehicle, float speed) {
    Invoke<void, NativeOp::SetVehicleForwardSpeed>(vehicle, speed);
}

bool SetVehicleOnGroundProperly(EntityHandle vehicle) {
    return Invoke<bool, NativeOp::SetVehicleOnGroundProperly>(vehicle, 5.0f);
}

void SetHeliBladesFullSpeed(EntityHandle vehicle) {
    Invoke<void, NativeOp::SetHeliBladesFullSpeed>(vehicle);
}

void ControlLandingGear(EntityHandle vehicle) {
    Invoke<void, NativeOp::ControlLandingGear>(vehicle, 3);
}

EntityHandle GetRandomVehicleInSphere(float x, float y, float z, float radius, ModelHash model,
                                      int32_t flags) {
    return Invoke<EntityHandle, NativeOp::GetRandomVehicleInSphere>(x, y, z, radius, model, flags);
}

int32_t GetPedNearbyVehicles(EntityHandle ped, int32_t* buffer) {
    return Invoke<int32_t, NativeOp::GetPedNearbyVehicles>(ped, buffer);
}

const char* GetDisplayNameFromVehicleModel(ModelHash model) {
    return Invoke<const char*, NativeOp::GetDisplayNameFromVehicleModel>(model);
}

ModelHash GetHashKey(const char* name) {
    return Invoke<ModelHash, NativeOp::GetHashKey>(name);
}

bool IsModelValid(ModelHash model) {
    return Invoke<bool, NativeOp::IsModelValid>(model);
}

bool IsModelAVehicle(ModelHash model) {
    return Invoke<bool, NativeOp::IsModelAVehicle>(model);
}

void RequestModel(ModelHash model) {
    Invoke<void, NativeOp::RequestModel>(model);
}

bool HasModelLoaded(ModelHash model) {
    return Invoke<bool, NativeOp::HasModelLoaded>(model);
}

void SetModelAsNoLongerNeeded(ModelHash model) {
    Invoke<void, NativeOp::SetModelAsNoLongerNeeded>(model);
}

int32_t GetNumberOfStreamingRequests() {
    return Invoke<int32_t, NativeOp::GetNumberOfStreamingRequests>();
}

void SetVehicleModelIsSuppressed(ModelHash model) {
    Invoke<void, NativeOp::SetVehicleModelIsSuppressed>(model, 1);
}

bool IsThisModelAPlane(ModelHash model) {
    return Invoke<bool, NativeOp::IsThisModelAPlane>(model);
}

bool IsThisModelAHeli(ModelHash model) {
    return Invoke<bool, NativeOp::IsThisModelAHeli>(model);
}

bool IsThisModelACar(ModelHash model) {
    return Invoke<bool, NativeOp::IsThisModelACar>(model);
}

bool IsThisModelABike(ModelHash model) {
    return Invoke<bool, NativeOp::IsThisModelABike>(model);
}

bool IsThisModelAQuadbike(ModelHash model) {
    return Invoke<bool, NativeOp::IsThisModelAQuadbike>(model);
}

void ApplyPassStartOption() {
    Invoke<void, NativeOp::ApplyPassStartOption>(1);
}

void SetCreateRandomCops(bool on) {
    Invoke<void, NativeOp::SetCreateRandomCops>(on);
}

void RemoveScenarioBlockingAreas() {
    Invoke<void, NativeOp::RemoveScenarioBlockingAreas>();
}

void SetAllVehicleGeneratorsActive() {
    Invoke<void, NativeOp::SetAllVehicleGeneratorsActive>();
}

void SetAllLowPriorityVehicleGeneratorsActive() {
    Invoke<void, NativeOp::SetAllLowPriorityVehicleGeneratorsActive>(1);
}

int32_t ApplyPlayerAreaOption(EntityHandle arg1, int32_t arg2, int32_t arg3, int32_t arg4,
                              int32_t arg5) {
    return Invoke<int32_t, NativeOp::ApplyPlayerAreaOption>(arg1, arg2, arg3, arg4, arg5);
}

void SetScenarioPedDensityMultiplierThisFrame(float arg1, float arg2) {
    Invoke<void, NativeOp::SetScenarioPedDensityMultiplierThisFrame>(arg1, arg2);
}

void SetPedDensityMultiplierThisFrame(float arg1) {
    Invoke<void, NativeOp::SetPedDensityMultiplierThisFrame>(arg1);
}

void SetVehiclePopulationBudget(int32_t arg1) {
    Invoke<void, NativeOp::SetVehiclePopulationBudget>(arg1);
}

void SetPedPopulationBudget(int32_t arg1) {
    Invoke<void, NativeOp::SetPedPopulationBudget>(arg1);
}

void SetVehicleDensityMultiplierThisFrame(float arg1) {
    Invoke<void, NativeOp::SetVehicleDensityMultiplierThisFrame>(arg1);
}

void SetRandomVehicleDensityMultiplierThisFrame(float arg1) {
    Invoke<void, NativeOp::SetRandomVehicleDensityMultiplierThisFrame>(arg1);
}

void PopulateNow() {
    Invoke<void, NativeOp::PopulateNow>();
}

bool GetNthClosestVehicleNodeWithHeading(float x, float y, float z, int32_t n, Vec3* outPosition,
                                         float* outHeading, int32_t* outLanes, int32_t flags,
                                         float arg9, float arg10) {
    return Invoke<bool, NativeOp::GetNthClosestVehicleNodeWithHeading>(
        x, y, z, n, outPosition, outHeading, outLanes, flags, arg9, arg10);
}

bool IsPointOnRoad(float x, float y, float z, EntityHandle vehicle) {
    return Invoke<bool, NativeOp::IsPointOnRoad>(x, y, z, vehicle);
}

bool IsSphereVisible(float x, float y, float z, float radius) {
    return Invoke<bool, NativeOp::IsSphereVisible>(x, y, z, radius);
}

float GetDistanceBetweenCoords(float x1, float y1, float z1, float x2, float y2, float z2,
                               bool useZ) {
    return Invoke<float, NativeOp::GetDistanceBetweenCoords>(x1, y1, z1, x2, y2, z2, useZ);
}

Vec3 GetGameplayCamPosition() {
    return Invoke<Vec3, NativeOp::GetGameplayCamPosition>();
}

Vec3 GetGameplayCamRotation(int32_t rotationOrder) {
    return Invoke<Vec3, NativeOp::GetGameplayCamRotation>(rotationOrder);
}

int32_t StartShapeTestRay(float x1, float y1, float z1, float x2, float y2, float z2, int32_t flags,
                          EntityHandle ignore, int32_t arg9) {
    return Invoke<int32_t, NativeOp::StartShapeTestRay>(x1, y1, z1, x2, y2, z2, flags, ignore,
                                                        arg9);
}

int32_t GetShapeTestResult(int32_t handle, int32_t* hit, Vec3* endPosition, Vec3* surfaceNormal,
                           EntityHandle* entityHit) {
    return Invoke<int32_t, NativeOp::GetShapeTestResult>(handle, hit, endPosition, surfaceNormal,
                                                         entityHit);
}

void SetTextFont(int32_t font) {
    Invoke<void, NativeOp::SetTextFont>(font);
}

void SetTextScale(float arg1, float arg2) {
    Invoke<void, NativeOp::SetTextScale>(arg1, arg2);
}

void SetTextColour(int32_t r, int32_t g, int32_t b, int32_t a) {
    Invoke<void, NativeOp::SetTextColour>(r, g, b, a);
}

void SetTextWrap(float start, float end) {
    Invoke<void, NativeOp::SetTextWrap>(start, end);
}

void SetTextCentre(bool arg1) {
    Invoke<void, NativeOp::SetTextCentre>(arg1);
}

void SetTextDropShadow(int32_t distance, int32_t r, int32_t g, int32_t b, int32_t a) {
    Invoke<void, NativeOp::SetTextDropShadow>(distance, r, g, b, a);
}

void SetTextEdge(int32_t arg1, int32_t r, int32_t g, int32_t b, int32_t a) {
    Invoke<void, NativeOp::SetTextEdge>(arg1, r, g, b, a);
}

void BeginTextEntry(const char* kind) {
    Invoke<void, NativeOp::BeginTextEntry>(kind);
}

void AddTextComponentString(const char* text) {
    Invoke<void, NativeOp::AddTextComponentString>(text);
}

void DrawText(float x, float y) {
    Invoke<void, NativeOp::DrawText>(x, y, 0);
}

void DrawLine(float x1, float y1, float z1, float x2, float y2, float z2, int32_t r, int32_t g,
              int32_t b, int32_t a) {
    Invoke<void, NativeOp::DrawLine>(x1, y1, z1, x2, y2, z2, r, g, b, a);
}

int32_t GetRandomIntInRange(int32_t start, int32_t end) {
    return Invoke<int32_t, NativeOp::GetRandomIntInRange>(start, end);
}

int32_t GetTimerA() {
    return Invoke<int32_t, NativeOp::GetTimerA>();
}

void SetTimerA(int32_t value) {
    Invoke<void, NativeOp::SetTimerA>(value);
}

}  // namespace game

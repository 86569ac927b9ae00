// The typed layer over the host's native calls: one function per game
// operation. Each pushes its argument slots in declaration order, calls the
// host and converts the first result slot.
//
// Slots: integers, bools, handles and hashes as the 32-bit value in the low
// half; floats as their IEEE bits in the low half; strings and out-parameters
// as the full address. Arguments the program always passes with one value are
// supplied here and are not parameters.
//
// Current releases of the game read more argument slots for some operations
// than their first published argument lists show; a slot that is not pushed is
// read as whatever an earlier call left there. So these wrappers push the
// trailing slots too: IsEntityDead (bool 0), CreateVehicle (bool 0, eight
// slots), GetPedInVehicleSeat (bool 0), IsVehicleSeatFree (bool 0),
// GetVehicleNumberOfPassengers (bool 0: the driver is not counted; bool 1:
// dead occupants are), SetVehicleEngineOn (bool 0), SetVehicleOnGroundProperly
// (float 5.0), TaskPlaneMission (bool 0, fourteen slots), DrawText (int 0).
//
// Index:
// [SECTION] Operation table
// [SECTION] Generic callers
// [SECTION] Typed operations (namespace game)
#pragma once

#include <cstdint>

#include "host/types.h"

// <windows.h> makes DrawText a macro for DrawTextA or DrawTextW, which would
// rename the operation in any file that includes both. The plug-in never
// uses the Windows function, so the game's name wins here.
#ifdef DrawText
#undef DrawText
#endif

//-----------------------------------------------------------------------------
// [SECTION] Operation table: name, hash, argument slots pushed
//-----------------------------------------------------------------------------

#define KORVANE_NATIVE_OPERATIONS(X)                                        \
    X(EntityExists, 0x7239B21A38F536BAULL, 1)                               \
    X(GetEntityPosition, 0x3FEF770D40960D5AULL, 2)                          \
    X(GetEntityHeading, 0xE83D4F9BA2A38914ULL, 1)                           \
    X(GetEntityHeightAboveGround, 0x1DD55701034110E5ULL, 1)                 \
    X(GetEntityModel, 0x9F47B058362C84B5ULL, 1)                             \
    X(GetEntitySpeed, 0xD5037BA82E12416FULL, 1)                             \
    X(GetEntityVelocity, 0x4805D2B1D8CF94A9ULL, 1)                          \
    X(SetEntityVelocity, 0x1C99BB7B6E96D16FULL, 4)                          \
    X(IsEntityOnScreen, 0xE659E47AF827484BULL, 1)                           \
    X(IsEntityDead, 0x5F9532F3B5CC2551ULL, 2)                               \
    X(IsEntityAPed, 0x524AC5ECEA15343EULL, 1)                               \
    X(IsEntityAVehicle, 0x6AC7003FA6E5575EULL, 1)                           \
    X(HasClearLineOfSight, 0xFCDFF7B72D23A1ACULL, 3)                        \
    X(HasEntityBeenDamagedByAnyVehicle, 0xDFD5033FDBA0A9C8ULL, 1)           \
    X(HasEntityBeenDamagedByAnyPed, 0x605F5A140F202491ULL, 1)               \
    X(DeleteEntity, 0xAE3CBE5BF394C9C9ULL, 1)                               \
    X(SetEntityNoLongerNeeded, 0xB736A491E64A32CFULL, 1)                    \
    X(SetEntityRecordsCollisions, 0x0A50A1EEDAD01E65ULL, 2)                 \
    X(HasControlOfEntity, 0x01BF60A500E28887ULL, 1)                         \
    X(RequestControlOfEntity, 0xB69317BF5E782347ULL, 1)                     \
    X(GetPlayerPed, 0xD80958FC74E988A6ULL, 0)                               \
    X(SetPedNoLongerNeeded, 0x2595DD4236549CE3ULL, 1)                       \
    X(DeletePed, 0x9614299DCB53E54BULL, 1)                                  \
    X(IsPedHuman, 0xB980061DA992779DULL, 1)                                 \
    X(IsPedDeadOrDying, 0x3317DEDB88C95038ULL, 2)                           \
    X(IsPedInAnyVehicle, 0x997ABD671D25CA0BULL, 2)                          \
    X(GetVehiclePedIsUsing, 0x6094AD011A2EA87DULL, 1)                       \
    X(IsPedInAnyPlane, 0x5FFF4CFC74D8FB80ULL, 1)                            \
    X(IsPedInAnyHeli, 0x298B91AE825E5705ULL, 1)                             \
    X(IsPedInAnyPoliceVehicle, 0x0BD04E29640C9C12ULL, 1)                    \
    X(IsPedFleeing, 0xBBCCE00B381F8482ULL, 1)                               \
    X(IsPedFalling, 0xFB92A102F1C4DFA3ULL, 1)                               \
    X(IsPedRagdoll, 0x47E4E977581C5B55ULL, 1)                               \
    X(IsPedInCombat, 0x4859F1FC66A6278EULL, 2)                              \
    X(IsPedOnSpecificVehicle, 0xEC5F66E459AF3BB2ULL, 2)                     \
    X(GetPedType, 0xFF059E1E4C01E63CULL, 1)                                 \
    X(GetPedParachuteState, 0x79CFD9827CC979B6ULL, 1)                       \
    X(GetPedMaxHealth, 0x4700A416E8324EF3ULL, 1)                            \
    X(SetPedMaxHealth, 0xF5F6378C4F3419D3ULL, 2)                            \
    X(SetPedCanRagdoll, 0xB128377056A54E2AULL, 2)                           \
    X(SetPedRandomComponentVariation, 0xC8A9481A01E63C28ULL, 2)             \
    X(SetPedRandomProps, 0xC44AA05345C992C6ULL, 1)                          \
    X(GiveDelayedWeaponToPed, 0xB282DC6EBD803C75ULL, 4)                     \
    X(SetCurrentPedVehicleWeapon, 0x75C55983C2C39DAAULL, 2)                 \
    X(SetPedRelationshipGroupHash, 0xC80A74AC829DDD92ULL, 2)                \
    X(SetBlockingOfNonTemporaryEvents, 0x90D2156198831D69ULL, 2)            \
    X(SetPedFleeAttributes, 0x70A2D1137C8ED7C9ULL, 3)                       \
    X(SetPedCombatAttributes, 0x9F7794730795E019ULL, 3)                     \
    X(SetPedKeepTask, 0x971D38760FBC02EFULL, 2)                             \
    X(CanCreateRandomPed, 0x3E8349C08E4B82E4ULL, 1)                         \
    X(CreateRandomPed, 0xB4AC7D0CF06BFE8FULL, 3)                            \
    X(CreateRandomPedAsDriver, 0x9B62392B474F44A0ULL, 2)                    \
    X(CreatePedInsideVehicle, 0x7DD959874C1FD534ULL, 6)                     \
    X(GetSafeCoordForPed, 0xB61C8E878A4199CAULL, 6)                         \
    X(ClearPedTasks, 0xE1EF3C1216AFF2CDULL, 1)                              \
    X(ClearPedSecondaryTask, 0x176CECF6F920D707ULL, 1)                      \
    X(ClearPedTasksImmediately, 0xAAA34F8A7CB32098ULL, 1)                   \
    X(TaskWarpPedIntoVehicle, 0x9A7D091411C5F684ULL, 3)                     \
    X(TaskVehicleDriveWander, 0x480142959D337D00ULL, 4)                     \
    X(TaskHeliMission, 0xDAD029E187A2BEB4ULL, 15)                           \
    X(TaskPlaneMission, 0x23703CD154E83B88ULL, 14)                          \
    X(TaskPlaneChase, 0x2D2386F273FF7A25ULL, 5)                             \
    X(TaskHeliChase, 0xAC83B1DB38D0ADA0ULL, 5)                              \
    X(TaskCombatPed, 0xF166E48407BAC484ULL, 4)                              \
    X(TaskParachuteToTarget, 0xB33E291AFA6BD03AULL, 4)                      \
    X(GetPlayersLastVehicle, 0xB6997A7EB3F5C8C0ULL, 0)                      \
    X(CreateVehicle, 0xAF35D0D2583051B0ULL, 8)                              \
    X(SetVehicleNoLongerNeeded, 0x629BFA74418D6239ULL, 1)                   \
    X(DeleteVehicle, 0xEA386986E786A54FULL, 1)                              \
    X(GetPedInVehicleSeat, 0xBB40DD2270B65366ULL, 3)                        \
    X(IsVehicleSeatFree, 0x22AC59A870E6A669ULL, 3)                          \
    X(GetVehicleNumberOfPassengers, 0x24CB2137731FFE89ULL, 3)               \
    X(GetVehicleModelNumberOfSeats, 0x2AD93716F184EDA4ULL, 1)               \
    X(IsVehicleDriveable, 0x4C241E39B23DF959ULL, 2)                         \
    X(IsVehicleAttachedToTrailer, 0xE7CF3C4F9F489F0CULL, 1)                 \
    X(DoesVehicleHaveWeapons, 0x25ECB9F8017D98E0ULL, 1)                     \
    X(SetVehicleShootAtTarget, 0x74CD9A9327A282EAULL, 5)                    \
    X(SetVehicleNumberPlateText, 0x95A88F0B409CDA47ULL, 2)                  \
    X(GetVehicleNumberPlateText, 0x7CE1CCB9B293020EULL, 1)                  \
    X(SetVehicleEngineOn, 0x2497C4717C8B881EULL, 4)                         \
    X(SetVehicleForwardSpeed, 0xAB54A438726D25D5ULL, 2)                     \
    X(SetVehicleOnGroundProperly, 0x49733E92263139D1ULL, 2)                 \
    X(SetHeliBladesFullSpeed, 0xA178472EBB8AE60DULL, 1)                     \
    X(ControlLandingGear, 0xCFC8BE9A5E1FE575ULL, 2)                         \
    X(GetRandomVehicleInSphere, 0x386F6CE5BAF6091CULL, 6)                   \
    X(GetPedNearbyVehicles, 0xCFF869CBFA210D82ULL, 2)                       \
    X(GetDisplayNameFromVehicleModel, 0xB215AAC32D25D019ULL, 1)             \
    X(GetHashKey, 0xD24D37CC275948CCULL, 1)                                 \
    X(IsModelValid, 0xC0296A2EDF545E92ULL, 1)                               \
    X(IsModelAVehicle, 0x19AAC8F07BFEC53EULL, 1)                            \
    X(RequestModel, 0x963D27A58DF860ACULL, 1)                               \
    X(HasModelLoaded, 0x98A4EB5D89A0C952ULL, 1)                             \
    X(SetModelAsNoLongerNeeded, 0xE532F5D78798DAABULL, 1)                   \
    X(GetNumberOfStreamingRequests, 0x4060057271CEBC89ULL, 0)               \
    X(SetVehicleModelIsSuppressed, 0x0FC2D89AC25A5814ULL, 2)                \
    X(IsThisModelAPlane, 0xA0948AB42D7BA0DEULL, 1)                          \
    X(IsThisModelAHeli, 0xDCE4334788AF94EAULL, 1)                           \
    X(IsThisModelACar, 0x7F6DB52EEFC96DF8ULL, 1)                            \
    X(IsThisModelABike, 0xB50C0B0CEDC6CE84ULL, 1)                           \
    X(IsThisModelAQuadbike, 0x39DAC362EE65FA28ULL, 1)                       \
    X(ApplyPassStartOption, 0x6E0C692677008888ULL, 1)                       \
    X(SetCreateRandomCops, 0x102E68B2024D536DULL, 1)                        \
    X(RemoveScenarioBlockingAreas, 0xD37401D78A929A49ULL, 0)                \
    X(SetAllVehicleGeneratorsActive, 0x34AD89078831A4BCULL, 0)              \
    X(SetAllLowPriorityVehicleGeneratorsActive, 0x608207E7A8FB787CULL, 1)   \
    X(ApplyPlayerAreaOption, 0x28157D43CF600981ULL, 5)                      \
    X(SetScenarioPedDensityMultiplierThisFrame, 0x7A556143A1C03898ULL, 2)   \
    X(SetPedDensityMultiplierThisFrame, 0x95E3D6257B166CF2ULL, 1)           \
    X(SetVehiclePopulationBudget, 0xCB9E1EB3BE2AF4E9ULL, 1)                 \
    X(SetPedPopulationBudget, 0x8C95333CFC3340F3ULL, 1)                     \
    X(SetVehicleDensityMultiplierThisFrame, 0x245A6883D966D537ULL, 1)       \
    X(SetRandomVehicleDensityMultiplierThisFrame, 0xB3B3359379FE77D3ULL, 1) \
    X(PopulateNow, 0x7472BB270D7B4F3EULL, 0)                                \
    X(GetNthClosestVehicleNodeWithHeading, 0x80CA6A8B6C094CC4ULL, 10)       \
    X(IsPointOnRoad, 0x125BF4ABFC536B09ULL, 4)                              \
    X(IsSphereVisible, 0xE33D59DA70B58FDFULL, 4)                            \
    X(GetDistanceBetweenCoords, 0xF1B760881820C952ULL, 7)                   \
    X(GetGameplayCamPosition, 0x14D6F5678D8F1B37ULL, 0)                     \
    X(GetGameplayCamRotation, 0x837765A25378F0BBULL, 1)                     \
    X(StartShapeTestRay, 0x377906D8A31E5586ULL, 9)                          \
    X(GetShapeTestResult, 0x3D87450E15D98694ULL, 5)                         \
    X(SetTextFont, 0x66E0276CC5F6B9DAULL, 1)                                \
    X(SetTextScale, 0x07C837F9A01C34C9ULL, 2)                               \
    X(SetTextColour, 0xBE6B23FFA53FB442ULL, 4)                              \
    X(SetTextWrap, 0x63145D9C883A1A70ULL, 2)                                \
    X(SetTextCentre, 0xC02F4DBFB51D988BULL, 1)                              \
    X(SetTextDropShadow, 0x465C84BC39F1C351ULL, 5)                          \
    X(SetTextEdge, 0x441603240D202FA6ULL, 5)                                \
    X(BeginTextEntry, 0x25FBB336DF1804CBULL, 1)                             \
    X(AddTextComponentString, 0x6C188BE134E074AAULL, 1)                     \
    X(DrawText, 0xCD015E5BB0D96A57ULL, 3)                                   \
    X(DrawLine, 0x6B7256074AE34680ULL, 10)                                  \
    X(GetRandomIntInRange, 0xD53343AA4FB7DD28ULL, 2)                        \
    X(GetTimerA, 0x83666F9FB8FEBD4BULL, 0)                                  \
    X(SetTimerA, 0xC1B1E9A034A63A62ULL, 1)

enum class NativeOp : int {
#define KORVANE_NATIVE_ENUM(name, hash, slots) name,
    KORVANE_NATIVE_OPERATIONS(KORVANE_NATIVE_ENUM)
#undef KORVANE_NATIVE_ENUM
        Count
};

struct NativeInfo {
    const char* name;
    uint64_t hash;
    int slots;
};

constexpr NativeInfo NativeTable[] = {
#define KORVANE_NATIVE_INFO(name, hash, slots) {#name, hash, slots},
    KORVANE_NATIVE_OPERATIONS(KORVANE_NATIVE_INFO)
#undef KORVANE_NATIVE_INFO
};

constexpr int NativeCount = static_cast<int>(NativeOp::Count);
static_assert(sizeof(NativeTable) / sizeof(NativeTable[0]) == NativeCount, "one row per operation");

constexpr uint64_t NativeHash(NativeOp op) {
    return NativeTable[static_cast<int>(op)].hash;
}

//-----------------------------------------------------------------------------
// [SECTION] Generic callers
//-----------------------------------------------------------------------------

// Pushes an entity and three floats (SetEntityVelocity, TaskParachuteToTarget).
void CallEntityAndThreeFloats(uint64_t hash, EntityHandle entity, float x, float y, float z);

// Pushes two entities and three zero float slots (TaskPlaneChase, TaskHeliChase).
void CallTwoEntitiesAndZeroOffset(uint64_t hash, EntityHandle first, EntityHandle second);

//-----------------------------------------------------------------------------
// [SECTION] Typed operations (namespace game)
//-----------------------------------------------------------------------------

namespace game {

// true while the handle names a live entity
bool EntityExists(EntityHandle entity);
// world position of the entity
Vec3 GetEntityPosition(EntityHandle entity);
// heading in degrees
float GetEntityHeading(EntityHandle entity);
// height of the entity above the ground
float GetEntityHeightAboveGround(EntityHandle entity);
// model of the entity
ModelHash GetEntityModel(EntityHandle entity);
// current speed (compared with 0.1, 7 and used as a spawn speed)
float GetEntitySpeed(EntityHandle entity);
// velocity vector
Vec3 GetEntityVelocity(EntityHandle entity);
// set velocity vector (passed through the generic four-argument caller)
void SetEntityVelocity(EntityHandle entity, float x, float y, float z);
// true when the entity is visible on screen
bool IsEntityOnScreen(EntityHandle entity);
// true when the entity is dead/destroyed
bool IsEntityDead(EntityHandle entity);
// true when the entity is a ped
bool IsEntityAPed(EntityHandle entity);
// true when the entity is a vehicle
bool IsEntityAVehicle(EntityHandle entity);
// true when nothing blocks the line between the two entities
bool HasClearLineOfSight(EntityHandle from, EntityHandle to);
// true when a vehicle has damaged the entity
bool HasEntityBeenDamagedByAnyVehicle(EntityHandle entity);
// true when a ped has damaged the entity
bool HasEntityBeenDamagedByAnyPed(EntityHandle entity);
// remove the entity from the world; takes the address of the handle
void DeleteEntity(EntityHandle* entity);
// hand the entity back to the host's ambient clean-up; takes the address of the handle
void SetEntityNoLongerNeeded(EntityHandle* entity);
// per-entity switch: set to 1 for a ped high above the ground and back to 0 after its parachute
// task (Part 5.3)
void SetEntityRecordsCollisions(EntityHandle entity, bool on);
// true when this script may modify the entity
bool HasControlOfEntity(EntityHandle entity);
// ask the host for control of the entity
bool RequestControlOfEntity(EntityHandle entity);
// the player's ped, read once per pass
EntityHandle GetPlayerPed();
// hand a ped back to ambient clean-up; takes the address of the handle
void SetPedNoLongerNeeded(EntityHandle* ped);
// delete a ped; takes the address of the handle
void DeletePed(EntityHandle* ped);
// true for human peds (false for animals)
bool IsPedHuman(EntityHandle ped);
// true when the ped is dead or dying
bool IsPedDeadOrDying(EntityHandle ped);
// true when the ped sits in (or is entering) any vehicle
bool IsPedInAnyVehicle(EntityHandle ped);
// the vehicle the ped uses, 0 if none
EntityHandle GetVehiclePedIsUsing(EntityHandle ped);
// true when the ped is in an aeroplane
bool IsPedInAnyPlane(EntityHandle ped);
// true when the ped is in a helicopter
bool IsPedInAnyHeli(EntityHandle ped);
// true when the ped is in a police vehicle
bool IsPedInAnyPoliceVehicle(EntityHandle ped);
// true when the ped is fleeing
bool IsPedFleeing(EntityHandle ped);
// true when the ped is falling
bool IsPedFalling(EntityHandle ped);
// true when the ped is in ragdoll
bool IsPedRagdoll(EntityHandle ped);
// true when the ped fights the target; the vehicle upkeep passes the integer 1 as target
bool IsPedInCombat(EntityHandle ped, EntityHandle target);
// true keeps a freshly created driver (it joins TrackedPeds), false discards it
bool IsPedOnSpecificVehicle(EntityHandle ped, EntityHandle vehicle);
// ped type number 0..29; the set {6, 27, 29} marks police, {6, 17, 20, 27, 29} marks crews created
// with the driver's own type and model
int32_t GetPedType(EntityHandle ped);
// parachute stage of the ped, -1 when not parachuting; Part 5.3 treats -1 and 3 alike and 1 and 2
// alike
int32_t GetPedParachuteState(EntityHandle ped);
// per-ped integer read back as a marker (1297 = parachute already given)
int32_t GetPedMaxHealth(EntityHandle ped);
// per-ped integer written as a marker: 1297 after a parachute is given, 200 after landing
void SetPedMaxHealth(EntityHandle ped, int32_t value);
// called with 0 then 1 to end a ragdoll
void SetPedCanRagdoll(EntityHandle ped, bool on);
// randomise clothing of a crew member
void SetPedRandomComponentVariation(EntityHandle ped);
// randomise props of a crew member
void SetPedRandomProps(EntityHandle ped);
// give a weapon (parachute gadget, police weapons)
void GiveDelayedWeaponToPed(EntityHandle ped, ModelHash weapon, bool equipNow);
// select the aircraft's rocket weapon
bool SetCurrentPedVehicleWeapon(EntityHandle ped, ModelHash weapon);
// put an aircraft pilot into the group hashed from "COUGAR"
void SetPedRelationshipGroupHash(EntityHandle ped, ModelHash group);
// ped ignores ambient events
void SetBlockingOfNonTemporaryEvents(EntityHandle ped);
// clear flee behaviour
void SetPedFleeAttributes(EntityHandle ped, int32_t attributes, bool arg3);
// set combat attribute 46
void SetPedCombatAttributes(EntityHandle ped, int32_t attribute, bool arg3);
// task survives when the script lets go of the ped
void SetPedKeepTask(EntityHandle ped);
// true when the host can create another random ped
bool CanCreateRandomPed();
// create a random ambient ped at a point
EntityHandle CreateRandomPed(float x, float y, float z);
// create a random driver in the vehicle
EntityHandle CreateRandomPedAsDriver(EntityHandle vehicle);
// create a ped of given type and model in a seat
EntityHandle CreatePedInsideVehicle(EntityHandle vehicle, int32_t pedType, ModelHash model,
                                    int32_t seat, bool arg5, bool arg6);
// find a walkable point near the given one
bool GetSafeCoordForPed(float x, float y, float z, bool onGround, Vec3* out, int32_t flags);
// clear the ped's tasks
void ClearPedTasks(EntityHandle ped);
// clear the ped's secondary task
void ClearPedSecondaryTask(EntityHandle ped);
// clear tasks at once (used to stop a ragdolling ped before restoring its velocity)
void ClearPedTasksImmediately(EntityHandle ped);
// place a ped into a seat at once
void TaskWarpPedIntoVehicle(EntityHandle ped, EntityHandle vehicle, int32_t seat);
// drive around at random (speed 120 style 5; speed 30 style 156)
void TaskVehicleDriveWander(EntityHandle driver, EntityHandle vehicle, float speed,
                            int32_t drivingStyle);
// fly the helicopter to a point
void TaskHeliMission(EntityHandle pilot, EntityHandle heli, EntityHandle targetVehicle,
                     EntityHandle targetPed, float x, float y, float z, int32_t mission,
                     float speed, float radius, float heading, int32_t maxHeight, int32_t minHeight,
                     float arg14, int32_t flags);
// fly the aeroplane to a point
void TaskPlaneMission(EntityHandle pilot, EntityHandle plane, EntityHandle targetVehicle,
                      EntityHandle targetPed, float x, float y, float z, int32_t mission,
                      float speed, float radius, float heading, float maxHeight, float minHeight);
// aeroplane pilot chases the target (generic five-slot caller)
void TaskPlaneChase(EntityHandle pilot, EntityHandle target);
// helicopter pilot chases the target (generic five-slot caller)
void TaskHeliChase(EntityHandle pilot, EntityHandle target);
// ped attacks the target
void TaskCombatPed(EntityHandle ped, EntityHandle target, int32_t arg3, int32_t arg4);
// parachute towards a point (generic four-argument caller)
void TaskParachuteToTarget(EntityHandle ped, float x, float y, float z);
// the vehicle the player last used, read once per pass; never transformed
EntityHandle GetPlayersLastVehicle();
// create a vehicle of a loaded model
EntityHandle CreateVehicle(ModelHash model, float x, float y, float z, float heading, bool network,
                           bool arg7);
// hand a vehicle back to ambient clean-up; takes the address of the handle
void SetVehicleNoLongerNeeded(EntityHandle* vehicle);
// delete a vehicle; takes the address of the handle
void DeleteVehicle(EntityHandle* vehicle);
// occupant of a seat, 0 if empty
EntityHandle GetPedInVehicleSeat(EntityHandle vehicle, int32_t seat);
// true when the seat is empty (-1 = driver)
bool IsVehicleSeatFree(EntityHandle vehicle, int32_t seat);
// passengers now aboard
int32_t GetVehicleNumberOfPassengers(EntityHandle vehicle);
// seats of the model, driver included
int32_t GetVehicleModelNumberOfSeats(ModelHash model);
// true when the vehicle can still be driven
bool IsVehicleDriveable(EntityHandle vehicle);
// true when the vehicle tows a trailer
bool IsVehicleAttachedToTrailer(EntityHandle vehicle);
// true when the vehicle carries weapons
bool DoesVehicleHaveWeapons(EntityHandle vehicle);
// fire the vehicle weapon at the target's position
bool SetVehicleShootAtTarget(EntityHandle driver, EntityHandle target, float x, float y, float z);
// set the plate text (marker plates)
void SetVehicleNumberPlateText(EntityHandle vehicle, const char* text);
// pointer to the plate text
const char* GetVehicleNumberPlateText(EntityHandle vehicle);
// start the engine at once
void SetVehicleEngineOn(EntityHandle vehicle, bool on, bool instantly);
// give a spawned vehicle its initial speed
void SetVehicleForwardSpeed(EntityHandle vehicle, float speed);
// settle a new road vehicle on its wheels
bool SetVehicleOnGroundProperly(EntityHandle vehicle);
// start a new helicopter's rotor at full speed
void SetHeliBladesFullSpeed(EntityHandle vehicle);
// retract the landing gear of a new aircraft
void ControlLandingGear(EntityHandle vehicle);
// any vehicle near a point, 0 if none
EntityHandle GetRandomVehicleInSphere(float x, float y, float z, float radius, ModelHash model,
                                      int32_t flags);
// number of nearby vehicles written
int32_t GetPedNearbyVehicles(EntityHandle ped, int32_t* buffer);
// display name of a model, used in the status text
const char* GetDisplayNameFromVehicleModel(ModelHash model);
// hash of a model, weapon or group name
ModelHash GetHashKey(const char* name);
// true when the host knows the model; false makes a list entry invalid
bool IsModelValid(ModelHash model);
// true for vehicle models
bool IsModelAVehicle(ModelHash model);
// start loading a model
void RequestModel(ModelHash model);
// true once the model is loaded
bool HasModelLoaded(ModelHash model);
// release a loaded model
void SetModelAsNoLongerNeeded(ModelHash model);
// pending load requests; a transformation needs fewer than 3
int32_t GetNumberOfStreamingRequests();
// stop the host spawning this model ambiently
void SetVehicleModelIsSuppressed(ModelHash model);
// true for aeroplane models
bool IsThisModelAPlane(ModelHash model);
// true for helicopter models
bool IsThisModelAHeli(ModelHash model);
// true for car models
bool IsThisModelACar(ModelHash model);
// true for motorbike models
bool IsThisModelABike(ModelHash model);
// true for quad-bike models
bool IsThisModelAQuadbike(ModelHash model);
// called with 1 at the start of every pass, before the player is read, whether the program is on or
// off; nothing is read back
void ApplyPassStartOption();
// 1 at the start of a task pass, 0 at its end
void SetCreateRandomCops(bool on);
// called once per task pass; no result used
void RemoveScenarioBlockingAreas();
// called once per task pass
void SetAllVehicleGeneratorsActive();
// called once when the program is switched on
void SetAllLowPriorityVehicleGeneratorsActive();
// called once per task pass with the player ped and the integers 150, 1, 1, 1; the result is not
// used
int32_t ApplyPlayerAreaOption(EntityHandle arg1, int32_t arg2, int32_t arg3, int32_t arg4,
                              int32_t arg5);
// density per task pass
void SetScenarioPedDensityMultiplierThisFrame(float arg1, float arg2);
// density per task pass
void SetPedDensityMultiplierThisFrame(float arg1);
// budget per task pass
void SetVehiclePopulationBudget(int32_t arg1);
// budget per task pass
void SetPedPopulationBudget(int32_t arg1);
// density per task pass
void SetVehicleDensityMultiplierThisFrame(float arg1);
// density per task pass
void SetRandomVehicleDensityMultiplierThisFrame(float arg1);
// fill the world with ambient population at the end of the ped phase when `AutoPedSpawner` is on
void PopulateNow();
// n-th closest road node to a point, with its heading
bool GetNthClosestVehicleNodeWithHeading(float x, float y, float z, int32_t n, Vec3* outPosition,
                                         float* outHeading, int32_t* outLanes, int32_t flags,
                                         float arg9, float arg10);
// true when the point lies on a road
bool IsPointOnRoad(float x, float y, float z, EntityHandle vehicle);
// true when a sphere there is in view of the camera
bool IsSphereVisible(float x, float y, float z, float radius);
// distance between two points
float GetDistanceBetweenCoords(float x1, float y1, float z1, float x2, float y2, float z2,
                               bool useZ);
// camera position
Vec3 GetGameplayCamPosition();
// camera rotation in degrees (x pitch, z yaw)
Vec3 GetGameplayCamRotation(int32_t rotationOrder);
// handle of a ray test between two points
int32_t StartShapeTestRay(float x1, float y1, float z1, float x2, float y2, float z2, int32_t flags,
                          EntityHandle ignore, int32_t arg9);
// result of a ray test
int32_t GetShapeTestResult(int32_t handle, int32_t* hit, Vec3* endPosition, Vec3* surfaceNormal,
                           EntityHandle* entityHit);
// text style for the next draw
void SetTextFont(int32_t font);
// text size for the next draw
void SetTextScale(float arg1, float arg2);
// text colour for the next draw
void SetTextColour(int32_t r, int32_t g, int32_t b, int32_t a);
// text wrap for the next draw
void SetTextWrap(float start, float end);
// centre the next text
void SetTextCentre(bool arg1);
// no drop shadow
void SetTextDropShadow(int32_t distance, int32_t r, int32_t g, int32_t b, int32_t a);
// dark text outline
void SetTextEdge(int32_t arg1, int32_t r, int32_t g, int32_t b, int32_t a);
// start a text command
void BeginTextEntry(const char* kind);
// add the status text
void AddTextComponentString(const char* text);
// draw the text at screen centre
void DrawText(float x, float y);
// debug line in the world
void DrawLine(float x1, float y1, float z1, float x2, float y2, float z2, int32_t r, int32_t g,
              int32_t b, int32_t a);
// pseudo-random integer r with start <= r < end
int32_t GetRandomIntInRange(int32_t start, int32_t end);
// script timer A in milliseconds
int32_t GetTimerA();
// reset script timer A
void SetTimerA(int32_t value);

}  // namespace game

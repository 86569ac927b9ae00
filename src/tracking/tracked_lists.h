// The tracked lists, their upkeep and the behaviour of their members.
#pragma once

#include <vector>

#include "host/types.h"

const float PedReleaseDistance = 300.0f;
const float VehicleReleaseDistance = 400.0f;
const float LandedHeight = 2.0f;
const int ParachuteMarkerHealth = 1297;
const int NormalMaxHealth = 200;
const int ParachuteCheckPeriod = 15;

// Shared tests.
float DistanceToPlayer(EntityHandle entity);
bool IsUsablePed(EntityHandle ped);
bool IsUsableVehicle(EntityHandle vehicle);
bool IsPlaneEntity(EntityHandle entity);
bool IsHeliEntity(EntityHandle entity);

// Sorts a list ascending and drops repeated handles.
void NormaliseTrackedLists(std::vector<EntityHandle>& list);
void UpkeepTrackedPeds();
void UpkeepTrackedVehicles();

// Aircraft chase and attack.
EntityHandle ChooseAttackTarget(EntityHandle pilot);
void AttackWithAircraft(EntityHandle pilot, EntityHandle target);
EntityHandle PickAircraftFromList(EntityHandle pilot);
EntityHandle PickNearestTrackedPed(EntityHandle ped);
bool IsPedFoughtByTrackedPed(EntityHandle ped);
void JoinPilotGroup(EntityHandle ped);

// Ped tasks and parachutes.
void ParachuteBehaviour(EntityHandle ped);
void ResetPedTasks(EntityHandle ped);

// Ambient ped adoption.
const float AdoptionRadius = 100.0f;
const float FleeCheckRadius = 35.0f;
void AdoptAmbientPeds();
bool ShouldAdoptPed(EntityHandle ped);

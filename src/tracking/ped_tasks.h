// Task and group set-ups that several behaviours give a ped.
#pragma once

#include "host/types.h"

// Clears the ped's primary and secondary tasks.
void ResetPedTasks(EntityHandle ped);

// Puts a pilot (or any ped made to fight) into the plug-in's relationship
// group, unmoved by ambient events, never fleeing, able to use vehicles in
// combat.
void JoinPilotGroup(EntityHandle ped);

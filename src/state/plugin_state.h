// All process-wide state of the plug-in, in one record.
//
// Every subsystem reads and writes its records through the one global
// `Plugin`, so a reader sees in one place everything that survives between
// passes. `ResetToLoadState()` puts the whole record back to the values it has
// when the library is loaded; the entry point calls it on process attach,
// ScriptMain every time the host starts the script (a game reload starts it
// again in the same process), and tests call it before every case.
//
// This layer sits just above the host interface: every other layer includes
// it, and it includes nothing of theirs.
//
// Index:
// [SECTION] Table sizes
// [SECTION] Vehicle phase: candidate record
// [SECTION] The record itself
// [SECTION] Load-time state
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/types.h"
#include "state/settings_record.h"

//-----------------------------------------------------------------------------
// [SECTION] Table sizes
//-----------------------------------------------------------------------------

const int FullModelListSize = 275;
const int SmallModelListSize = 50;
const int PoliceModelListSize = 20;

//-----------------------------------------------------------------------------
// [SECTION] Vehicle phase: candidate record
//-----------------------------------------------------------------------------

// Written by the candidate test, read by replacement, occupants and road-node
// spawning. Never cleared between candidates or ticks.
struct CandidateRecord {
    Vec3 CandidatePosition;
    float CandidateDistance = 0.0f;
    Vec3 CandidateVelocity;
    float SpawnHeading = 0.0f;
    EntityHandle NodeDriver = 0;
};

//-----------------------------------------------------------------------------
// [SECTION] The record itself
//-----------------------------------------------------------------------------

struct PluginState {
    // Loop state.
    bool Enabled = false;
    bool HotkeyWasHeld = false;
    int32_t CycleCounter = 0;
    int32_t PedTaskCounter = 0;
    int32_t VehicleTaskCounter = 0;
    bool PedTaskDue = false;
    bool VehicleTaskDue = false;

    // Player values, refreshed at the start of every pass.
    EntityHandle PlayerPed = 0;
    Vec3 PlayerPosition;
    EntityHandle PlayerLastVehicle = 0;

    // The module handle the host gave us, kept for unregistering.
    void* Module = nullptr;

    // Settings and the two list text buffers the user list entries point into.
    SettingsRecord Settings;
    char SmallListText[SmallListTextSize] = {};
    char FullListText[FullListTextSize] = {};
    // How the last settings read went, template by template (diagnostics only).
    SettingsReadReport LastSettingsRead;
    // The text of the file read last (the settings or the sibling's hotkey
    // file), kept so that a re-read reuses its room instead of allocating.
    std::string FileText;

    // Model lists: each entry refers to a constant built-in name or into one of
    // the list text buffers above.
    const char* FullModelList[FullModelListSize] = {};
    const char* SmallModelList[SmallModelListSize] = {};
    const char* PoliceModelList[PoliceModelListSize] = {};

    // The one status message.
    std::string StatusText;

    // Tracked lists and the values their behaviour keeps.
    std::vector<EntityHandle> TrackedPeds;
    std::vector<EntityHandle> TrackedVehicles;
    int32_t LastTrackedPedCount = 24;
    Vec3 ParachuteTarget;
    EntityHandle AdoptionCurrentPed = 0;

    // Vehicle phase.
    CandidateRecord CandidateState;
    int32_t NodeRank = 0;
};

extern PluginState Plugin;

//-----------------------------------------------------------------------------
// [SECTION] Load-time state
//-----------------------------------------------------------------------------

// Puts `Plugin` back to its load-time values: defaults in Settings, empty list
// buffers and lists, empty status text, the loop switched off. Allocates
// nothing: the lists and strings keep the room they had.
void ResetToLoadState();

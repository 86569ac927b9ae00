// All process-wide state of the plug-in, in one record.
//
// Every subsystem reads and writes its records through the one global
// `Plugin`, so a reader sees in one place everything that survives between
// passes. `ResetToLoadState()` puts the whole record back to the values it has
// when the library is loaded; the entry point calls it on process attach and
// tests call it before every case.
//
// Index:
// [SECTION] Loop state and player values
// [SECTION] Settings and list text buffers
// [SECTION] Model lists
// [SECTION] Status text
// [SECTION] Tracked lists and the values the tracked behaviour keeps
// [SECTION] Vehicle phase: candidate record and road-node rank
// [SECTION] The record itself
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/settings_report.h"
#include "host/types.h"

//-----------------------------------------------------------------------------
// [SECTION] Loop state and player values
//-----------------------------------------------------------------------------

const int CycleCounterLimit = 1000;
const int SiblingFilePeriod = 250;
const int ControlAttempts = 100;
const int IniCheckValue = 1234;

//-----------------------------------------------------------------------------
// [SECTION] Settings and list text buffers
//-----------------------------------------------------------------------------

// The one options record, written only by the settings read.
struct SettingsRecord {
    int32_t Hotkey = 0x63;  // numeric keypad 3
    uint8_t AutoPedSpawner = 1;
    int32_t NewVehicleSpawnRate = 1;
    int32_t PolicePatrols = 1;  // on only when exactly 1
    uint8_t PedsInCars = 1;
    int32_t PedParachutes = 1;  // on only when exactly 1
    float MinTransformDistance = 30.0f;
    float MinAirplaneHeight = 80.0f;
    uint8_t AircraftMissiles = 0;
    int32_t SpawnOdds = 6;
    int32_t SpawnWaitMs = 1000;
    int32_t VehicleTaskRate = 37;
    int32_t PedTaskRate = 74;
    uint8_t DebugMessages = 1;
    uint8_t UseSmallList = 0;
    uint8_t UseFullList = 1;
    int32_t IniCheck = 0;
};

const int SmallListTextSize = 8192;
const int FullListTextSize = 16384;

//-----------------------------------------------------------------------------
// [SECTION] Model lists
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

// Puts `Plugin` back to its load-time values: defaults in Settings, empty list
// buffers and lists, empty status text, the loop switched off.
void ResetToLoadState();

// The options record and what the last settings read saw.
//
// Only the settings read writes these; every other part reads a field when it
// needs it. The field table of the settings file (config/settings_fields.h)
// names each field, its template and its kind; the defaults are the member
// initialisers here.
#pragma once

#include <cstdint>

const int SettingsTemplateCount = 23;
const int IniCheckValue = 1234;

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

// The two list blocks are read into buffers of these sizes, NUL included.
const int SmallListTextSize = 8192;
const int FullListTextSize = 16384;

// How one template call ended.
//
// Nothing in the plug-in acts on the report below: the settings read fills it
// as it goes so that a checking tool can tell a player where a file stopped
// matching and why, from the very code the game runs.
enum class TemplateEnd : uint8_t {
    NotTried,           // the read did not get this far (the file could not be opened)
    Complete,           // every part of the template matched
    Mismatch,           // a literal character did not equal the file's
    EndOfData,          // the file ended inside the template
    NoNumber,           // a number was expected and no digit was there
    EmptyBlock,         // a list block began with its semicolon
    BlockTooLong,       // a list block did not fit its buffer; nothing was taken
    BlockUnterminated,  // no semicolon ends the list block; nothing was taken
};

// Which table the read handed its list text to.
enum class ListTaken : uint8_t { None, Full, Small };

struct SettingsReadReport {
    bool FileOpened = false;
    bool ByteOrderMark = false;  // the file began with one, which was skipped
    // Index n-1 describes template n.
    TemplateEnd Ends[SettingsTemplateCount] = {};
    bool Assigned[SettingsTemplateCount] = {};
    // Offset into the file's text (carriage returns before newlines removed)
    // where the template's call ended: one past the last character it consumed.
    uint32_t StopOffsets[SettingsTemplateCount] = {};
    ListTaken List = ListTaken::None;
    int32_t ListNamesTaken = 0;
};

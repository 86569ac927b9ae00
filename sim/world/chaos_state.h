// The state of chaos mode, kept in the world: how often faults are injected,
// the generator they are drawn from, and what has been injected so far.
//
// Chaos mode makes the world misbehave the way the game does over hours of
// play: it deletes what the plug-in holds, fills its pools, reuses handles,
// leaves models unloaded and answers with null texts, counts out of range and
// rays without an entity. With a rate of 0 (the default) none of it runs and
// the world behaves exactly as without it. See chaos.h.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sim/runtime/plugin_loader.h"

namespace sim {

// The kinds of fault, in the order the summary lists them.
enum class ChaosKind {
    HeldEntityDeleted,  // the world deletes an entity the plug-in holds, at a yield
    PoolFull,           // a creation returns 0, CanCreateRandomPed says no
    HandleReused,       // a new entity gets the handle of one deleted earlier
    ModelNeverLoads,    // a requested model stays pending until the streamer gives up
    NullText,           // a text query answers with a null address
    CountOutOfRange,    // the nearby-vehicle or world-ped count is negative or too large
    ControlNeverGranted,
    RayWithoutEntity,   // a ray that hit comes back with handle 0
    NodeOffRoad,        // the road node found lies off the road
    SettingsRewritten,  // Korvane.ini rewritten between reads
    NoSafePoint,        // the walkable-point query finds nothing and writes nothing
    OddDriverType,      // a random driver of any ped type, 0 to 29
    MousePick,          // the left and middle mouse buttons held for a moment
    ScriptRestart,      // the host restarts the script, as a game reload does
    AllocationRefused,  // an allocation of the plug-in's own code fails
    GoneHandleQuery,    // not injected: a query on a handle that no longer exists
    Count
};

struct ChaosState {
    double rate = 0.0;      // chance at each opportunity; 0 switches chaos off
    uint32_t kinds = ~0u;   // bit per ChaosKind: the kinds that may be injected
    uint64_t rngState = 0;  // chaos's own generator, apart from the world's
    // The host's faults (script restarts, refused allocations) draw from a
    // generator of their own, so that the other faults come as they did
    // before these existed.
    uint64_t hostRngState = 0;
    // The plug-in's view of its tracked lists, so that chaos can delete what
    // the plug-in holds.
    TrackedListsExport heldLists = nullptr;

    // What was injected: per kind, and per detail ("vehicle", "truncated", ...).
    int64_t counts[static_cast<int>(ChaosKind::Count)] = {};
    std::map<std::string, int64_t> details[static_cast<int>(ChaosKind::Count)];

    // Handles of removed entities, oldest first, that a new entity may take.
    std::vector<int32_t> freedHandles;
    // Models made never to load, and whether the scenario already had them so.
    std::set<uint32_t> stalledModels;
    // The settings file as the run placed it, to rewrite and restore.
    bool settingsCaptured = false;
    bool settingsExisted = false;
    std::string settingsOriginal;
    // Mouse buttons held by chaos until this frame (0: not held).
    int mouseReleaseFrame = 0;
    // The player lost the car: a new one is found as soon as the pool allows.
    bool playerNeedsCar = false;
    uint32_t playerCarModel = 0;

    // The passes the plug-in made: the longest stretch of frames between the
    // starts of two passes, and the frame on which it ended.
    int lastPassFrame = -1;
    int longestPassFrames = 0;
    int longestPassEndFrame = 0;
    int64_t passes = 0;

    // Harm the plug-in did under chaos: deleting the car the player sits in.
    int64_t playerCarDeletedByScript = 0;

    // The most entries of each tracked list, seen between two frames, whose
    // entity the world had already deleted: a list may hold more entries
    // than the pool has room for only by these, which upkeep takes out.
    int mostGoneTrackedPeds = 0;
    int mostGoneTrackedVehicles = 0;
};

// A change of the settings file that a scenario schedules: on `frame` the
// file is replaced by `text` (or by the file at `path`), or removed.
struct SettingsFileChange {
    int frame = 0;
    std::string path;  // a file to copy, absolute once the scenario is loaded
    std::string text;  // used when `path` is empty
    bool remove = false;
};

}  // namespace sim

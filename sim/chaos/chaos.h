// Chaos mode: the world misbehaving as the game does over hours of play,
// deterministically from the seed, and the scenario's scheduled changes of
// the settings file.
//
// Chaos draws from a generator of its own (seeded with the world's), so that
// switching it on changes the world's own draws only through what the faults
// do, and a run without chaos is exactly the run it always was. The faults:
//
// - at a yield (between frames): an entity the plug-in holds (a tracked ped or
//   vehicle, an entity it created, or the player's car) deleted; the player
//   takes a new car at once. The mouse buttons held for a moment, so that the
//   plug-in picks what it aims at; the settings file rewritten (cut short,
//   scribbled over, garbage, a byte-order mark before it, 10 MB, or restored);
// - in the operations: creations that fail as if the pool were full, handles
//   of deleted entities given to new ones, models that never load, null texts,
//   counts out of range from the nearby-vehicle and world-ped queries, control
//   never granted, rays that hit without an entity, road nodes off the road,
//   walkable-point queries that find nothing and write nothing, random drivers
//   of any ped type. A text query on a handle that no longer exists answers
//   with a null address, as the game does; such queries are counted.
//
// - in the host: the script restarted, as a game reload restarts it (the world
//   rebuilt and the player switching Korvane on again as at the start), and
//   allocations of the plug-in's own code refused.
//
// Each chance is the rate at each opportunity: per call of the operation, or
// per frame for the faults at a yield, except that handles are reused ten
// times as often, the mouse is held a tenth as often and the settings file is
// rewritten a hundredth as often; the script is restarted at 0.01 times the
// rate per frame, and each allocation of the plug-in's code is refused at 25
// times the rate (at most half the time).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "sim/runtime/plugin_loader.h"
#include "sim/world/world.h"

namespace sim {

// The name of a kind in scenario files ("heldEntityDeleted", ...) and its label
// in the summary ("Held entities deleted").
const char* ChaosKindName(ChaosKind kind);
const char* ChaosKindLabel(ChaosKind kind);
// False for a name that is no kind that can be injected.
bool ChaosKindFromName(const std::string& name, ChaosKind* kind);

bool ChaosOn(const World& world);

// Counts the entries of the plug-in's tracked lists whose entity is gone.
void NoteGoneTrackedEntries(World& world, const TrackedListsView& lists);

// Puts the chaos wrappers around the operations of the host attached to
// `world` (after AttachWorld, which removes them again). Does nothing while
// the rate is 0.
void InstallChaos(World& world);

// Runs once a frame, after the world's own step: the scheduled settings-file
// changes, then the faults at a yield.
void ApplyWorldEvents(World& world);

// The handle for a new entity: the next one, or under chaos now and then one
// of an entity removed earlier.
int32_t AllocateHandle(World& world);
// Called when an entity is removed, so that chaos may reuse its handle.
void NoteRemovedHandle(World& world, int32_t handle);

// The count worldGetAllPeds reports for `count` peds written into a buffer of
// `capacity`; under chaos now and then out of range.
int ChaosWorldPedCount(World& world, int count, int capacity);

// For the operation wrappers: a draw of the chaos generator that says whether
// a fault of `kind` happens now (never for a kind switched off), a number in
// [start, end), and the count of a fault with an optional detail.
bool ChaosRoll(World& world, ChaosKind kind, double chance);
int32_t ChaosRange(World& world, int32_t start, int32_t end);
void CountChaos(World& world, ChaosKind kind, const std::string& detail = std::string());

// The host's faults, drawn from their own generator: whether the host
// restarts the script on this frame, and whether it refuses the allocation
// the plug-in's code is making now. Each counts what it injects.
bool ChaosRestartsScript(World& world);
bool ChaosRefusesAllocation(World& world);

// Notes the start of one of the plug-in's passes (for the longest pass).
void NotePassStart(World& world);

// The chaos part of the summary; nothing while chaos is off.
void PrintChaosSummary(const World& world, std::ostream& out);

}  // namespace sim

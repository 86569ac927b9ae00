// What the benchmark program's parts share: the allocation counter, the
// worlds the plug-in is measured in, its recorded passes with their bare-call
// floor, and the simulator runs.
//
// Index:
// [SECTION] Allocation counting (alloc_counter.cpp)
// [SECTION] Recorded passes (plugin_worlds.cpp)
// [SECTION] The simulator as a program (sim_speed.cpp)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/record/call_recording.h"
#include "sim/app/work_dir.h"
#include "sim/world/world.h"
#include "state/plugin_state.h"

namespace bench {

//-----------------------------------------------------------------------------
// [SECTION] Allocation counting (alloc_counter.cpp)
//-----------------------------------------------------------------------------

// Which allocations count: none; those made outside the host's functions (a
// replayed pass, which runs off the fiber); or those the script's own code
// makes on its fiber.
enum class AllocationGate { Off, OutsideHostCalls, ScriptCode };

struct AllocationCount {
    int64_t cxx = 0;  // operator new: the plug-in's own code
    int64_t c = 0;    // malloc, calloc, realloc: the C library on its behalf (fopen's record)
};

void SetAllocationGate(AllocationGate gate);
AllocationCount AllocationsCounted();
void ResetAllocationCount();

//-----------------------------------------------------------------------------
// [SECTION] Recorded passes (plugin_worlds.cpp)
//-----------------------------------------------------------------------------

// One pass of the tick loop as the plug-in made it in a world: the plug-in's
// state at its start and end, and every host call with its answer.
struct RecordedPass {
    PluginState before;
    PluginState after;
    sim::CallRecording calls;
    size_t operations = 0;  // calls through nativeCall
};

// A world with the plug-in running in it (on the script fiber, in a working
// directory of its own with the default settings file).
struct PluginWorld {
    sim::World world;
    sim::WorkingDirectory dir;
    int frames = 0;
    ~PluginWorld();
};

// The town scenario run with the plug-in for `frames` frames (seed 1).
std::unique_ptr<PluginWorld> StartTown(const std::string& sourceDir, int frames);
// The heavy world: `peds` tracked peds on foot and `vehicles` tracked cars
// with drivers around the player, the plug-in switched on.
std::unique_ptr<PluginWorld> StartHeavyWorld(const std::string& sourceDir, int peds, int vehicles);

// What the next pass of the plug-in will be, judged at the end of a pass.
enum class PassKind { Ordinary, Parachutes, SettingsRead, SiblingRead, Tasks, InsidePass };
PassKind NextPass();

// Runs frames until the next pass is of `kind`, then records that pass.
// False if none came within `maxFrames`.
bool RecordNextPass(PluginWorld& world, PassKind kind, int maxFrames, RecordedPass* pass);

// Runs the recorded pass again from its start state against the recording:
// true when it made exactly the recorded calls and left the recorded state.
bool ReplayMatches(const RecordedPass& pass, std::string* why);

// The recorded calls pushed again with no plug-in logic behind them, as one
// flat stream of words: for an operation its hash, then its slot count, then
// the slots, every address argument pointing into a scratch buffer of the
// program's own; for a wait, a key state or the ped list a marker word and
// its one value.
struct FloorProgram {
    std::vector<uint64_t> words;
};
FloorProgram MakeFloorProgram(const sim::CallRecording& recording);
// Runs the program once through the host functions; returns a value to keep.
uint64_t RunFloor(const FloorProgram& program);

// Counts what a replay of the pass allocates.
AllocationCount AllocationsOfReplayedPass(const RecordedPass& pass);

// Over `frames` frames of a running world: the allocations the plug-in's code
// made, by the kind of pass they fell in.
struct PassAllocations {
    int passes = 0;
    AllocationCount allocations;
};
struct RunAllocations {
    PassAllocations ordinary;      // no task phase, no file read (parachute checks included)
    PassAllocations settingsRead;  // reading Korvane.ini (or the sibling's file)
    PassAllocations tasks;         // task passes: lists may grow
};
RunAllocations CountAllocationsOverFrames(PluginWorld& world, int frames);

//-----------------------------------------------------------------------------
// [SECTION] The simulator as a program (sim_speed.cpp)
//-----------------------------------------------------------------------------

struct SimRun {
    bool ok = false;
    double seconds = 0.0;     // wall time of the whole process
    double cpuSeconds = 0.0;  // its user and system time, steadier on a shared machine
    int64_t traceEntries = 0;
    int64_t traceBytes = 0;
};

// Runs `sim` on the scenario for `frames` frames, optionally with a trace into
// `traceDir`; the trace is counted and removed.
SimRun RunSimulator(const std::string& sim, const std::string& scenario, int frames,
                    const std::string& traceDir);

}  // namespace bench

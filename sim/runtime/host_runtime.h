// The substitute host's runtime: the script fiber, the native-call dispatcher,
// the trace, and the frame loop that drives a world.
//
// The seven host functions (and GetAsyncKeyState on Linux) act on the world
// attached here. A host error (an unknown hash, a call with the wrong number
// of slots) stops the script for good and is reported by `HostErrorText()`.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/ops/native_call.h"
#include "sim/ops/op_table.h"
#include "sim/world/world.h"

namespace sim {

// One call the plug-in made out of itself, decoded by the host.
struct TraceEntry {
    int frame = 0;
    std::string op;     // operation or host function name
    uint64_t hash = 0;  // 0 for the host functions and GetAsyncKeyState
    nlohmann::json args = nlohmann::json::array();
    nlohmann::json ret;  // null when nothing is returned
};

// The trace line as written with --trace: one JSON object.
nlohmann::json TraceEntryJson(const TraceEntry& entry);

// Makes `world` the world the host functions act on, and clears the host's
// state: no registered script, no fiber, no error, an empty in-memory trace.
void AttachWorld(World* world);
World* AttachedWorld();

// Keeps every call in memory (for tests) and/or writes it to a file.
void KeepTraceInMemory(bool keep);
const std::vector<TraceEntry>& MemoryTrace();
void ClearMemoryTrace();
bool OpenTraceFile(const std::string& path);
void CloseTraceFile();
void FlushTraceFile();

// The script main function the plug-in registered, null if none (or after
// scriptUnregister).
void (*RegisteredScriptMain())();
// The module handle the plug-in registered with, null if none.
void* RegisteredModule();

// The frames a scriptWait(ms) lasts: max(1, ceil(ms / frameTimeMs)). The
// script resumes on the frame that many frames after the one it waited on.
int WaitFrames(uint32_t ms, float frameTimeMs);

// Starts `fn` on a new script fiber; it runs from the next RunFrame.
void StartScript(std::function<void()> fn);

// Runs one frame: updates key state from the schedule, resumes the script if
// its wait is over (it runs until its next scriptWait or its end), then steps
// the world. Returns false once a host error has occurred.
bool RunFrame();

// Calls `observer` on every frame once the script has had its turn and before
// the world steps, so that what the script did can be told from what the
// world did. Cleared by AttachWorld; an empty function removes it.
void SetScriptTurnObserver(std::function<void(const World&)> observer);

// Whether the script function has returned.
bool ScriptFinished();
// Whether a script fiber exists that has not finished.
bool ScriptRunning();

// Tears the script fiber down, unwinding it, even if it never returns (a
// test's script may own memory on its stack; a restart drops it instead).
void StopScript();

// Restarts the script as the game's host does on a game reload: drops the
// script fiber where it stands, without unwinding it, and frees its stack;
// lets the world rebuilder (if one is set) make the world anew; writes the
// trace entry "scriptRestart"; and starts the registered script main
// function (else the script that ran) on a new fiber, which has its turn on
// the current frame. RunFrame calls it on the frames the world schedules and
// when chaos says so (`byChaos`). Nothing happens to a world without
// restarts.
void RestartScript(bool byChaos = false);
// How a restart makes the world anew (the runner loads the scenario again);
// cleared by AttachWorld.
void SetWorldRebuilder(std::function<void(World&, bool byChaos)> rebuild);

// The most stack, in bytes, that any script fiber has used since the last
// AttachWorld, the running one included.
unsigned long DeepestScriptStack();

// Runs `fn` on the script fiber until it returns, for at most `maxFrames`
// frames; returns the number of frames run. The fiber is torn down after.
int RunOnScriptFiber(std::function<void()> fn, int maxFrames);

// Non-empty once a host error has stopped the run.
const std::string& HostErrorText();

// Whether the script is running its own code now: on its fiber and not
// inside a host function. (A benchmark counts the script's allocations so.)
bool ScriptCodeRunning();
// Whether a host function is running now, for any caller.
bool InsideHostCall();

// For tests: the operation call the host received last, as pushed (hash,
// argument slots) and answered (result slots).
const NativeCall& LastNativeCall();

// For tests: runs `impl` for the operation `hash` instead of its own
// implementation, until the next AttachWorld.
void ReplaceOperation(uint64_t hash, OpImpl impl);

}  // namespace sim

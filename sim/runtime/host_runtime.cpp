// The script fiber and the frame loop, and the host functions that register
// the script and let it wait.
//
// The script runs on a fiber of its own. `scriptWait` records on which frame
// the script is due again and switches back to the frame loop; `RunFrame`
// switches into the fiber when that frame has come. A host error suspends the
// script for good. Tearing down a script that never returns resumes it once
// more with a stop request: its suspension point throws `ScriptStop`, which
// unwinds the script's frames (freeing what they own) up to the fiber's entry
// function. On Windows the fiber is simply deleted.
//
// Index:
// [SECTION] Shared within the runtime
// [SECTION] The runtime's interface
// [SECTION] Host functions: registration and waiting
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include "sim/chaos/chaos.h"
#include "sim/record/call_recording.h"
#include "sim/record/trace.h"
#include "sim/runtime/fiber.h"
#include "sim/runtime/host_runtime.h"
#include "sim/runtime/key_state.h"
#include "sim/runtime/runtime_internal.h"
#include "sim/runtime/script_allocations.h"

namespace sim {

void ResetDispatcher(World* world);

namespace detail {
int hostCallDepth = 0;
}

namespace {

// Thrown at the script's suspension point when the script is torn down.
struct ScriptStop {};

struct RuntimeState {
    World* world = nullptr;
    void* module = nullptr;
    void (*registeredMain)() = nullptr;

    std::function<void()> script;
    ScriptFiber* fiber = nullptr;
    bool started = false;   // switched into at least once
    bool finished = false;  // the script function has returned (or unwound)
    bool onFiber = false;   // the code running now is the script
    bool stopRequested = false;
    int wakeFrame = 0;

    std::string error;
    std::function<void(const World&)> scriptTurnObserver;
    // Makes the world anew when the script restarts; none keeps it as it is.
    std::function<void(World&, bool)> rebuildWorld;
    // The most stack any script fiber has used, of those torn down.
    unsigned long deepestStack = 0;
};

RuntimeState& State() {
    static RuntimeState state;
    return state;
}

// Back to the frame loop until the script is due again. When the script is
// being torn down, throws instead of returning to it.
void SuspendScript() {
    RuntimeState& s = State();
    s.onFiber = false;
    SwitchOutOfFiber(s.fiber, false);
    s.onFiber = true;
    if (s.stopRequested) {
        throw ScriptStop{};
    }
}

void FiberEntry() {
    RuntimeState& s = State();
    EnterFiber(s.fiber);
    s.onFiber = true;
    try {
        if (!s.stopRequested) {
            s.script();
        }
    } catch (const ScriptStop&) {
        // Torn down; the frames between here and the suspension point are gone.
    } catch (const std::exception& e) {
        s.onFiber = false;
        RaiseHostError(std::string("the script ended with an exception: ") + e.what());
    } catch (...) {
        s.onFiber = false;
        RaiseHostError("the script ended with an exception");
    }
    s.onFiber = false;
    s.finished = true;
    SwitchOutOfFiber(s.fiber, true);
    std::fprintf(stderr, "korvane-sim: a finished script fiber was resumed\n");
    std::abort();
}

void RecordHostCall(const char* name, nlohmann::json args, nlohmann::json ret = nlohmann::json()) {
    if (!TraceWanted()) {
        return;
    }
    TraceEntry entry;
    entry.op = name;
    entry.args = std::move(args);
    entry.ret = std::move(ret);
    RecordTrace(std::move(entry));
}

void NoteStackUse(RuntimeState& s) {
    const unsigned long used = ScriptFiberStackUsed(s.fiber);
    if (used > s.deepestStack) {
        s.deepestStack = used;
    }
}

// Frees the fiber and forgets the script's run; the caller has unwound it or
// drops it as it stands.
void ForgetFiber(RuntimeState& s) {
    NoteStackUse(s);
    DeleteScriptFiber(s.fiber);
    s.fiber = nullptr;
    s.started = false;
    s.finished = false;
    s.stopRequested = false;
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Shared within the runtime
//-----------------------------------------------------------------------------

void RaiseHostError(const std::string& text) {
    RuntimeState& s = State();
    std::string message = "HOST ERROR";
    if (s.world != nullptr) {
        message += " on frame " + std::to_string(s.world->frame);
    }
    message += ": " + text;
    std::fprintf(stderr, "\n*** %s\n*** The script is stopped for good; the run fails.\n\n",
                 message.c_str());
    std::fflush(stderr);
    if (s.error.empty()) {
        s.error = message;
    }
    FlushTraceFile();
    if (s.onFiber) {
        // A real host would have crashed here; the script never runs again.
        for (;;) {
            SuspendScript();
        }
    }
}

bool HasHostError() {
    return !State().error.empty();
}

bool OnScriptFiber() {
    return State().onFiber;
}

World* WorldForCall(const char* what) {
    World* world = State().world;
    if (world == nullptr) {
        RaiseHostError(std::string(what) + " called with no world attached to the host");
    }
    return world;
}

//-----------------------------------------------------------------------------
// [SECTION] The runtime's interface
//-----------------------------------------------------------------------------

void AttachWorld(World* world) {
    StopScript();
    RuntimeState& s = State();
    s.world = world;
    s.module = nullptr;
    s.registeredMain = nullptr;
    s.error.clear();
    s.scriptTurnObserver = nullptr;
    s.rebuildWorld = nullptr;
    s.deepestStack = 0;
    ResetScriptAllocationRefusals();
    ResetDispatcher(world);
    ClearMemoryTrace();
}

World* AttachedWorld() {
    return State().world;
}

void (*RegisteredScriptMain())() {
    return State().registeredMain;
}

void* RegisteredModule() {
    return State().module;
}

int WaitFrames(uint32_t ms, float frameTimeMs) {
    if (ms == 0 || !(frameTimeMs > 0.0f)) {
        return 1;
    }
    // A wait within a millionth of a whole number of frames is that number, so
    // 1000 ms at 1000/60 ms a frame is 60 frames, not 61.
    double frames = std::ceil(static_cast<double>(ms) / frameTimeMs * (1.0 - 1e-6));
    return frames < 1.0 ? 1 : static_cast<int>(frames);
}

void StartScript(std::function<void()> fn) {
    StopScript();
    RuntimeState& s = State();
    s.script = std::move(fn);
    s.fiber = NewScriptFiber(FiberEntry);
    s.started = false;
    s.finished = false;
    s.stopRequested = false;
    s.wakeFrame = s.world != nullptr ? s.world->frame : 0;
}

bool RunFrame() {
    RuntimeState& s = State();
    if (!s.error.empty()) {
        return false;
    }
    World* world = WorldForCall("RunFrame");
    if (world == nullptr) {
        return false;
    }
    if (s.fiber != nullptr) {
        const bool scheduled = ScriptRestartScheduled(*world);
        if (scheduled || ChaosRestartsScript(*world)) {
            RestartScript(!scheduled);
            if (!s.error.empty()) {
                return false;
            }
        }
    }
    BeginFrame(*world);
    if (s.fiber != nullptr && !s.finished && world->frame >= s.wakeFrame) {
        s.started = true;
        SwitchIntoFiber(s.fiber);
    }
    if (!s.error.empty()) {
        return false;
    }
    if (s.scriptTurnObserver) {
        s.scriptTurnObserver(*world);
    }
    StepWorld(*world);
    return true;
}

void SetScriptTurnObserver(std::function<void(const World&)> observer) {
    State().scriptTurnObserver = std::move(observer);
}

bool ScriptFinished() {
    return State().finished;
}

bool ScriptRunning() {
    return State().fiber != nullptr && !State().finished;
}

void StopScript() {
    RuntimeState& s = State();
    if (s.fiber == nullptr) {
        return;
    }
    if (s.onFiber) {
        RaiseHostError("the script tried to tear down its own fiber");
        return;
    }
#ifndef _WIN32
    if (s.started && !s.finished) {
        s.stopRequested = true;
        SwitchIntoFiber(s.fiber);
    }
#endif
    ForgetFiber(s);
    s.script = nullptr;
}

void RestartScript(bool byChaos) {
    RuntimeState& s = State();
    if (s.onFiber) {
        RaiseHostError("the script tried to restart itself");
        return;
    }
    World* world = WorldForCall("RestartScript");
    if (world == nullptr) {
        return;
    }
    // Dropped where it stands, nothing on its stack unwound: what the script
    // kept only there is lost, as in the game. The host functions it was
    // suspended in are left for good.
    if (s.fiber != nullptr) {
        ForgetFiber(s);
    }
    detail::hostCallDepth = 0;
    if (s.rebuildWorld) {
        s.rebuildWorld(*world, byChaos);
    }
    world->stats.scriptRestarts.push_back(world->frame);
    if (s.registeredMain != nullptr) {
        s.script = s.registeredMain;
    }
    RecordHostCall("scriptRestart", nlohmann::json::array());
    if (!s.script) {
        return;
    }
    s.fiber = NewScriptFiber(FiberEntry);
    s.wakeFrame = world->frame;
}

void SetWorldRebuilder(std::function<void(World&, bool)> rebuild) {
    State().rebuildWorld = std::move(rebuild);
}

unsigned long DeepestScriptStack() {
    RuntimeState& s = State();
    const unsigned long now = ScriptFiberStackUsed(s.fiber);
    return now > s.deepestStack ? now : s.deepestStack;
}

int RunOnScriptFiber(std::function<void()> fn, int maxFrames) {
    StartScript(std::move(fn));
    int frames = 0;
    while (frames < maxFrames && !ScriptFinished()) {
        ++frames;
        if (!RunFrame()) {
            break;
        }
    }
    StopScript();
    return frames;
}

const std::string& HostErrorText() {
    return State().error;
}

bool ScriptCodeRunning() {
    return State().onFiber && detail::hostCallDepth == 0;
}

bool InsideHostCall() {
    return detail::hostCallDepth > 0;
}

}  // namespace sim

//-----------------------------------------------------------------------------
// [SECTION] Host functions: registration and waiting
//-----------------------------------------------------------------------------

using sim::RecordHostCall;

extern "C" void scriptRegister(void* module, void (*scriptMain)()) {
    sim::HostCallScope scope;
    // Addresses differ from run to run and between platforms, so the trace
    // records only that the call happened.
    RecordHostCall("scriptRegister", nlohmann::json::array());
    sim::RuntimeState& s = sim::State();
    s.module = module;
    s.registeredMain = scriptMain;
}

extern "C" void scriptUnregister(void* module) {
    sim::HostCallScope scope;
    RecordHostCall("scriptUnregister", nlohmann::json::array());
    sim::RuntimeState& s = sim::State();
    if (module == s.module) {
        s.registeredMain = nullptr;
    }
}

extern "C" void scriptWait(uint32_t ms) {
    sim::HostCallScope scope;
    if (sim::ReplayingCalls()) {
        sim::ReplayWait(ms);
        return;
    }
    sim::RuntimeState& s = sim::State();
    if (!s.onFiber) {
        sim::RaiseHostError("scriptWait(" + std::to_string(ms) +
                            ") called outside the script fiber");
        return;
    }
    if (s.stopRequested) {
        throw sim::ScriptStop{};
    }
    RecordHostCall("scriptWait", nlohmann::json::array({ms}));
    if (sim::RecordingCalls()) {
        sim::RecordWait(ms);
    }
    sim::World* world = sim::WorldForCall("scriptWait");
    s.wakeFrame = world->frame + sim::WaitFrames(ms, world->frameTimeMs);
    sim::SuspendScript();
}

// The worlds the plug-in is measured in, its recorded passes and their
// bare-call floor.
#include <cmath>
#include <cstring>

#include "bench/bench.h"
#include "config/model_lists.h"
#include "host/host_api.h"
#include "loop/script_entry.h"
#include "loop/tick_loop.h"
#include "sim/runtime/host_runtime.h"
#include "sim/scenario/scenario.h"
#include "tracking/parachutes.h"

namespace bench {

namespace {

bool EnterWorkingDirectory(PluginWorld& pw, const std::string& sourceDir) {
    std::string error;
    return sim::EnterFreshWorkingDirectory(&pw.dir, &error) &&
           sim::PlaceFile(pw.dir, sourceDir + "/dist/Korvane.ini", "Korvane.ini", &error);
}

// Starts the plug-in as the game's host does: load-time state, then
// ScriptMain on the script fiber.
void StartPlugin(PluginWorld& pw) {
    sim::AttachWorld(&pw.world);
    sim::KeepTraceInMemory(false);
    sim::StartScript(ScriptMain);
}

void RunFrames(PluginWorld& pw, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (!sim::RunFrame()) {
            return;
        }
        ++pw.frames;
    }
}

// Whether the script stands at the end of a pass (and not in a wait inside
// a task phase).
bool AtPassEnd() {
    return !Plugin.VehicleTaskDue && !Plugin.PedTaskDue;
}

}  // namespace

PluginWorld::~PluginWorld() {
    sim::StopScript();
    sim::StopCallTap();
    sim::AttachWorld(nullptr);
    sim::LeaveWorkingDirectory(dir);
}

std::unique_ptr<PluginWorld> StartTown(const std::string& sourceDir, int frames) {
    auto pw = std::make_unique<PluginWorld>();
    sim::LoadModelCatalogue(pw->world);
    sim::SeedWorld(pw->world, 1);
    std::string error;
    if (!sim::LoadScenario(sourceDir + "/sim/scenarios/town.json", pw->world, &error) ||
        !EnterWorkingDirectory(*pw, sourceDir)) {
        return nullptr;
    }
    ResetToLoadState();
    StartPlugin(*pw);
    RunFrames(*pw, frames);
    return sim::HostErrorText().empty() ? std::move(pw) : nullptr;
}

std::unique_ptr<PluginWorld> StartHeavyWorld(const std::string& sourceDir, int peds, int vehicles) {
    auto pw = std::make_unique<PluginWorld>();
    sim::World& world = pw->world;
    sim::LoadModelCatalogue(world);
    sim::SeedWorld(world, 1);
    world.pedPoolLimit = peds + vehicles + 16;
    world.vehiclePoolLimit = vehicles + 16;
    world.camera.viewDistance = 150.0f;
    world.cameraFollowsPlayer = true;
    // The plug-in hands its members back to the world on every pass; here the
    // world never takes them away, so the lists stay whole.
    world.cleanupDistance = 1.0e9f;
    if (!EnterWorkingDirectory(*pw, sourceDir)) {
        return nullptr;
    }
    const uint32_t human = sim::HashName("a_m_y_business_01");
    world.playerPed = sim::CreatePed(world, sim::HashName("player_zero"), 0, sim::Vec{});
    ResetToLoadState();
    // Peds on foot in rings out to 280 m and cars with drivers out to 380 m:
    // all within their release distances, some on screen and most not.
    for (int i = 0; i < peds; ++i) {
        const double angle = i * 2.399963;  // the golden angle spreads them evenly
        const double radius = 10.0 + 270.0 * std::sqrt((i + 0.5) / peds);
        const sim::Vec at{static_cast<float>(radius * std::cos(angle)),
                          static_cast<float>(radius * std::sin(angle)), 0.0f};
        Plugin.TrackedPeds.push_back(sim::CreatePed(world, human, 4, at));
    }
    for (int i = 0; i < vehicles; ++i) {
        const double angle = i * 2.399963 + 1.0;
        const double radius = 15.0 + 365.0 * std::sqrt((i + 0.5) / vehicles);
        const sim::Vec at{static_cast<float>(radius * std::cos(angle)),
                          static_cast<float>(radius * std::sin(angle)), 0.0f};
        const int32_t car = sim::CreateVehicleEntity(world, sim::HashName("asea"), at, 0.0f);
        const int32_t driver = sim::CreatePed(world, human, 4, at);
        sim::SeatPed(world, driver, car, -1);
        Plugin.TrackedVehicles.push_back(car);
    }
    Plugin.Enabled = true;
    StartPlugin(*pw);
    RunFrames(*pw, 3);  // the first pass reads the settings
    return sim::HostErrorText().empty() ? std::move(pw) : nullptr;
}

PassKind NextPass() {
    if (!AtPassEnd()) {
        return PassKind::InsidePass;
    }
    const int32_t counter = Plugin.CycleCounter;
    const bool tasks =
        Plugin.Enabled && (Plugin.PedTaskCounter + 1 >= Plugin.Settings.PedTaskRate ||
                           Plugin.VehicleTaskCounter + 1 >= Plugin.Settings.VehicleTaskRate);
    if (tasks) {
        return PassKind::Tasks;
    }
    if (counter == 0) {
        return PassKind::SettingsRead;
    }
    if (counter % SiblingFilePeriod == 0) {
        return PassKind::SiblingRead;
    }
    const int32_t next = counter < CycleCounterLimit ? counter + 1 : 0;
    return next % ParachuteCheckPeriod == 0 ? PassKind::Parachutes : PassKind::Ordinary;
}

bool RecordNextPass(PluginWorld& pw, PassKind kind, int maxFrames, RecordedPass* pass) {
    for (int i = 0; i < maxFrames; ++i) {
        if (NextPass() == kind) {
            pass->before = Plugin;
            pass->calls.calls.clear();
            sim::StartRecording(&pass->calls);
            const bool ran = sim::RunFrame();
            sim::StopCallTap();
            ++pw.frames;
            pass->after = Plugin;
            size_t waits = 0;
            pass->operations = 0;
            for (const sim::RecordedCall& call : pass->calls.calls) {
                waits += call.kind == sim::RecordedCall::Kind::Wait ? 1 : 0;
                pass->operations += call.kind == sim::RecordedCall::Kind::Operation ? 1 : 0;
            }
            // One pass is one frame: it ends in its only wait.
            if (ran && waits == 1 &&
                pass->calls.calls.back().kind == sim::RecordedCall::Kind::Wait) {
                return true;
            }
            continue;
        }
        if (!sim::RunFrame()) {
            return false;
        }
        ++pw.frames;
    }
    return false;
}

bool ReplayMatches(const RecordedPass& pass, std::string* why) {
    Plugin = pass.before;
    sim::StartReplay(pass.calls, true);
    TickPass();
    const bool astray = sim::ReplayWentAstray();
    const size_t answered = sim::ReplayPosition();
    *why = sim::ReplayMismatch();
    sim::StopCallTap();
    if (astray) {
        return false;
    }
    if (answered != pass.calls.calls.size()) {
        *why = "the replay made fewer calls than recorded";
        return false;
    }
    if (Plugin.TrackedPeds != pass.after.TrackedPeds ||
        Plugin.TrackedVehicles != pass.after.TrackedVehicles ||
        Plugin.CycleCounter != pass.after.CycleCounter) {
        *why = "the replay left another state than the recorded pass";
        return false;
    }
    return true;
}

namespace {

// Where the floor's address arguments point; larger than any buffer a call
// writes (a vehicle buffer of 4096 handles).
alignas(64) unsigned char Scratch[(4096 + 1) * 8];
int ScratchPeds[512];

bool IsAddressKind(sim::ArgKind kind) {
    switch (kind) {
        case sim::ArgKind::String:
        case sim::ArgKind::HandleRef:
        case sim::ArgKind::HandleOut:
        case sim::ArgKind::Vec3Out:
        case sim::ArgKind::FloatOut:
        case sim::ArgKind::IntOut:
        case sim::ArgKind::BoolOut:
        case sim::ArgKind::VehicleBuffer:
            return true;
        default:
            return false;
    }
}

// Marker words of the host functions in a floor program; no operation's
// hash is this small.
const uint64_t FloorWait = 1;
const uint64_t FloorKeyState = 2;
const uint64_t FloorAllPeds = 3;

}  // namespace

FloorProgram MakeFloorProgram(const sim::CallRecording& recording) {
    FloorProgram program;
    for (const sim::RecordedCall& recorded : recording.calls) {
        switch (recorded.kind) {
            case sim::RecordedCall::Kind::Operation:
                program.words.push_back(recorded.hash);
                program.words.push_back(recorded.slots.size());
                for (size_t i = 0; i < recorded.slots.size(); ++i) {
                    program.words.push_back(IsAddressKind(recorded.op->args[i])
                                                ? reinterpret_cast<uintptr_t>(Scratch)
                                                : recorded.slots[i]);
                }
                break;
            case sim::RecordedCall::Kind::Wait:
                program.words.push_back(FloorWait);
                program.words.push_back(recorded.waitMs);
                break;
            case sim::RecordedCall::Kind::KeyState:
                program.words.push_back(FloorKeyState);
                program.words.push_back(static_cast<uint64_t>(recorded.key));
                break;
            case sim::RecordedCall::Kind::AllPeds:
                program.words.push_back(FloorAllPeds);
                program.words.push_back(static_cast<uint64_t>(recorded.capacity));
                break;
        }
    }
    return program;
}

uint64_t RunFloor(const FloorProgram& program) {
    uint64_t kept = 0;
    const uint64_t* word = program.words.data();
    const uint64_t* end = word + program.words.size();
    while (word < end) {
        const uint64_t head = *word++;
        const uint64_t value = *word++;
        if (head == FloorWait) {
            scriptWait(static_cast<uint32_t>(value));
        } else if (head == FloorKeyState) {
            kept += static_cast<uint16_t>(GetAsyncKeyState(static_cast<int>(value)));
        } else if (head == FloorAllPeds) {
            kept += static_cast<uint64_t>(worldGetAllPeds(ScratchPeds, static_cast<int>(value)));
        } else {
            nativeInit(head);
            for (uint64_t i = 0; i < value; ++i) {
                nativePush64(*word++);
            }
            kept += nativeCall()[0];
        }
    }
    return kept;
}

AllocationCount AllocationsOfReplayedPass(const RecordedPass& pass) {
    Plugin = pass.before;
    sim::StartReplay(pass.calls, false);
    ResetAllocationCount();
    SetAllocationGate(AllocationGate::OutsideHostCalls);
    TickPass();
    SetAllocationGate(AllocationGate::Off);
    sim::StopCallTap();
    return AllocationsCounted();
}

RunAllocations CountAllocationsOverFrames(PluginWorld& pw, int frames) {
    RunAllocations result;
    PassAllocations* current = nullptr;
    for (int i = 0; i < frames; ++i) {
        switch (NextPass()) {
            case PassKind::Ordinary:
            case PassKind::Parachutes:
                current = &result.ordinary;
                ++current->passes;
                break;
            case PassKind::SettingsRead:
            case PassKind::SiblingRead:
                current = &result.settingsRead;
                ++current->passes;
                break;
            case PassKind::Tasks:
                current = &result.tasks;
                ++current->passes;
                break;
            case PassKind::InsidePass:
                break;  // the task pass goes on
        }
        ResetAllocationCount();
        SetAllocationGate(AllocationGate::ScriptCode);
        const bool ran = sim::RunFrame();
        SetAllocationGate(AllocationGate::Off);
        ++pw.frames;
        if (current != nullptr) {
            current->allocations.cxx += AllocationsCounted().cxx;
            current->allocations.c += AllocationsCounted().c;
        }
        if (!ran) {
            break;
        }
    }
    return result;
}

}  // namespace bench

// The host functions that read the world directly rather than through an
// operation: the list of all peds, and the scripted key state.
#include <utility>

#include "sim/record/call_recording.h"
#include "sim/chaos/chaos.h"
#include "sim/runtime/key_state.h"
#include "sim/runtime/runtime_internal.h"
#include "sim/record/trace.h"

extern "C" int worldGetAllPeds(int* handles, int capacity) {
    sim::HostCallScope scope;
    if (sim::ReplayingCalls()) {
        return sim::ReplayAllPeds(handles, capacity);
    }
    sim::World* world = sim::WorldForCall("worldGetAllPeds");
    if (world == nullptr) {
        return 0;
    }
    int count = 0;
    if (handles != nullptr) {
        // Handle order, the same on every platform.
        for (const auto& [handle, entity] : world->entities) {
            if (count >= capacity) {
                break;
            }
            if (entity.kind == sim::EntityKind::Ped) {
                handles[count++] = handle;
            }
        }
    }
    // Chaos may report a count out of range; only the slots written are read.
    const int filled = count;
    count = sim::ChaosWorldPedCount(*world, count, capacity);
    if (sim::TraceWanted()) {
        nlohmann::json written = nlohmann::json::array();
        for (int i = 0; i < filled; ++i) {
            written.push_back(handles[i]);
        }
        sim::TraceEntry entry;
        entry.op = "worldGetAllPeds";
        // In the order of the parameters: the array as written, the capacity.
        entry.args = nlohmann::json::array({std::move(written), capacity});
        entry.ret = count;
        sim::RecordTrace(std::move(entry));
    }
    if (sim::RecordingCalls()) {
        sim::RecordAllPeds(handles, filled, capacity);
    }
    return count;
}

extern "C" int16_t HostGetAsyncKeyState(int virtualKey) {
    sim::HostCallScope scope;
    if (sim::ReplayingCalls()) {
        return sim::ReplayKeyState(virtualKey);
    }
    sim::World* world = sim::WorldForCall("GetAsyncKeyState");
    if (world == nullptr) {
        return 0;
    }
    uint16_t state = world->keysDown.count(virtualKey) != 0 ? 0x8000u : 0u;
    if (sim::TraceWanted()) {
        sim::TraceEntry entry;
        entry.op = "GetAsyncKeyState";
        entry.args = nlohmann::json::array({virtualKey});
        entry.ret = state;
        sim::RecordTrace(std::move(entry));
    }
    if (sim::RecordingCalls()) {
        sim::RecordKeyState(virtualKey, static_cast<int16_t>(state));
    }
    return static_cast<int16_t>(state);
}

#ifndef _WIN32
extern "C" int16_t GetAsyncKeyState(int virtualKey) {
    return HostGetAsyncKeyState(virtualKey);
}
#endif

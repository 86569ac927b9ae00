// The native-call protocol: nativeInit starts a call, nativePush64 adds an
// argument slot, nativeCall looks the hash up in the host's table, checks the
// slot count, runs the operation over the world and returns its result slots.
//
// An unknown hash or a wrong slot count is a host error: the game would read
// garbage or crash, so the run fails loudly instead of guessing.
//
// The plug-in makes a few thousand calls a frame, so the path of a call keeps
// to plain data: the dispatcher is one namespace-level record, the world it
// acts on is cached here when a world is attached, and the trace and the
// call recorder are each one flag to test.
#include <cinttypes>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "sim/record/call_recording.h"
#include "sim/runtime/key_state.h"
#include "sim/ops/native_call.h"
#include "sim/ops/op_table.h"
#include "sim/runtime/runtime_internal.h"
#include "sim/record/trace.h"

namespace sim {

namespace {

struct Dispatcher {
    NativeCall call;
    bool open = false;  // nativeInit seen, nativeCall not yet
    World* world = nullptr;
    std::map<uint64_t, OpImpl> replacements;
    // Returned when a call fails, so the caller reads zeros.
    uint64_t failedResult[3] = {0, 0, 0};
};

Dispatcher TheDispatcher;

std::string HexHash(uint64_t hash) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016" PRIX64, hash);
    return text;
}

uint64_t* Failed(Dispatcher& d) {
    d.failedResult[0] = d.failedResult[1] = d.failedResult[2] = 0;
    return d.failedResult;
}

}  // namespace

void ResetDispatcher(World* world) {
    Dispatcher& d = TheDispatcher;
    d.call.hash = 0;
    d.call.slots.clear();
    d.call.slots.reserve(MaxArgumentSlots);
    d.open = false;
    d.world = world;
    d.replacements.clear();
}

const NativeCall& LastNativeCall() {
    return TheDispatcher.call;
}

void ReplaceOperation(uint64_t hash, OpImpl impl) {
    TheDispatcher.replacements[hash] = impl;
}

}  // namespace sim

namespace sim {

namespace {

// The slow paths of a call, kept out of the fast one.
[[gnu::noinline]] uint64_t* NoWorld(Dispatcher& d) {
    WorldForCall("nativeCall");  // raises the host error
    return Failed(d);
}

[[gnu::noinline]] uint64_t* BadCall(Dispatcher& d, const OpSpec* op) {
    const size_t pushed = d.call.slots.size();
    if (op == nullptr) {
        RaiseHostError("unknown native hash " + HexHash(d.call.hash) + " (" +
                       std::to_string(pushed) + " argument slots pushed)");
    } else {
        RaiseHostError(std::string(op->name) + " (" + HexHash(op->hash) + ") takes " +
                       std::to_string(op->args.size()) + " argument slots, but the script pushed " +
                       std::to_string(pushed));
    }
    return Failed(d);
}

[[gnu::noinline]] OpImpl Replacement(Dispatcher& d, const OpSpec& op) {
    auto replacement = d.replacements.find(op.hash);
    return replacement != d.replacements.end() ? replacement->second : op.impl;
}

[[gnu::noinline]] void CallTraced(World& world, const OpSpec& op, OpImpl impl, NativeCall& call) {
    TracedCall traced = BeginTracedCall(op, call);
    impl(world, call);
    EndTracedCall(traced, op, call);
}

}  // namespace

}  // namespace sim

// nativeInit and nativePush64 run no operation and allocate nothing (the
// slots have room for the longest call), so only nativeCall counts as time
// inside the host for InsideHostCall.
extern "C" void nativeInit(uint64_t hash) {
    sim::Dispatcher& d = sim::TheDispatcher;
    d.call.hash = hash;
    d.call.slots.clear();
    d.call.result[0] = d.call.result[1] = d.call.result[2] = 0;
    d.open = true;
}

extern "C" void nativePush64(uint64_t value) {
    sim::Dispatcher& d = sim::TheDispatcher;
    if (!d.open) {
        sim::HostCallScope scope;
        sim::RaiseHostError("nativePush64 called without nativeInit");
        return;
    }
    d.call.slots.push_back(value);
}

extern "C" uint64_t* nativeCall() {
    sim::HostCallScope scope;
    sim::Dispatcher& d = sim::TheDispatcher;
    if (!d.open) {
        sim::RaiseHostError("nativeCall called without nativeInit");
        return sim::Failed(d);
    }
    d.open = false;
    if (sim::ReplayingCalls()) {
        return sim::ReplayNativeCall(d.call);
    }
    sim::World* world = d.world;
    if (world == nullptr) {
        return sim::NoWorld(d);
    }
    const sim::OpSpec* op = sim::FindOp(d.call.hash);
    if (op == nullptr || d.call.slots.size() != op->args.size()) {
        return sim::BadCall(d, op);
    }
    ++world->stats.nativeCalls;
    sim::OpImpl impl = d.replacements.empty() ? op->impl : sim::Replacement(d, *op);
    if (!sim::TraceWanted()) {
        impl(*world, d.call);
    } else {
        sim::CallTraced(*world, *op, impl, d.call);
    }
    if (sim::RecordingCalls()) {
        sim::RecordNativeCall(*op, d.call);
    }
    return d.call.result;
}

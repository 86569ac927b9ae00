// The native-call protocol: nativeInit starts a call, nativePush64 adds an
// argument slot, nativeCall looks the hash up in the host's table, checks the
// slot count, runs the operation over the world and returns its result slots.
//
// An unknown hash or a wrong slot count is a host error: the game would read
// garbage or crash, so the run fails loudly instead of guessing.
#include <cinttypes>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "sim/host/key_state.h"
#include "sim/host/native_call.h"
#include "sim/host/op_table.h"
#include "sim/host/runtime_internal.h"
#include "sim/host/trace.h"

namespace sim {

namespace {

struct Dispatcher {
    NativeCall call;
    bool open = false;  // nativeInit seen, nativeCall not yet
    std::map<uint64_t, OpImpl> replacements;
    // Returned when a call fails, so the caller reads zeros.
    uint64_t failedResult[3] = {0, 0, 0};
};

Dispatcher& TheDispatcher() {
    static Dispatcher dispatcher;
    return dispatcher;
}

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

void ResetDispatcher() {
    Dispatcher& d = TheDispatcher();
    d.call.hash = 0;
    d.call.slots.clear();
    d.open = false;
    d.replacements.clear();
}

const NativeCall& LastNativeCall() {
    return TheDispatcher().call;
}

void ReplaceOperation(uint64_t hash, OpImpl impl) {
    TheDispatcher().replacements[hash] = impl;
}

}  // namespace sim

extern "C" void nativeInit(uint64_t hash) {
    sim::Dispatcher& d = sim::TheDispatcher();
    d.call.hash = hash;
    d.call.slots.clear();
    d.call.result[0] = d.call.result[1] = d.call.result[2] = 0;
    d.open = true;
}

extern "C" void nativePush64(uint64_t value) {
    sim::Dispatcher& d = sim::TheDispatcher();
    if (!d.open) {
        sim::RaiseHostError("nativePush64 called without nativeInit");
        return;
    }
    d.call.slots.push_back(value);
}

extern "C" uint64_t* nativeCall() {
    sim::Dispatcher& d = sim::TheDispatcher();
    if (!d.open) {
        sim::RaiseHostError("nativeCall called without nativeInit");
        return sim::Failed(d);
    }
    d.open = false;
    sim::World* world = sim::WorldForCall("nativeCall");
    if (world == nullptr) {
        return sim::Failed(d);
    }
    const sim::OpSpec* op = sim::FindOp(d.call.hash);
    size_t pushed = d.call.slots.size();
    if (op == nullptr) {
        sim::RaiseHostError("unknown native hash " + sim::HexHash(d.call.hash) + " (" +
                            std::to_string(pushed) + " argument slots pushed)");
        return sim::Failed(d);
    }
    if (pushed != op->args.size()) {
        sim::RaiseHostError(std::string(op->name) + " (" + sim::HexHash(op->hash) + ") takes " +
                            std::to_string(op->args.size()) +
                            " argument slots, but the script pushed " + std::to_string(pushed));
        return sim::Failed(d);
    }
    ++world->stats.nativeCalls;
    sim::OpImpl impl = op->impl;
    if (!d.replacements.empty()) {
        auto replacement = d.replacements.find(op->hash);
        if (replacement != d.replacements.end()) {
            impl = replacement->second;
        }
    }
    if (!sim::TraceWanted()) {
        impl(*world, d.call);
        return d.call.result;
    }
    sim::TraceEntry entry;
    entry.op = op->name;
    entry.hash = op->hash;
    entry.args = sim::DecodeArgumentsBefore(*op, d.call);
    impl(*world, d.call);
    sim::DecodeOutParameters(*op, d.call, entry.args);
    entry.ret = sim::DecodeResult(op->result, d.call);
    sim::RecordTrace(std::move(entry));
    return d.call.result;
}

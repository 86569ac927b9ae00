// Calling the host's operations directly on a world, the way the dispatcher
// does, with argument slots built from plain values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sim/ops/native_call.h"
#include "sim/ops/op_table.h"
#include "sim/world/world.h"

namespace simtest {

inline uint64_t I(int32_t v) {
    return static_cast<uint32_t>(v);
}
inline uint64_t B(bool v) {
    return v ? 1u : 0u;
}
inline uint64_t F(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
inline uint64_t P(const void* p) {
    return reinterpret_cast<uintptr_t>(p);
}

// Runs the named operation; the slot count must match the host's table.
inline sim::NativeCall Call(sim::World& world, const std::string& op, std::vector<uint64_t> slots) {
    for (const sim::OpSpec& spec : sim::OpTable()) {
        if (op == spec.name) {
            EXPECT_EQ(spec.args.size(), slots.size()) << op;
            sim::NativeCall call;
            call.hash = spec.hash;
            call.slots = std::move(slots);
            spec.impl(world, call);
            return call;
        }
    }
    ADD_FAILURE() << "no operation " << op;
    return sim::NativeCall{};
}

inline int32_t RetInt(const sim::NativeCall& c) {
    return static_cast<int32_t>(static_cast<uint32_t>(c.result[0]));
}
inline bool RetBool(const sim::NativeCall& c) {
    return static_cast<uint32_t>(c.result[0]) != 0;
}
inline float RetFloat(const sim::NativeCall& c) {
    uint32_t bits = static_cast<uint32_t>(c.result[0]);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
inline std::string RetText(const sim::NativeCall& c) {
    const char* text = reinterpret_cast<const char*>(c.result[0]);
    return text ? std::string(text) : std::string("<null>");
}
inline sim::Vec ReadVec3(const void* p) {
    const char* bytes = static_cast<const char*>(p);
    sim::Vec v;
    std::memcpy(&v.x, bytes + 0, 4);
    std::memcpy(&v.y, bytes + 8, 4);
    std::memcpy(&v.z, bytes + 16, 4);
    return v;
}
inline sim::Vec RetVec(const sim::NativeCall& c) {
    return ReadVec3(c.result);
}

// A fresh world with the catalogue, a player on foot at the origin and the
// camera at the origin looking north.
inline sim::World MakeWorld() {
    sim::World world;
    sim::LoadModelCatalogue(world);
    sim::SeedWorld(world, 42);
    world.playerPed = sim::CreatePed(world, sim::HashName("player_zero"), 0, sim::Vec{0, 0, 0});
    return world;
}

inline int32_t AddCar(sim::World& world, const char* model, sim::Vec at, float heading = 0.0f) {
    return sim::CreateVehicleEntity(world, sim::HashName(model), at, heading);
}
inline int32_t AddPed(sim::World& world, sim::Vec at, int type = 4) {
    return sim::CreatePed(world, sim::HashName("a_m_y_business_01"), type, at);
}

}  // namespace simtest

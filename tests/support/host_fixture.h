// A fixture for tests that run plug-in code against the substitute host: a
// fresh world with the model catalogue, attached to the host, with the trace
// kept in memory, and the plug-in back at its load-time state.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/runtime/host_runtime.h"
#include "sim/world/world.h"
#include "state/plugin_state.h"

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override {
        world = sim::World{};
        sim::LoadModelCatalogue(world);
        world.rngState = 12345;
        sim::AttachWorld(&world);
        sim::KeepTraceInMemory(true);
        ResetToLoadState();
        player = sim::CreatePed(world, sim::HashName("player_zero"), 0, sim::Vec{0, 0, 0});
        world.playerPed = player;
        Plugin.PlayerPed = player;
    }
    void TearDown() override {
        sim::StopScript();
        sim::AttachWorld(nullptr);
    }

    // Places a vehicle of a named model; returns its handle.
    int32_t AddVehicle(const std::string& model, sim::Vec position, float heading = 0.0f) {
        return sim::CreateVehicleEntity(world, sim::HashName(model), position, heading);
    }
    int32_t AddPed(sim::Vec position, int pedType = 4) {
        return sim::CreatePed(world, sim::HashName("a_m_y_business_01"), pedType, position);
    }
    sim::Entity& E(int32_t handle) { return world.entities.at(handle); }

    // The names of the operations called since the last ClearMemoryTrace, in order.
    std::vector<std::string> Ops() const {
        std::vector<std::string> names;
        for (const sim::TraceEntry& e : sim::MemoryTrace()) {
            names.push_back(e.op);
        }
        return names;
    }
    // The trace entries of one operation.
    std::vector<sim::TraceEntry> CallsTo(const std::string& op) const {
        std::vector<sim::TraceEntry> calls;
        for (const sim::TraceEntry& e : sim::MemoryTrace()) {
            if (e.op == op) {
                calls.push_back(e);
            }
        }
        return calls;
    }

    sim::World world;
    int32_t player = 0;
};

// A fixture for the vehicle phase: a town with the player at the origin and
// the camera looking north from there, so everything south of the player is
// out of sight. Replacements always draw one chosen model, every one-in-N
// draw wins, models load at once and nothing pauses, unless a test says
// otherwise.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/runtime/host_runtime.h"
#include "state/plugin_state.h"
#include "support/case_names.h"
#include "support/host_fixture.h"

class TrafficFixture : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        Plugin.Settings.PolicePatrols = 0;
        Plugin.Settings.SpawnOdds = 1;
        Plugin.Settings.SpawnWaitMs = 0;
        Plugin.Settings.NewVehicleSpawnRate = 0;
        Plugin.Settings.PedsInCars = 0;
        Plugin.Settings.DebugMessages = 0;
        Plugin.Settings.IniCheck = IniCheckValue;
        world.modelLoadDelayFrames = 0;
        world.camera.position = sim::Vec{0, 0, 2};
        world.camera.rotation = sim::Vec{0, 0, 0};
        UseOnlyModel("issi2");
    }

    // Every draw from the full list yields `name`.
    void UseOnlyModel(const std::string& name) {
        onlyModel = name;
        for (const char*& entry : Plugin.FullModelList) {
            entry = onlyModel.c_str();
        }
    }

    // Runs `fn` on the script fiber; it must return, and the host must see no
    // fault in the calls it made.
    void Run(const std::function<void()>& fn, int maxFrames = 20000) {
        bool returned = false;
        sim::RunOnScriptFiber(
            [&] {
                fn();
                returned = true;
            },
            maxFrames);
        ASSERT_EQ(sim::HostErrorText(), "");
        ASSERT_TRUE(returned);
    }

    // A vehicle with a driver, moving at `speed` m/s southwards, `distance`
    // metres south of the player (out of sight).
    int32_t AddTraffic(const std::string& model, float distance, float speed = 10.0f) {
        const int32_t vehicle = AddVehicle(model, sim::Vec{0, -distance, 0}, 180.0f);
        E(vehicle).velocity = sim::Vec{0, -speed, 0};
        const int32_t driver = AddPed(sim::Vec{0, -distance, 0});
        sim::SeatPed(world, driver, vehicle, -1);
        return vehicle;
    }
    // A standing vehicle the player sees: counts as a twin, is never a
    // candidate itself.
    int32_t AddSeenTwin(const std::string& model) {
        const int32_t vehicle = AddVehicle(model, sim::Vec{5, 40, 0});
        E(vehicle).onScreenOverride = 1;
        return vehicle;
    }
    // Seats `count` passengers from seat 0 on.
    void AddPassengers(int32_t vehicle, int count) {
        for (int seat = 0; seat < count; ++seat) {
            sim::SeatPed(world, AddPed(E(vehicle).position), vehicle, seat);
        }
    }

    // CandidateState as the candidate test leaves it for `vehicle`.
    void TakeAsCandidate(int32_t vehicle) {
        const sim::Entity& e = E(vehicle);
        CandidateRecord& c = Plugin.CandidateState;
        c.CandidatePosition = MakeVec3(e.position.x, e.position.y, e.position.z);
        c.CandidateVelocity = MakeVec3(e.velocity.x, e.velocity.y, e.velocity.z);
        c.SpawnHeading = e.heading;
        c.CandidateDistance = sim::Distance(e.position, E(player).position);
    }

    void HoldHotkey() {
        world.keyEvents.push_back({world.frame, Plugin.Settings.Hotkey, true});
        world.keyEvents.push_back({world.frame + 1, Plugin.Settings.Hotkey, true});
        world.keysDown.insert(Plugin.Settings.Hotkey);
    }

    bool Exists(int32_t handle) { return sim::FindEntity(world, handle) != nullptr; }
    static uint32_t Hash(const std::string& name) { return sim::HashName(name); }

    // Live vehicles of a model.
    std::vector<int32_t> VehiclesOf(const std::string& model) {
        std::vector<int32_t> found;
        for (const auto& [handle, e] : world.entities) {
            if (e.kind == sim::EntityKind::Vehicle && e.model == Hash(model)) {
                found.push_back(handle);
            }
        }
        return found;
    }
    // Occupants of a vehicle's passenger seats.
    std::vector<int32_t> Passengers(int32_t vehicle) {
        std::vector<int32_t> peds;
        const std::vector<int32_t>& seats = E(vehicle).occupants;
        for (size_t i = 1; i < seats.size(); ++i) {
            if (seats[i] != 0) {
                peds.push_back(seats[i]);
            }
        }
        return peds;
    }
    // The milliseconds of every scriptWait, in order.
    std::vector<int> Waits() const {
        std::vector<int> ms;
        for (const sim::TraceEntry& e : CallsTo("scriptWait")) {
            ms.push_back(e.args[0].get<int>());
        }
        return ms;
    }
    // The results of the GetRandomIntInRange calls made with these bounds.
    std::vector<int> Draws(int start, int end) const {
        std::vector<int> results;
        for (const sim::TraceEntry& e : CallsTo("GetRandomIntInRange")) {
            if (e.args[0] == start && e.args[1] == end) {
                results.push_back(e.ret.get<int>());
            }
        }
        return results;
    }
    int Count(const std::string& op) const { return static_cast<int>(CallsTo(op).size()); }
    bool Tracked(const std::vector<EntityHandle>& list, int32_t handle) const {
        for (EntityHandle h : list) {
            if (h == handle) {
                return true;
            }
        }
        return false;
    }

    std::string onlyModel;
};

// Shared set-up for the tracked-list tests: peds and vehicles placed with a
// fixed visibility, crews seated, and small readers over the trace.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "state/plugin_state.h"
#include "support/host_fixture.h"
#include "tracking/aircraft_tasks.h"
#include "tracking/entity_checks.h"
#include "tracking/law_crews.h"
#include "tracking/parachutes.h"
#include "tracking/ped_adoption.h"
#include "tracking/ped_tasks.h"
#include "tracking/tracked_lists.h"

// Operation names of several steps, one after the other.
inline std::vector<std::string> Join(const std::vector<std::vector<std::string>>& parts) {
    std::vector<std::string> all;
    for (const std::vector<std::string>& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class TrackingTest : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        // Off the parachute period unless a test asks for it.
        Plugin.CycleCounter = 1;
    }

    // A ped at a point, on or off screen regardless of the camera.
    int32_t PedAt(sim::Vec position, bool onScreen = false, int pedType = 4) {
        const int32_t ped = AddPed(position, pedType);
        E(ped).onScreenOverride = onScreen ? 1 : 0;
        return ped;
    }
    int32_t VehicleAt(const std::string& model, sim::Vec position, bool onScreen = false) {
        const int32_t vehicle = AddVehicle(model, position);
        E(vehicle).onScreenOverride = onScreen ? 1 : 0;
        return vehicle;
    }
    // A ped seated in `vehicle` (the driver's seat is -1).
    int32_t Occupant(int32_t vehicle, int seat = -1, int pedType = 4) {
        const int32_t ped = PedAt(E(vehicle).position, false, pedType);
        EXPECT_TRUE(sim::SeatPed(world, ped, vehicle, seat));
        return ped;
    }

    bool Exists(int32_t handle) { return sim::FindEntity(world, handle) != nullptr; }

    // The first argument of each call to `op`, as a handle.
    std::vector<int32_t> FirstArgs(const std::string& op) const {
        std::vector<int32_t> handles;
        for (const sim::TraceEntry& e : CallsTo(op)) {
            handles.push_back(e.args[0].is_null() ? 0 : e.args[0].get<int32_t>());
        }
        return handles;
    }
    int Count(const std::string& op) const { return static_cast<int>(CallsTo(op).size()); }

    // The weapon names a ped carries, by the hashes of the names given.
    bool HasWeapon(int32_t ped, const char* name) {
        const std::vector<sim::WeaponRecord>& weapons = E(ped).weapons;
        return std::any_of(weapons.begin(), weapons.end(), [&](const sim::WeaponRecord& w) {
            return w.hash == sim::HashName(name);
        });
    }

    // Seeds the plug-in's generator so that its next draws, each over
    // [0, end), give the wanted values in order. A test checks the draws it
    // got against the trace, so a failed search shows there.
    struct Draw {
        int32_t end;
        int32_t wanted;
    };
    void SeedForDraws(const std::vector<Draw>& draws) {
        for (uint64_t seed = 1; seed < 100000; ++seed) {
            world.rngState = seed;
            bool all = true;
            for (const Draw& d : draws) {
                if (sim::RandomInRange(world, 0, d.end) != d.wanted) {
                    all = false;
                    break;
                }
            }
            if (all) {
                world.rngState = seed;
                return;
            }
        }
        ADD_FAILURE() << "no seed gives the wanted draws";
    }
    // The results of the draws made so far, in order.
    std::vector<int32_t> DrawResults() const {
        std::vector<int32_t> results;
        for (const sim::TraceEntry& e : CallsTo("GetRandomIntInRange")) {
            results.push_back(e.ret.get<int32_t>());
        }
        return results;
    }

    // Runs the per-pass list work as the loop does.
    void UpkeepPass() {
        NormaliseTrackedLists(Plugin.TrackedPeds);
        NormaliseTrackedLists(Plugin.TrackedVehicles);
        UpkeepTrackedPeds();
        UpkeepTrackedVehicles();
    }
};

// The plug-in's operation catalogue against the host's table, the slots the
// typed layer pushes for sample arguments, and how it reads results back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/natives.h"
#include "support/host_fixture.h"

namespace {

TEST(CatalogueTest, PluginAndHostAgreeOnEveryOperation) {
    const std::vector<sim::OpSpec>& host = sim::OpTable();
    ASSERT_EQ(host.size(), static_cast<size_t>(NativeCount));
    for (int i = 0; i < NativeCount; ++i) {
        const NativeInfo& plugin = NativeTable[i];
        SCOPED_TRACE(plugin.name);
        EXPECT_STREQ(host[i].name, plugin.name);
        EXPECT_EQ(host[i].hash, plugin.hash);
        EXPECT_EQ(host[i].args.size(), static_cast<size_t>(plugin.slots));
        EXPECT_EQ(sim::FindOp(plugin.hash), &host[i]);
    }
}

// Result slots the stand-in operation answers with.
uint64_t gAnswer[3];
void Answer(sim::World&, sim::NativeCall& call) {
    std::memcpy(call.result, gAnswer, sizeof gAnswer);
}
void AnswerNothing(sim::World&, sim::NativeCall&) {}

class TypedLayerTest : public HostFixture {
protected:
    // Calls `call` with every operation answering nothing; returns the slots
    // the host received.
    std::vector<uint64_t> SlotsOf(NativeOp op, const std::function<void()>& call) {
        sim::ReplaceOperation(NativeHash(op), AnswerNothing);
        call();
        EXPECT_EQ(sim::HostErrorText(), "");
        EXPECT_EQ(sim::LastNativeCall().hash, NativeHash(op));
        return sim::LastNativeCall().slots;
    }
    void SetAnswer(uint64_t a, uint64_t b = 0, uint64_t c = 0) {
        gAnswer[0] = a;
        gAnswer[1] = b;
        gAnswer[2] = c;
    }
};

uint64_t Address(const void* p) {
    return reinterpret_cast<uintptr_t>(p);
}

TEST_F(TypedLayerTest, SlotsPushedForSampleArguments) {
    const uint64_t One = 0x3F800000, Two = 0x40000000, Three = 0x40400000;
    int32_t handle = 77;
    int32_t buffer[2 * 102] = {101};
    const char* plate = "K41482D2";
    struct Case {
        NativeOp op;
        std::function<void()> call;
        std::vector<uint64_t> slots;
    };
    const std::vector<Case> cases = {
        {NativeOp::EntityExists, [] { game::EntityExists(7); }, {7}},
        {NativeOp::GetEntityPosition, [] { game::GetEntityPosition(7); }, {7, 1}},
        {NativeOp::IsEntityDead, [] { game::IsEntityDead(7); }, {7, 0}},
        {NativeOp::SetEntityVelocity,
         [] { game::SetEntityVelocity(7, 1.5f, -2.0f, 0.0f); },
         {7, 0x3FC00000, 0xC0000000, 0}},
        {NativeOp::HasClearLineOfSight, [] { game::HasClearLineOfSight(1, 2); }, {1, 2, 0}},
        {NativeOp::GetPedInVehicleSeat,
         [] { game::GetPedInVehicleSeat(9, -1); },
         {9, 0xFFFFFFFF, 0}},
        {NativeOp::IsVehicleSeatFree, [] { game::IsVehicleSeatFree(9, 2); }, {9, 2, 0}},
        {NativeOp::GetVehicleNumberOfPassengers,
         [] { game::GetVehicleNumberOfPassengers(9); },
         {9, 0, 1}},
        {NativeOp::IsVehicleDriveable, [] { game::IsVehicleDriveable(9); }, {9, 1}},
        {NativeOp::CreateVehicle,
         [] { game::CreateVehicle(0xDEADBEEF, 1.0f, 2.0f, 3.0f, 90.0f, false, false); },
         {0xDEADBEEF, One, Two, Three, 0x42B40000, 0, 0, 0}},
        {NativeOp::SetVehicleEngineOn,
         [] { game::SetVehicleEngineOn(9, true, true); },
         {9, 1, 1, 0}},
        {NativeOp::SetVehicleOnGroundProperly,
         [] { game::SetVehicleOnGroundProperly(9); },
         {9, 0x40A00000}},
        {NativeOp::TaskPlaneMission,
         [] {
             game::TaskPlaneMission(1, 2, 0, 0, 1.0f, 2.0f, 3.0f, 4, 30.0f, 50.0f, -1.0f, 100.0f,
                                    40.0f);
         },
         {1, 2, 0, 0, One, Two, Three, 4, 0x41F00000, 0x42480000, 0xBF800000, 0x42C80000,
          0x42200000, 0}},
        {NativeOp::TaskPlaneChase, [] { game::TaskPlaneChase(1, 2); }, {1, 2, 0, 0, 0}},
        {NativeOp::TaskHeliChase, [] { game::TaskHeliChase(3, 4); }, {3, 4, 0, 0, 0}},
        {NativeOp::TaskParachuteToTarget,
         [] { game::TaskParachuteToTarget(3, 1.0f, 2.0f, 3.0f); },
         {3, One, Two, Three}},
        {NativeOp::DrawText, [] { game::DrawText(0.5f, 0.5f); }, {0x3F000000, 0x3F000000, 0}},
        {NativeOp::SetTextScale,
         [] { game::SetTextScale(0.55f, 0.55f); },
         {0x3F0CCCCD, 0x3F0CCCCD}},
        {NativeOp::GiveDelayedWeaponToPed,
         [] { game::GiveDelayedWeaponToPed(4, 0xABCDEF01, true); },
         {4, 0xABCDEF01, 300, 1}},
        {NativeOp::GetRandomIntInRange, [] { game::GetRandomIntInRange(-5, 5); }, {0xFFFFFFFB, 5}},
        {NativeOp::ApplyPassStartOption, [] { game::ApplyPassStartOption(); }, {1}},
        {NativeOp::SetAllLowPriorityVehicleGeneratorsActive,
         [] { game::SetAllLowPriorityVehicleGeneratorsActive(); },
         {1}},
        {NativeOp::SetVehicleModelIsSuppressed,
         [] { game::SetVehicleModelIsSuppressed(0x80000001); },
         {0x80000001, 1}},
        {NativeOp::SetVehicleNumberPlateText,
         [&] { game::SetVehicleNumberPlateText(9, plate); },
         {9, Address(plate)}},
        {NativeOp::DeleteEntity, [&] { game::DeleteEntity(&handle); }, {Address(&handle)}},
        {NativeOp::GetPedNearbyVehicles,
         [&] { game::GetPedNearbyVehicles(5, buffer); },
         {5, Address(buffer)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(NativeTable[static_cast<int>(c.op)].name);
        EXPECT_EQ(SlotsOf(c.op, c.call), c.slots);
    }
}

TEST_F(TypedLayerTest, ResultsAreReadFromTheLowHalfOfTheFirstSlot) {
    sim::ReplaceOperation(NativeHash(NativeOp::EntityExists), Answer);
    sim::ReplaceOperation(NativeHash(NativeOp::GetPedType), Answer);
    sim::ReplaceOperation(NativeHash(NativeOp::GetEntityModel), Answer);
    sim::ReplaceOperation(NativeHash(NativeOp::GetEntitySpeed), Answer);

    SetAnswer(0xABCD000000000000ULL);
    EXPECT_FALSE(game::EntityExists(1)) << "the upper half is not part of a bool";
    SetAnswer(2);
    EXPECT_TRUE(game::EntityExists(1)) << "any non-zero value is true";
    SetAnswer(0x12345678FFFFFFFEULL);
    EXPECT_EQ(game::GetPedType(1), -2);
    SetAnswer(0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(game::GetEntityModel(1), 0xFFFFFFFFu);
    SetAnswer(0x77777777C0490FDBULL);
    EXPECT_FLOAT_EQ(game::GetEntitySpeed(1), -3.14159274f);
}

TEST_F(TypedLayerTest, Vec3AndTextResults) {
    sim::ReplaceOperation(NativeHash(NativeOp::GetEntityVelocity), Answer);
    sim::ReplaceOperation(NativeHash(NativeOp::GetDisplayNameFromVehicleModel), Answer);
    float x = 1.25f, y = -8.5f, z = 300.0f;
    uint32_t bx, by, bz;
    std::memcpy(&bx, &x, 4);
    std::memcpy(&by, &y, 4);
    std::memcpy(&bz, &z, 4);
    // Padding after each float holds garbage that must not matter.
    SetAnswer(0xEEEEEEEE00000000ULL | bx, 0xDDDDDDDD00000000ULL | by, 0xCCCCCCCC00000000ULL | bz);
    Vec3 v = game::GetEntityVelocity(1);
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);

    static const char name[] = "ADDER";
    SetAnswer(reinterpret_cast<uintptr_t>(name));
    EXPECT_STREQ(game::GetDisplayNameFromVehicleModel(1), "ADDER");
    SetAnswer(0);
    const char* none = game::GetDisplayNameFromVehicleModel(1);
    ASSERT_NE(none, nullptr);
    EXPECT_STREQ(none, "") << "no text reads as an empty text";
}

}  // namespace

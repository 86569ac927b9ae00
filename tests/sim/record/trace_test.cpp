// The trace: each argument kind decoded as the plug-in passed it (values
// before the call, out-parameters after), results, the host functions, and
// the trace line's format.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/keys.h"
#include "host/natives.h"
#include "sim/record/trace.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace {

using nlohmann::json;

class TraceTest : public HostFixture {
protected:
    sim::TraceEntry Last() const {
        EXPECT_FALSE(sim::MemoryTrace().empty());
        return sim::MemoryTrace().empty() ? sim::TraceEntry{} : sim::MemoryTrace().back();
    }
};

// Out-parameters written by stand-in implementations with known values.
void WriteNode(sim::World&, sim::NativeCall& call) {
    sim::WriteVec3(call.Ptr<void>(4), sim::Vec{1.5f, -2.25f, 30.0f});
    *call.Ptr<float>(5) = 0.1f;
    *call.Ptr<int32_t>(6) = 3;
    call.ReturnBool(true);
}

void WriteShapeTest(sim::World&, sim::NativeCall& call) {
    *call.Ptr<int32_t>(1) = 5;  // any non-zero value is a hit
    sim::WriteVec3(call.Ptr<void>(2), sim::Vec{10.0f, 20.0f, 30.0f});
    sim::WriteVec3(call.Ptr<void>(3), sim::Vec{0.0f, 0.0f, 1.0f});
    *call.Ptr<int32_t>(4) = 4321;
    call.ReturnInt(2);
}

TEST_F(TraceTest, HandleAddressesRecordTheHandleBeforeTheCall) {
    int32_t vehicle = AddVehicle("blista", sim::Vec{10, 0, 0});
    int32_t ped = AddPed(sim::Vec{5, 5, 0});
    int32_t released = ped;
    game::SetPedNoLongerNeeded(&released);
    EXPECT_EQ(Last().op, "SetPedNoLongerNeeded");
    EXPECT_EQ(Last().args, json::array({ped}));
    EXPECT_EQ(released, ped);

    int32_t deleted = vehicle;
    game::DeleteVehicle(&deleted);
    EXPECT_EQ(deleted, 0) << "the host cleared the handle";
    EXPECT_EQ(Last().args, json::array({vehicle})) << "the trace shows what the host read";
}

TEST_F(TraceTest, OutParametersRecordWhatTheHostWrote) {
    sim::ReplaceOperation(NativeHash(NativeOp::GetNthClosestVehicleNodeWithHeading), WriteNode);
    Vec3 position;
    float heading = 0;
    int32_t lanes = 0;
    EXPECT_TRUE(game::GetNthClosestVehicleNodeWithHeading(1, 2, 3, 4, &position, &heading, &lanes,
                                                          9, 3.0f, 2.5f));
    sim::TraceEntry node = Last();
    EXPECT_EQ(node.op, "GetNthClosestVehicleNodeWithHeading");
    EXPECT_EQ(node.args.dump(), "[1.0,2.0,3.0,4,[1.5,-2.25,30.0],0.1,3,9,3.0,2.5]");
    EXPECT_EQ(node.ret, 1);
    EXPECT_FLOAT_EQ(position.y, -2.25f);

    sim::ReplaceOperation(NativeHash(NativeOp::GetShapeTestResult), WriteShapeTest);
    int32_t hit = 0;
    int32_t entity = 0;
    Vec3 end;
    Vec3 normal;
    EXPECT_EQ(game::GetShapeTestResult(7, &hit, &end, &normal, &entity), 2);
    EXPECT_EQ(Last().args, json::parse("[7,1,[10.0,20.0,30.0],[0.0,0.0,1.0],4321]"));
    EXPECT_EQ(Last().ret, 2);
}

TEST_F(TraceTest, VehicleBufferRecordsTheHandlesWritten) {
    std::vector<int32_t> placed;
    for (int i = 0; i < 4; ++i) {
        placed.push_back(AddVehicle("blista", sim::Vec{5.0f + 4.0f * i, 5, 0}));
    }
    int32_t buffer[2 * 102] = {};
    buffer[0] = 101;
    int32_t count = game::GetPedNearbyVehicles(player, buffer);
    ASSERT_GT(count, 0);
    sim::TraceEntry entry = Last();
    EXPECT_EQ(entry.op, "GetPedNearbyVehicles");
    EXPECT_EQ(entry.ret, count);
    ASSERT_EQ(entry.args.size(), 2u);
    EXPECT_EQ(entry.args[0], player);
    std::vector<int32_t> written;
    for (int i = 0; i < count; ++i) {
        written.push_back(buffer[2 * (i + 1)]);
    }
    EXPECT_EQ(entry.args[1], json(written));
}

TEST_F(TraceTest, TextsAreRecordedAsText) {
    int32_t vehicle = AddVehicle("blista", sim::Vec{10, 0, 0});
    game::SetVehicleNumberPlateText(vehicle, "K41482D2");
    EXPECT_EQ(Last().args, json::array({vehicle, "K41482D2"}));
    EXPECT_STREQ(game::GetVehicleNumberPlateText(vehicle), "K41482D2");
    EXPECT_EQ(Last().ret, "K41482D2");
    EXPECT_EQ(game::GetHashKey("ADDER"), sim::HashName("adder"));
    EXPECT_EQ(Last().args, json::array({"ADDER"}));
    EXPECT_EQ(Last().ret, sim::HashName("adder")) << "hashes as unsigned integers";
}

TEST_F(TraceTest, ValuesOfEachKindAndResults) {
    // Handle, hash, floats, bools: CreateVehicle with its trailing slot.
    uint32_t model = sim::HashName("blista");
    world.loadedModels.insert(model);
    int32_t created = game::CreateVehicle(model, 1.5f, -2.0f, 0.55f, 90.0f, false, false);
    EXPECT_EQ(Last().args, json::parse("[" + std::to_string(model) + ",1.5,-2.0,0.55,90.0,0,0,0]"));
    EXPECT_EQ(Last().ret, created);
    // A negative int and a Vec3 result.
    E(player).position = sim::Vec{100.25f, -7.5f, 1.0f};
    game::GetEntityPosition(player);
    EXPECT_EQ(Last().args, json::array({player, 1}));
    EXPECT_EQ(Last().ret, json::parse("[100.25,-7.5,1.0]"));
    game::GetPedInVehicleSeat(created, -1);
    EXPECT_EQ(Last().args, json::array({created, -1, 0}));
    // A result of none.
    game::SetTimerA(0);
    EXPECT_TRUE(Last().ret.is_null());
}

TEST_F(TraceTest, HostFunctionsAreRecordedToo) {
    int32_t first = AddPed(sim::Vec{1, 1, 0});
    int32_t second = AddPed(sim::Vec{2, 2, 0});
    AddVehicle("blista", sim::Vec{3, 3, 0});
    int handles[512] = {};
    int count = worldGetAllPeds(handles, 512);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::vector<int>(handles, handles + 3), std::vector<int>({player, first, second}));
    EXPECT_EQ(Last().op, "worldGetAllPeds");
    EXPECT_EQ(Last().args, json::array({json::array({player, first, second}), 512}));
    EXPECT_EQ(Last().ret, 3);
    EXPECT_EQ(Last().hash, 0u);

    int few[2] = {};
    EXPECT_EQ(worldGetAllPeds(few, 2), 2) << "no more than the capacity";
    EXPECT_EQ(Last().args, json::array({json::array({player, first}), 2}));

    world.keysDown.insert(0x63);
    EXPECT_TRUE(IsKeyDown(0x63));
    EXPECT_EQ(Last().op, "GetAsyncKeyState");
    EXPECT_EQ(Last().args, json::array({0x63}));
    EXPECT_EQ(Last().ret, 0x8000);
    EXPECT_FALSE(IsKeyDown(0x64));
    EXPECT_EQ(Last().ret, 0);

    scriptRegister(&world, [] {});
    EXPECT_EQ(Last().op, "scriptRegister");
    scriptUnregister(&world);
    EXPECT_EQ(Last().op, "scriptUnregister");
    EXPECT_EQ(sim::RegisteredScriptMain(), nullptr);
}

TEST_F(TraceTest, EveryOperationCallIsCountedOnce) {
    int before = world.stats.nativeCalls;
    game::EntityExists(player);
    game::GetPlayerPed();
    IsKeyDown(1);
    int handles[4];
    worldGetAllPeds(handles, 4);
    EXPECT_EQ(world.stats.nativeCalls, before + 2) << "host functions are not operations";
}

TEST_F(TraceTest, TraceLinesHaveAFixedShape) {
    sim::TraceEntry entry;
    entry.frame = 12;
    entry.op = "GetEntityPosition";
    entry.hash = 0x3FEF770D40960D5AULL;
    entry.args = json::array({1000, 1});
    entry.ret =
        json::array({sim::FloatValue(0.1f), sim::FloatValue(-3.0f), sim::FloatValue(1e-7f)});
    EXPECT_EQ(sim::TraceLine(entry),
              "{\"frame\":12,\"op\":\"GetEntityPosition\",\"hash\":\"0x3FEF770D40960D5A\","
              "\"args\":[1000,1],\"ret\":[0.1,-3.0,1e-07]}");
    EXPECT_EQ(sim::TraceEntryJson(entry), json::parse(sim::TraceLine(entry)));

    sim::TraceEntry wait;
    wait.frame = 3;
    wait.op = "scriptWait";
    wait.args = json::array({0});
    EXPECT_EQ(sim::TraceLine(wait), "{\"frame\":3,\"op\":\"scriptWait\",\"args\":[0],\"ret\":null}")
        << "host functions have no hash";

    // Floats print as the shortest text that reads back as the same float.
    for (float f : {0.55f, 3000.0f, -0.017453292f, 123456.79f, 1.0f / 3.0f}) {
        json value = sim::FloatValue(f);
        EXPECT_EQ(static_cast<float>(json::parse(value.dump()).get<double>()), f) << value.dump();
        EXPECT_LE(value.dump().size(), 14u) << value.dump();
    }
}

// Operation lines are written straight to the file without building JSON;
// each must be the very line TraceLine makes of the decoded entry: floats of
// every sort, texts that need escaping or mending, handle addresses the call
// clears, out-parameters, vehicle buffers, text results and null addresses.
TEST_F(TraceTest, FileLinesAreTheDecodedEntriesLineForLine) {
    TempWorkingDirectory dir;
    std::string path = (dir.Path() / "trace.jsonl").string();
    ASSERT_TRUE(sim::OpenTraceFile(path));
    sim::ReplaceOperation(NativeHash(NativeOp::GetNthClosestVehicleNodeWithHeading), WriteNode);
    sim::ReplaceOperation(NativeHash(NativeOp::GetShapeTestResult), WriteShapeTest);

    int32_t car = AddVehicle("blista", sim::Vec{10.1f, -3.3f, 0.0f});
    for (int i = 0; i < 3; ++i) {
        AddVehicle("asea", sim::Vec{5.0f + 4.0f * i, 5, 0});
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float floats[] = {0.0f,    -0.0f,           0.1f,        -3.0f,      1e-7f,
                            3.4e38f, 1.17549435e-38f, 1e-45f,      nan,        inf,
                            -inf,    0.55f,           1.0f / 3.0f, 123456.79f, 16777216.0f,
                            1e15f,   1e16f,           0.0001f,     0.00001f,   100.0f};
    for (float f : floats) {
        game::SetEntityVelocity(car, f, -f, f * 3.0f);
    }
    E(player).position = sim::Vec{100.25f, -7.5f, 1.0f / 3.0f};
    game::GetEntityPosition(player);
    game::GetEntityHeading(car);
    for (const char* text : {"K41482D2", "", "a\"b\\c", "line\nbreak\ttab", "\x01\x1f\x7f",
                             "bad \xff byte", "caf\xc3\xa9", "{}[],:"}) {
        game::SetVehicleNumberPlateText(car, text);
        game::GetVehicleNumberPlateText(car);
        game::GetHashKey(text);
    }
    game::GetHashKey(nullptr);
    game::GetDisplayNameFromVehicleModel(sim::HashName("blista"));
    Vec3 position;
    float heading = 0;
    int32_t lanes = 0;
    game::GetNthClosestVehicleNodeWithHeading(1, 2, 3, 4, &position, &heading, &lanes, 9, 3.0f,
                                              2.5f);
    int32_t hit = 0;
    int32_t entity = 0;
    Vec3 end;
    Vec3 normal;
    game::GetShapeTestResult(7, &hit, &end, &normal, &entity);
    game::GetSafeCoordForPed(1.0f, 2.0f, 3.0f, true, &position, 16);
    game::GetSafeCoordForPed(1.0f, 2.0f, 3.0f, true, nullptr, 16);
    int32_t buffer[2 * 102] = {};
    buffer[0] = 101;
    game::GetPedNearbyVehicles(player, buffer);
    int32_t small[2 * 3] = {};
    small[0] = 2;
    game::GetPedNearbyVehicles(player, small);
    int32_t released = car;
    game::SetVehicleNoLongerNeeded(&released);
    game::DeleteEntity(&released);
    game::DeleteEntity(nullptr);
    game::CreateVehicle(sim::HashName("blista"), 1.5f, -2.0f, 0.55f, 90.0f, false, false);
    IsKeyDown(0x63);
    int handles[8];
    worldGetAllPeds(handles, 8);
    sim::CloseTraceFile();

    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    const std::vector<sim::TraceEntry>& entries = sim::MemoryTrace();
    ASSERT_EQ(lines.size(), entries.size());
    ASSERT_GE(lines.size(), 60u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], sim::TraceLine(entries[i])) << "line " << i + 1;
    }
}

TEST_F(TraceTest, TraceFileHoldsOneLinePerCallInOrder) {
    TempWorkingDirectory dir;
    std::string path = (dir.Path() / "trace.jsonl").string();
    ASSERT_TRUE(sim::OpenTraceFile(path));
    sim::RunOnScriptFiber(
        [] {
            game::GetPlayerPed();
            IsKeyDown(0x63);
            scriptWait(0);
            game::SetVehicleNumberPlateText(0, "bad \xff byte");
        },
        5);
    sim::CloseTraceFile();
    std::ifstream in(path);
    std::vector<json> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(json::parse(line));
    }
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["op"], "GetPlayerPed");
    EXPECT_EQ(lines[0]["hash"], "0xD80958FC74E988A6");
    EXPECT_EQ(lines[1]["op"], "GetAsyncKeyState");
    EXPECT_EQ(lines[2]["op"], "scriptWait");
    EXPECT_EQ(lines[3]["frame"], lines[2]["frame"].get<int>() + 1);
    EXPECT_EQ(lines[3]["args"][1], "bad \xEF\xBF\xBD byte") << "text that is not UTF-8 is mended";
    ASSERT_EQ(sim::MemoryTrace().size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sim::TraceEntryJson(sim::MemoryTrace()[i]), lines[i]);
    }
}

}  // namespace

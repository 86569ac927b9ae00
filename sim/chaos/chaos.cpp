// Chaos mode at a yield, handle reuse, the counts and the summary; the
// scenario's changes of the settings file. The faults inside the operations
// are in chaos_ops.cpp.
#include "sim/chaos/chaos.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sim/ops/ops_common.h"

namespace sim {

namespace {

const char* const SettingsFileName = "Korvane.ini";
const size_t FreedHandlesKept = 64;
const int MouseHoldFramesMax = 3;
const double HandleReuseFactor = 10.0;
const double MousePickFactor = 0.1;
const double SettingsRewriteFactor = 0.01;
// A restart undoes everything the plug-in has built up, so it comes seldom:
// at rate 0.02 about once in 5,000 frames. The plug-in allocates seldom
// too (its passes allocate nothing once its lists and texts have grown), so
// each of its allocations is refused often, though never so often that a
// list or text could not grow at all: a refused step is tried again on the
// next pass.
const double ScriptRestartFactor = 0.01;
const double AllocationRefusalFactor = 25.0;
const double AllocationRefusalMost = 0.5;
const size_t HugeSettingsBytes = 10u * 1024u * 1024u;

struct KindInfo {
    ChaosKind kind;
    const char* name;
    const char* label;
};

const KindInfo Kinds[] = {
    {ChaosKind::HeldEntityDeleted, "heldEntityDeleted", "Held entities deleted"},
    {ChaosKind::PoolFull, "poolFull", "Pools full"},
    {ChaosKind::HandleReused, "handleReused", "Handles reused"},
    {ChaosKind::ModelNeverLoads, "modelNeverLoads", "Models never loading"},
    {ChaosKind::NullText, "nullText", "Null texts"},
    {ChaosKind::CountOutOfRange, "countOutOfRange", "Counts out of range"},
    {ChaosKind::ControlNeverGranted, "controlNeverGranted", "Control never granted"},
    {ChaosKind::RayWithoutEntity, "rayWithoutEntity", "Rays hit without entity"},
    {ChaosKind::NodeOffRoad, "nodeOffRoad", "Road nodes off the road"},
    {ChaosKind::SettingsRewritten, "settingsRewritten", "Settings file rewritten"},
    {ChaosKind::NoSafePoint, "noSafePoint", "No walkable point"},
    {ChaosKind::OddDriverType, "oddDriverType", "Drivers of any ped type"},
    {ChaosKind::MousePick, "mousePick", "Mouse picks"},
    {ChaosKind::ScriptRestart, "scriptRestart", "Script restarts"},
    {ChaosKind::AllocationRefused, "allocationRefused", "Allocations refused"},
    {ChaosKind::GoneHandleQuery, "goneHandleQuery", "Queries on gone handles"},
};
static_assert(sizeof(Kinds) / sizeof(Kinds[0]) == static_cast<size_t>(ChaosKind::Count),
              "every kind has a name");

bool KindEnabled(const World& world, ChaosKind kind) {
    return ((world.chaos.kinds >> static_cast<unsigned>(kind)) & 1u) != 0;
}

// --- Files -------------------------------------------------------------------------

bool ReadWholeFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void WriteSettingsFile(const std::string& text) {
    std::ofstream out(SettingsFileName, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void RemoveSettingsFile() {
    std::remove(SettingsFileName);
}

// The settings file as the run placed it, read once before the first change.
void CaptureSettings(World& world) {
    ChaosState& c = world.chaos;
    if (!c.settingsCaptured) {
        c.settingsCaptured = true;
        c.settingsExisted = ReadWholeFile(SettingsFileName, &c.settingsOriginal);
    }
}

void ApplySettingsChanges(World& world) {
    for (const SettingsFileChange& change : world.settingsChanges) {
        if (change.frame != world.frame) {
            continue;
        }
        CaptureSettings(world);
        ChaosState& c = world.chaos;
        if (change.remove) {
            RemoveSettingsFile();
            c.settingsExisted = false;
            c.settingsOriginal.clear();
            continue;
        }
        std::string text = change.text;
        if (!change.path.empty() && !ReadWholeFile(change.path, &text)) {
            continue;
        }
        WriteSettingsFile(text);
        // What chaos restores from now on.
        c.settingsExisted = true;
        c.settingsOriginal = text;
    }
}

// --- Faults at a yield ----------------------------------------------------------------

// What the plug-in holds: its tracked entries and what it created, without
// the player and the player's car.
std::vector<int32_t> HeldEntities(World& world) {
    std::set<int32_t> held;
    const TrackedListsView lists = ReadTrackedLists(world.chaos.heldLists);
    if (lists.peds != nullptr) {
        held.insert(lists.peds, lists.peds + std::max(0, lists.pedCount));
    }
    if (lists.vehicles != nullptr) {
        held.insert(lists.vehicles, lists.vehicles + std::max(0, lists.vehicleCount));
    }
    for (const auto& [handle, e] : world.entities) {
        if (e.createdByScript) {
            held.insert(handle);
        }
    }
    std::vector<int32_t> live;
    for (int32_t handle : held) {
        if (FindEntity(world, handle) && handle != world.playerPed &&
            handle != world.playerLastVehicle) {
            live.push_back(handle);
        }
    }
    return live;
}

const char* HeldKind(World& world, const Entity& e) {
    if (e.kind == EntityKind::Ped) {
        return "peds";
    }
    return IsAircraftType(ModelType(world, e.model)) ? "aircraft" : "vehicles";
}

// One in ten deletions takes the player's car; the others pick peds, vehicles
// and aircraft alike often, whatever the plug-in holds most of.
void DeleteHeldEntity(World& world) {
    ChaosState& c = world.chaos;
    const int32_t draw = ChaosRange(world, 0, 10);
    if (draw == 0) {
        if (const Entity* car = FindVehicle(world, world.playerLastVehicle)) {
            c.playerCarModel = car->model;
            c.playerNeedsCar = true;
            RemoveEntity(world, world.playerLastVehicle);
            CountChaos(world, ChaosKind::HeldEntityDeleted, "the player's car");
            return;
        }
    }
    const char* const wanted = draw <= 3 ? "peds" : draw <= 6 ? "vehicles" : "aircraft";
    const std::vector<int32_t> held = HeldEntities(world);
    std::vector<int32_t> ofKind;
    for (int32_t handle : held) {
        if (std::string(HeldKind(world, world.entities.at(handle))) == wanted) {
            ofKind.push_back(handle);
        }
    }
    const std::vector<int32_t>& from = ofKind.empty() ? held : ofKind;
    if (from.empty()) {
        return;
    }
    const int32_t handle =
        from[static_cast<size_t>(ChaosRange(world, 0, static_cast<int32_t>(from.size())))];
    const char* what = HeldKind(world, world.entities.at(handle));
    RemoveEntity(world, handle);
    CountChaos(world, ChaosKind::HeldEntityDeleted, what);
}

// The player gets into a new car of the same model where the old one was.
void GivePlayerACar(World& world) {
    ChaosState& c = world.chaos;
    Entity* player = FindPed(world, world.playerPed);
    if (!c.playerNeedsCar || player == nullptr) {
        return;
    }
    if (player->vehicle != 0) {
        c.playerNeedsCar = false;
        return;
    }
    const Vec at{player->position.x, player->position.y, world.groundZ};
    const int32_t car = CreateVehicleEntity(world, c.playerCarModel, at, player->heading);
    if (car == 0) {
        return;  // the pool is full; another frame
    }
    c.playerNeedsCar = false;
    SeatPed(world, world.playerPed, car, -1);
    world.playerLastVehicle = car;
    Entity& vehicle = world.entities.at(car);
    vehicle.engineOn = true;
    if (world.playerDrives) {
        const Vec dir = HeadingDirection(vehicle.heading);
        vehicle.velocity = Vec{dir.x * world.playerSpeed, dir.y * world.playerSpeed, 0.0f};
    }
}

void HoldMouseNowAndThen(World& world) {
    ChaosState& c = world.chaos;
    const int LeftButton = 0x01;
    const int MiddleButton = 0x04;
    if (c.mouseReleaseFrame != 0) {
        if (world.frame >= c.mouseReleaseFrame) {
            world.keysDown.erase(LeftButton);
            world.keysDown.erase(MiddleButton);
            c.mouseReleaseFrame = 0;
        }
        return;
    }
    if (ChaosRoll(world, ChaosKind::MousePick, c.rate * MousePickFactor)) {
        world.keysDown.insert(LeftButton);
        world.keysDown.insert(MiddleButton);
        c.mouseReleaseFrame = world.frame + ChaosRange(world, 1, MouseHoldFramesMax + 1);
        CountChaos(world, ChaosKind::MousePick);
    }
}

// A file of names long enough to overflow any list block.
std::string HugeSettings(const std::string& original) {
    std::string padding;
    padding.reserve(HugeSettingsBytes);
    while (padding.size() < HugeSettingsBytes) {
        padding += "asea, blista, emperor, premier, taxi,\n";
    }
    const size_t line = original.find("Use full vehicles list");
    const size_t colon = line == std::string::npos ? line : original.find(':', line);
    if (colon == std::string::npos) {
        return padding + original;
    }
    std::string text = original;
    text.insert(colon + 1, "\n" + padding);
    return text;
}

void RewriteSettings(World& world) {
    CaptureSettings(world);
    ChaosState& c = world.chaos;
    const std::string& original = c.settingsOriginal;
    const int32_t size = static_cast<int32_t>(std::min<size_t>(original.size(), INT32_MAX));
    std::string text;
    const char* variant = "";
    switch (ChaosRange(world, 0, 6)) {
        case 0:
            variant = "cut short";
            text = original.substr(0, static_cast<size_t>(ChaosRange(world, 0, size)));
            break;
        case 1:
            variant = "scribbled over";
            text = original;
            for (int n = ChaosRange(world, 1, 9); n > 0 && !text.empty(); --n) {
                text[static_cast<size_t>(ChaosRange(world, 0, static_cast<int32_t>(text.size())))] =
                    static_cast<char>(ChaosRange(world, 0, 256));
            }
            break;
        case 2:
            variant = "garbage";
            text.resize(static_cast<size_t>(ChaosRange(world, 0, 4096)));
            for (char& ch : text) {
                ch = static_cast<char>(ChaosRange(world, 0, 256));
            }
            break;
        case 3:
            variant = "byte-order mark";
            text = "\xEF\xBB\xBF" + original;
            break;
        case 4:
            variant = "10 MB";
            text = HugeSettings(original);
            break;
        default:
            variant = "restored";
            if (!c.settingsExisted) {
                RemoveSettingsFile();
                CountChaos(world, ChaosKind::SettingsRewritten, variant);
                return;
            }
            text = original;
            break;
    }
    WriteSettingsFile(text);
    CountChaos(world, ChaosKind::SettingsRewritten, variant);
}

// A model made never to load loads again once its request has gone.
void ReleaseStalledModels(World& world) {
    ChaosState& c = world.chaos;
    for (auto it = c.stalledModels.begin(); it != c.stalledModels.end();) {
        const uint32_t model = *it;
        const bool pending =
            std::any_of(world.streaming.begin(), world.streaming.end(),
                        [&](const StreamingRequest& r) { return r.model == model; });
        if (pending) {
            ++it;
            continue;
        }
        world.neverLoadingModels.erase(model);
        it = c.stalledModels.erase(it);
    }
}

void ChaosAtYield(World& world) {
    ChaosState& c = world.chaos;
    ReleaseStalledModels(world);
    GivePlayerACar(world);
    if (ChaosRoll(world, ChaosKind::HeldEntityDeleted, c.rate)) {
        DeleteHeldEntity(world);
        GivePlayerACar(world);
    }
    HoldMouseNowAndThen(world);
    if (ChaosRoll(world, ChaosKind::SettingsRewritten, c.rate * SettingsRewriteFactor)) {
        RewriteSettings(world);
    }
}

std::string Count64(int64_t n) {
    return std::to_string(n);
}

void Row(std::ostream& out, const char* label, const std::string& value) {
    char head[48];
    std::snprintf(head, sizeof head, "  %-25s", label);
    out << head << value << '\n';
}

}  // namespace

const char* ChaosKindName(ChaosKind kind) {
    return Kinds[static_cast<size_t>(kind)].name;
}

const char* ChaosKindLabel(ChaosKind kind) {
    return Kinds[static_cast<size_t>(kind)].label;
}

bool ChaosKindFromName(const std::string& name, ChaosKind* kind) {
    for (const KindInfo& info : Kinds) {
        if (name == info.name && info.kind != ChaosKind::GoneHandleQuery) {
            *kind = info.kind;
            return true;
        }
    }
    return false;
}

bool ChaosOn(const World& world) {
    return world.chaos.rate > 0.0;
}

bool ChaosRoll(World& world, ChaosKind kind, double chance) {
    if (!ChaosOn(world) || !KindEnabled(world, kind)) {
        return false;
    }
    const double draw =
        static_cast<double>(SplitMix64(world.chaos.rngState) >> 11) * (1.0 / 9007199254740992.0);
    return draw < chance;
}

namespace {

bool HostRoll(World& world, ChaosKind kind, double chance) {
    if (!ChaosOn(world) || !KindEnabled(world, kind)) {
        return false;
    }
    const double draw = static_cast<double>(SplitMix64(world.chaos.hostRngState) >> 11) *
                        (1.0 / 9007199254740992.0);
    return draw < std::min(1.0, chance);
}

}  // namespace

bool ChaosRestartsScript(World& world) {
    if (!HostRoll(world, ChaosKind::ScriptRestart, world.chaos.rate * ScriptRestartFactor)) {
        return false;
    }
    CountChaos(world, ChaosKind::ScriptRestart);
    return true;
}

bool ChaosRefusesAllocation(World& world) {
    if (!HostRoll(world, ChaosKind::AllocationRefused,
                  std::min(AllocationRefusalMost, world.chaos.rate * AllocationRefusalFactor))) {
        return false;
    }
    CountChaos(world, ChaosKind::AllocationRefused);
    return true;
}

int32_t ChaosRange(World& world, int32_t start, int32_t end) {
    return DrawInRange(world.chaos.rngState, start, end);
}

void CountChaos(World& world, ChaosKind kind, const std::string& detail) {
    const size_t k = static_cast<size_t>(kind);
    ++world.chaos.counts[k];
    if (!detail.empty()) {
        ++world.chaos.details[k][detail];
    }
}

void ApplyWorldEvents(World& world) {
    if (!world.settingsChanges.empty()) {
        ApplySettingsChanges(world);
    }
    if (ChaosOn(world)) {
        ChaosAtYield(world);
    }
}

int32_t AllocateHandle(World& world) {
    ChaosState& c = world.chaos;
    if (!c.freedHandles.empty() &&
        ChaosRoll(world, ChaosKind::HandleReused, std::min(1.0, c.rate * HandleReuseFactor))) {
        const size_t at =
            static_cast<size_t>(ChaosRange(world, 0, static_cast<int32_t>(c.freedHandles.size())));
        const int32_t handle = c.freedHandles[at];
        c.freedHandles.erase(c.freedHandles.begin() + static_cast<std::ptrdiff_t>(at));
        if (FindEntity(world, handle) == nullptr && handle != world.playerPed &&
            handle != world.playerLastVehicle) {
            CountChaos(world, ChaosKind::HandleReused);
            return handle;
        }
    }
    return world.nextHandle++;
}

void NoteRemovedHandle(World& world, int32_t handle) {
    if (!ChaosOn(world) || !KindEnabled(world, ChaosKind::HandleReused)) {
        return;
    }
    ChaosState& c = world.chaos;
    c.freedHandles.push_back(handle);
    if (c.freedHandles.size() > FreedHandlesKept) {
        c.freedHandles.erase(c.freedHandles.begin());
    }
}

int ChaosWorldPedCount(World& world, int count, int capacity) {
    if (!ChaosRoll(world, ChaosKind::CountOutOfRange, world.chaos.rate)) {
        return count;
    }
    CountChaos(world, ChaosKind::CountOutOfRange, "world peds");
    switch (ChaosRange(world, 0, 4)) {
        case 0:
            return -1;
        case 1:
            return INT_MIN;
        case 2:
            return capacity + 1;
        default:
            return INT_MAX;
    }
}

void NotePassStart(World& world) {
    ChaosState& c = world.chaos;
    ++c.passes;
    if (c.lastPassFrame >= 0 && world.frame - c.lastPassFrame > c.longestPassFrames) {
        c.longestPassFrames = world.frame - c.lastPassFrame;
        c.longestPassEndFrame = world.frame;
    }
    c.lastPassFrame = world.frame;
}

void NoteGoneTrackedEntries(World& world, const TrackedListsView& lists) {
    const auto gone = [&world](const int32_t* handles, int32_t count) {
        int n = 0;
        for (int32_t i = 0; handles != nullptr && i < count; ++i) {
            n += FindEntity(world, handles[i]) == nullptr ? 1 : 0;
        }
        return n;
    };
    ChaosState& c = world.chaos;
    c.mostGoneTrackedPeds = std::max(c.mostGoneTrackedPeds, gone(lists.peds, lists.pedCount));
    c.mostGoneTrackedVehicles =
        std::max(c.mostGoneTrackedVehicles, gone(lists.vehicles, lists.vehicleCount));
}

void PrintChaosSummary(const World& world, std::ostream& out) {
    if (!ChaosOn(world)) {
        return;
    }
    const ChaosState& c = world.chaos;
    int64_t injected = 0;
    for (size_t k = 0; k < static_cast<size_t>(ChaosKind::Count); ++k) {
        if (static_cast<ChaosKind>(k) != ChaosKind::GoneHandleQuery) {
            injected += c.counts[k];
        }
    }
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", c.rate);
    out << "Chaos (rate " << rate << "): " << injected << " faults injected\n";
    for (size_t k = 0; k < static_cast<size_t>(ChaosKind::Count); ++k) {
        std::string value = Count64(c.counts[k]);
        std::string parts;
        for (const auto& [detail, n] : c.details[k]) {
            parts += (parts.empty() ? "" : ", ") + detail + " " + Count64(n);
        }
        if (!parts.empty()) {
            value += " (" + parts + ")";
        }
        Row(out, Kinds[k].label, value);
    }
    char gameTime[48];
    std::snprintf(gameTime, sizeof gameTime, "%.1f",
                  static_cast<double>(c.longestPassFrames) * world.frameTimeMs / 1000.0);
    Row(out, "Longest pass",
        std::to_string(c.longestPassFrames) + " frames (" + gameTime +
            " s of game time), ending on frame " + std::to_string(c.longestPassEndFrame) + ", of " +
            Count64(c.passes) + " passes");
    Row(out, "Player's car deleted", Count64(c.playerCarDeletedByScript) + " times by the plug-in");
    Row(out, "Gone entities tracked",
        "at most " + std::to_string(c.mostGoneTrackedPeds) + " peds and " +
            std::to_string(c.mostGoneTrackedVehicles) +
            " vehicles at once (pools: " + std::to_string(world.pedPoolLimit) + " peds, " +
            std::to_string(world.vehiclePoolLimit) + " vehicles)");
}

}  // namespace sim

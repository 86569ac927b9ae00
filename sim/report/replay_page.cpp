#include "sim/report/replay_page.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

namespace {

using nlohmann::json;

const char* const DataPlaceholder = "/*KORVANE-REPLAY-DATA*/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Text from files and the world may hold bytes that are not UTF-8.
std::string Dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void AppendInt(std::string& out, int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendInts(std::string& out, const std::vector<int32_t>& values) {
    out += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendInt(out, values[i]);
    }
    out += ']';
}

// A position to a tenth of a metre, enough for the map.
double Tenth(float value) {
    return std::round(static_cast<double>(value) * 10.0) / 10.0;
}

json Area(const RoadArea& a) {
    return json::array({Tenth(a.minX), Tenth(a.minY), Tenth(a.maxX), Tenth(a.maxY)});
}

json MapJson(const World& world) {
    json map;
    map["areas"] = json::array();
    for (const RoadArea& a : world.roadAreas) {
        map["areas"].push_back(Area(a));
    }
    map["nodes"] = json::array();
    for (const RoadNode& node : world.roadNodes) {
        map["nodes"].push_back(Tenth(node.position.x));
        map["nodes"].push_back(Tenth(node.position.y));
    }
    map["buildings"] = json::array();
    for (const SightBlocker& b : world.sightBlockers) {
        json area = Area(b.area);
        area.push_back(Tenth(b.height));
        map["buildings"].push_back(area);
    }
    map["water"] = json::array();
    for (const RoadArea& a : world.unwalkableAreas) {
        map["water"].push_back(Area(a));
    }
    return map;
}

// The scenario's own name and description, if it has them.
json ScenarioJson(const ReplayRunInfo& info) {
    json scenario = {{"path", info.scenarioPath}, {"name", ""}, {"description", ""}};
    json file = json::parse(ReadFile(info.scenarioPath), nullptr, false);
    if (file.is_object()) {
        for (const char* key : {"name", "description"}) {
            if (file.contains(key) && file[key].is_string()) {
                scenario[key] = file[key];
            }
        }
    }
    return scenario;
}

json SettingsFileJson(const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    return json{{"path", path}, {"text", ReadFile(path)}};
}

int KindCode(const ReplayEntity& e) {
    return e.kind == EntityKind::Ped ? 0 : e.aircraft ? 2 : 1;
}

}  // namespace

std::string ReplayDataJson(const ReplayRecorder& recorder, const World& world,
                           const RunReport& report, const ReplayRunInfo& info) {
    // Models by index, in the order first met.
    std::vector<uint32_t> models;
    std::map<uint32_t, int> modelIndex;
    std::vector<int32_t> entities;
    entities.reserve(recorder.Entities().size() * 8);
    for (const ReplayEntity& e : recorder.Entities()) {
        auto found = modelIndex.find(e.model);
        if (found == modelIndex.end()) {
            found = modelIndex.emplace(e.model, static_cast<int>(models.size())).first;
            models.push_back(e.model);
        }
        for (int32_t value : {e.handle, KindCode(e), found->second, static_cast<int>(e.origin),
                              e.firstFrame, e.lastFrame, static_cast<int>(e.end), e.armedFrame}) {
            entities.push_back(value);
        }
    }
    json modelNames = json::array();
    for (uint32_t hash : models) {
        std::string name = NameOfHash(world, hash);
        modelNames.push_back(name.empty() ? "model " + std::to_string(hash) : name);
    }

    std::vector<int32_t> events;
    json notes = json::object();
    for (size_t i = 0; i < recorder.Events().size(); ++i) {
        const ReplayEvent& e = recorder.Events()[i];
        for (int32_t value : {e.frame, static_cast<int>(e.kind), e.entity, e.other}) {
            events.push_back(value);
        }
        if (!e.note.empty()) {
            notes[std::to_string(i)] = e.note;
        }
    }

    std::vector<int32_t> frames;
    std::vector<int32_t> tracked;
    std::vector<int32_t> player;
    for (const ReplaySample& s : recorder.Samples()) {
        frames.push_back(s.frame);
        tracked.push_back(s.trackedPeds);
        tracked.push_back(s.trackedVehicles);
        player.push_back(static_cast<int32_t>(std::lround(s.player.x)));
        player.push_back(static_cast<int32_t>(std::lround(s.player.y)));
    }

    json head = {
        {"format", 1},
        {"scenario", ScenarioJson(info)},
        {"seed", std::to_string(report.seed)},
        {"framesRequested", report.framesRequested},
        {"framesRun", report.framesRun},
        {"frameTimeMs", world.frameTimeMs},
        {"sampleEvery", recorder.SampleEvery()},
        {"hostError", report.hostError},
        {"restarts", world.stats.scriptRestarts},
        {"map", MapJson(world)},
        {"models", modelNames},
        {"notes", notes},
        {"summary", info.summary},
        {"settings", SettingsFileJson(info.iniPath)},
        {"siblingSettings", SettingsFileJson(info.siblingIniPath)},
    };
    std::string out = Dump(head);
    out.pop_back();  // the closing brace; the large arrays follow
    out += ",\"entities\":";
    AppendInts(out, entities);
    out += ",\"events\":";
    AppendInts(out, events);
    out += ",\"samples\":{\"frames\":";
    AppendInts(out, frames);
    out += ",\"tracked\":";
    AppendInts(out, tracked);
    out += ",\"player\":";
    AppendInts(out, player);
    out += ",\"items\":[";
    for (size_t i = 0; i < recorder.Samples().size(); ++i) {
        out += i > 0 ? ",\n" : "\n";
        AppendInts(out, recorder.Samples()[i].items);
    }
    out += "],\"chases\":[";
    for (size_t i = 0; i < recorder.Samples().size(); ++i) {
        out += i > 0 ? "," : "";
        AppendInts(out, recorder.Samples()[i].chases);
    }
    out += "]}}";

    std::string safe;
    safe.reserve(out.size());
    for (char c : out) {
        if (c == '<') {
            safe += "\\u003c";
        } else {
            safe += c;
        }
    }
    return safe;
}

std::string ReplayPage(const std::string& dataJson) {
    std::string page = ReplayPageTemplate;
    const size_t at = page.find(DataPlaceholder);
    if (at == std::string::npos) {
        return page;
    }
    return page.replace(at, std::string(DataPlaceholder).size(), dataJson);
}

}  // namespace sim

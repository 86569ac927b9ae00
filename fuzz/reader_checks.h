// What must hold after the plug-in reads any settings file, sibling hotkey
// file or list block, however broken: the checks the fuzz targets make after
// every input, and the test suite makes on the seed corpus.
//
// Each Check... function takes the bytes of one input, runs the reader from
// the plug-in's load-time state (in the current directory, against the host
// attached by the caller) and returns an empty text when every invariant
// holds, otherwise what failed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/model_lists.h"
#include "config/settings.h"
#include "state/plugin_state.h"

namespace reader_checks {

// A settings file that every template matches, with lists, so that the
// sibling read starts from a record a full read has filled.
inline const char* FullSettingsFile() {
    return "KORVANE BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [71]\nAutomatic ped spawner = [0]\n"
           "New vehicle spawn rate (any road) = [3x]\nSpawn police patrols = [0]\n"
           "Peds spawn in cars = [0]\nPeds use parachutes = [2]\n"
           "Minimum distance at which cars can transform = [45]\n"
           "Minimum safe airplane height = [120.5]\nAircraft missiles = [1]\n"
           "Odds of spawning = 1/[9]\n\nADVANCED OPTIONS:\nWait time between spawns = [500]ms\n"
           "Vehicle task rate = every [20] tics\nPed task rate = every [40] tics\n"
           "Debug Messages = [0]\n\nVEHICLES LIST:\n"
           "Use small vehicles list: (50 vehicles max, 5 per line) = [1]:\n"
           "sultan, banshee, infernus;\n\n"
           "Use full vehicles list: (275 vehicles max, 5 per line) = [1]:\n"
           "asea, asterope, bagger, baller, baller2,\ntaxi, bus, coach;\n\nINI Check = [1234]\n";
}

inline void WriteFile(const char* name, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) {
        return;
    }
    if (size > 0) {
        std::fwrite(data, 1, size, file);
    }
    std::fclose(file);
}

inline void StartFromLoadState() {
    ResetToLoadState();
    FillBuiltInModelLists();
}

// Everything a read may touch, as values (entries as offsets into their
// buffer, or as the index of the built-in name they are).
struct Snapshot {
    std::vector<uint8_t> settings;  // the record's fields, byte for byte
    std::string smallText;
    std::string fullText;
    std::vector<std::string> fullList;
    std::vector<std::string> smallList;
    std::vector<std::string> policeList;
    std::string statusText;
    std::vector<uint8_t> report;
};

template <class T>
void AppendBytes(std::vector<uint8_t>& bytes, const T& value) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
}

inline std::vector<uint8_t> SettingsBytes(const SettingsRecord& s, bool withHotkey) {
    std::vector<uint8_t> b;
    if (withHotkey) {
        AppendBytes(b, s.Hotkey);
    }
    AppendBytes(b, s.AutoPedSpawner);
    AppendBytes(b, s.NewVehicleSpawnRate);
    AppendBytes(b, s.PolicePatrols);
    AppendBytes(b, s.PedsInCars);
    AppendBytes(b, s.PedParachutes);
    AppendBytes(b, s.MinTransformDistance);
    AppendBytes(b, s.MinAirplaneHeight);
    AppendBytes(b, s.AircraftMissiles);
    AppendBytes(b, s.SpawnOdds);
    AppendBytes(b, s.SpawnWaitMs);
    AppendBytes(b, s.VehicleTaskRate);
    AppendBytes(b, s.PedTaskRate);
    AppendBytes(b, s.DebugMessages);
    AppendBytes(b, s.UseSmallList);
    AppendBytes(b, s.UseFullList);
    AppendBytes(b, s.IniCheck);
    return b;
}

// An entry that is not in its buffer can only be the built-in name of its own place.
inline std::string DescribeEntry(const char* entry, const char* buffer, size_t size,
                                 const char* builtIn) {
    if (entry == builtIn) {
        return "built-in";
    }
    if (buffer != nullptr && entry >= buffer && entry < buffer + size) {
        return "text at " + std::to_string(entry - buffer);
    }
    return "elsewhere";
}

inline Snapshot TakeSnapshot(bool withHotkey) {
    Snapshot s;
    s.settings = SettingsBytes(Plugin.Settings, withHotkey);
    s.smallText.assign(Plugin.SmallListText, sizeof Plugin.SmallListText);
    s.fullText.assign(Plugin.FullListText, sizeof Plugin.FullListText);
    for (int i = 0; i < FullModelListSize; ++i) {
        s.fullList.push_back(DescribeEntry(Plugin.FullModelList[i], Plugin.FullListText,
                                           sizeof Plugin.FullListText, BuiltInFullModelList[i]));
    }
    for (int i = 0; i < SmallModelListSize; ++i) {
        s.smallList.push_back(DescribeEntry(Plugin.SmallModelList[i], Plugin.SmallListText,
                                            sizeof Plugin.SmallListText, BuiltInSmallModelList[i]));
    }
    for (int i = 0; i < PoliceModelListSize; ++i) {
        s.policeList.push_back(
            DescribeEntry(Plugin.PoliceModelList[i], nullptr, 0, BuiltInPoliceModelList[i]));
    }
    s.statusText = Plugin.StatusText;
    const SettingsReadReport& r = Plugin.LastSettingsRead;
    AppendBytes(s.report, r.FileOpened);
    AppendBytes(s.report, r.ByteOrderMark);
    AppendBytes(s.report, r.Ends);
    AppendBytes(s.report, r.Assigned);
    AppendBytes(s.report, r.StopOffsets);
    AppendBytes(s.report, r.List);
    AppendBytes(s.report, r.ListNamesTaken);
    return s;
}

inline std::string CompareSnapshots(const Snapshot& before, const Snapshot& after) {
    if (before.settings != after.settings) {
        return "the settings differ";
    }
    if (before.smallText != after.smallText) {
        return "the small list text differs";
    }
    if (before.fullText != after.fullText) {
        return "the full list text differs";
    }
    for (size_t i = 0; i < before.fullList.size(); ++i) {
        if (before.fullList[i] != after.fullList[i]) {
            return "full list entry " + std::to_string(i) + " was " + before.fullList[i] + ", is " +
                   after.fullList[i];
        }
    }
    for (size_t i = 0; i < before.smallList.size(); ++i) {
        if (before.smallList[i] != after.smallList[i]) {
            return "small list entry " + std::to_string(i) + " was " + before.smallList[i] +
                   ", is " + after.smallList[i];
        }
    }
    if (before.policeList != after.policeList) {
        return "the police list differs";
    }
    if (before.statusText != after.statusText) {
        return "the status text differs";
    }
    if (before.report != after.report) {
        return "the read report differs";
    }
    return "";
}

// Each entry is its built-in name or lies in its own table's buffer, with a
// NUL before the buffer ends.
inline std::string CheckEntries(const char* const* table, int count, const char* buffer,
                                size_t size, const char* const* builtIn, const char* what) {
    for (int i = 0; i < count; ++i) {
        const char* entry = table[i];
        if (entry == builtIn[i]) {
            continue;
        }
        if (entry == nullptr || entry < buffer || entry >= buffer + size) {
            return std::string(what) + " entry " + std::to_string(i) +
                   " is neither its built-in name nor in its own buffer";
        }
        if (std::memchr(entry, '\0', static_cast<size_t>(buffer + size - entry)) == nullptr) {
            return std::string(what) + " entry " + std::to_string(i) +
                   " runs to the end of its buffer without a NUL";
        }
    }
    return "";
}

inline std::string CheckFlag(uint8_t flag, const char* name) {
    return flag == 0 || flag == 1 ? "" : std::string(name) + " holds " + std::to_string(flag);
}

// The invariants of the record after any read.
inline std::string CheckRecord() {
    std::string e = CheckEntries(Plugin.FullModelList, FullModelListSize, Plugin.FullListText,
                                 sizeof Plugin.FullListText, BuiltInFullModelList, "full list");
    if (e.empty()) {
        e = CheckEntries(Plugin.SmallModelList, SmallModelListSize, Plugin.SmallListText,
                         sizeof Plugin.SmallListText, BuiltInSmallModelList, "small list");
    }
    for (int i = 0; i < PoliceModelListSize && e.empty(); ++i) {
        if (Plugin.PoliceModelList[i] != BuiltInPoliceModelList[i]) {
            e = "police list entry " + std::to_string(i) + " changed";
        }
    }
    const SettingsRecord& s = Plugin.Settings;
    const std::string flags[] = {
        CheckFlag(s.AutoPedSpawner, "AutoPedSpawner"),
        CheckFlag(s.PedsInCars, "PedsInCars"),
        CheckFlag(s.AircraftMissiles, "AircraftMissiles"),
        CheckFlag(s.DebugMessages, "DebugMessages"),
        CheckFlag(s.UseSmallList, "UseSmallList"),
        CheckFlag(s.UseFullList, "UseFullList"),
    };
    for (const std::string& flag : flags) {
        if (e.empty()) {
            e = flag;
        }
    }
    return e;
}

inline std::string Failed(const char* step, const std::string& what) {
    return what.empty() ? what : std::string(step) + ": " + what;
}

// Korvane.ini holds the input: read it from the load-time state, check the
// record, read it again and compare.
inline std::string CheckSettingsFile(const uint8_t* data, size_t size) {
    WriteFile("Korvane.ini", data, size);
    std::remove("palvenorhub.ini");
    StartFromLoadState();
    ReadSettings();
    std::string e = Failed("after the read", CheckRecord());
    if (!e.empty()) {
        return e;
    }
    const Snapshot once = TakeSnapshot(true);
    ReadSettings();
    return Failed("reading the same file twice", CompareSnapshots(once, TakeSnapshot(true)));
}

// palvenorhub.ini holds the input: after a full settings read, the sibling
// read may change the hotkey and nothing else, and the record stays sound.
inline std::string CheckSiblingFile(const uint8_t* data, size_t size) {
    const char* settings = FullSettingsFile();
    WriteFile("Korvane.ini", reinterpret_cast<const uint8_t*>(settings), std::strlen(settings));
    WriteFile("palvenorhub.ini", data, size);
    StartFromLoadState();
    ReadSettings();
    const Snapshot before = TakeSnapshot(false);
    ReadSiblingHotkey();
    std::string e = Failed("the sibling read", CompareSnapshots(before, TakeSnapshot(false)));
    if (e.empty()) {
        e = Failed("after the sibling read", CheckRecord());
    }
    if (!e.empty()) {
        return e;
    }
    const int32_t hotkey = Plugin.Settings.Hotkey;
    ReadSiblingHotkey();
    if (Plugin.Settings.Hotkey != hotkey) {
        return "reading the same sibling file twice: the hotkey differs";
    }
    return "";
}

// The names a list block holds, split at newline, space and comma.
inline std::vector<std::string> NamesOf(const std::string& text) {
    std::vector<std::string> names;
    std::string name;
    for (char c : text) {
        if (c == '\n' || c == ' ' || c == ',') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
        } else {
            name.push_back(c);
        }
    }
    if (!name.empty()) {
        names.push_back(name);
    }
    return names;
}

// The first byte says which list, the rest is its text up to the first NUL
// and within the buffer: the table must hold exactly the names of the text,
// then its built-in names; the same text taken again leaves the same record.
inline std::string CheckModelListText(const uint8_t* data, size_t size) {
    const bool full = size == 0 || (data[0] & 1u) == 0;
    char* buffer = full ? Plugin.FullListText : Plugin.SmallListText;
    const size_t capacity = full ? sizeof Plugin.FullListText : sizeof Plugin.SmallListText;
    std::string text =
        size > 1 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
    text = text.substr(0, std::min(text.find('\0'), capacity - 1));
    const ModelListKind which = full ? ModelListKind::Full : ModelListKind::Small;
    const char** table = full ? Plugin.FullModelList : Plugin.SmallModelList;
    const char* const* builtIn = full ? BuiltInFullModelList : BuiltInSmallModelList;
    const int count = full ? FullModelListSize : SmallModelListSize;

    StartFromLoadState();
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    LoadUserModelList(buffer, which);
    std::string e = Failed("after taking the list", CheckRecord());
    if (!e.empty()) {
        return e;
    }
    const std::vector<std::string> names = NamesOf(text);
    for (int i = 0; i < count; ++i) {
        const std::string expected =
            static_cast<size_t>(i) < names.size() ? names[static_cast<size_t>(i)] : builtIn[i];
        if (expected != table[i]) {
            return "entry " + std::to_string(i) + " is \"" + table[i] + "\", not \"" + expected +
                   "\"";
        }
    }
    const Snapshot once = TakeSnapshot(true);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    LoadUserModelList(buffer, which);
    return Failed("taking the same text twice", CompareSnapshots(once, TakeSnapshot(true)));
}

}  // namespace reader_checks

#include "config/settings_fields.h"

namespace {

SettingsField IntegerField(int templateNumber, const char* name, SettingKind kind,
                           int32_t SettingsRecord::*member, const char* meaning = "") {
    return SettingsField{templateNumber, name, kind, member, nullptr, nullptr, meaning};
}
SettingsField FlagField(int templateNumber, const char* name, uint8_t SettingsRecord::*member) {
    return SettingsField{templateNumber, name, SettingKind::Flag, nullptr, member, nullptr, ""};
}
SettingsField RealField(int templateNumber, const char* name, SettingKind kind,
                        float SettingsRecord::*member) {
    return SettingsField{templateNumber, name, kind, nullptr, nullptr, member, ""};
}

}  // namespace

const SettingsField SettingsFields[SettingsFieldCount] = {
    IntegerField(3, "Hotkey", SettingKind::Hex, &SettingsRecord::Hotkey),
    FlagField(4, "AutoPedSpawner", &SettingsRecord::AutoPedSpawner),
    IntegerField(5, "NewVehicleSpawnRate", SettingKind::Count,
                 &SettingsRecord::NewVehicleSpawnRate),
    IntegerField(6, "PolicePatrols", SettingKind::OnlyOne, &SettingsRecord::PolicePatrols,
                 "police patrols"),
    FlagField(7, "PedsInCars", &SettingsRecord::PedsInCars),
    IntegerField(8, "PedParachutes", SettingKind::OnlyOne, &SettingsRecord::PedParachutes,
                 "parachutes"),
    RealField(9, "MinTransformDistance", SettingKind::WholeMetres,
              &SettingsRecord::MinTransformDistance),
    RealField(10, "MinAirplaneHeight", SettingKind::Metres, &SettingsRecord::MinAirplaneHeight),
    FlagField(11, "AircraftMissiles", &SettingsRecord::AircraftMissiles),
    IntegerField(12, "SpawnOdds", SettingKind::Odds, &SettingsRecord::SpawnOdds),
    IntegerField(14, "SpawnWaitMs", SettingKind::Milliseconds, &SettingsRecord::SpawnWaitMs),
    IntegerField(15, "VehicleTaskRate", SettingKind::Passes, &SettingsRecord::VehicleTaskRate),
    IntegerField(16, "PedTaskRate", SettingKind::Passes, &SettingsRecord::PedTaskRate),
    FlagField(17, "DebugMessages", &SettingsRecord::DebugMessages),
    FlagField(19, "UseSmallList", &SettingsRecord::UseSmallList),
    FlagField(21, "UseFullList", &SettingsRecord::UseFullList),
    IntegerField(23, "IniCheck", SettingKind::Check, &SettingsRecord::IniCheck),
};

const SettingsField* FieldOfTemplate(int templateNumber) {
    for (const SettingsField& field : SettingsFields) {
        if (field.Template == templateNumber) {
            return &field;
        }
    }
    return nullptr;
}

double FieldValue(const SettingsRecord& settings, const SettingsField& field) {
    if (field.Integer != nullptr) {
        return settings.*field.Integer;
    }
    if (field.Flag != nullptr) {
        return settings.*field.Flag;
    }
    return settings.*field.Real;
}

double FieldDefault(const SettingsField& field) {
    const SettingsRecord defaults;
    return FieldValue(defaults, field);
}

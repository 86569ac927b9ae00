// The fields of the settings file, in the order of the file: the one table
// that the settings read and the settings checker's reports share.
#pragma once

#include <cstdint>

#include "state/settings_record.h"

// What a field's number means, which also fixes how its line is read: whole
// numbers for most, a flag (any number but 0 is on), a whole number kept as
// metres, or a number with decimals.
enum class SettingKind : uint8_t {
    Hex,           // a key code, read in hexadecimal
    Count,         // a plain count; 0 or less means none
    Flag,          // 0 is off, any other number on
    OnlyOne,       // on only when exactly 1
    WholeMetres,   // whole metres, kept as a float
    Metres,        // metres with decimals
    Odds,          // one chance in the number
    Milliseconds,  // a pause
    Passes,        // loop passes between two task passes
    Check,         // must be IniCheckValue
};

struct SettingsField {
    int Template;      // number of its line template, 1 for the header
    const char* Name;  // the name tools show it by, as in SettingsRecord
    SettingKind Kind;
    // Exactly one of these names the field, by the kind of its storage.
    int32_t SettingsRecord::*Integer;
    uint8_t SettingsRecord::*Flag;
    float SettingsRecord::*Real;
    // What exactly 1 turns on, for an OnlyOne field; empty otherwise.
    const char* Meaning;
};

const int SettingsFieldCount = 17;
extern const SettingsField SettingsFields[SettingsFieldCount];

// The template numbers of the two list blocks (their flags come just before).
const int SmallBlockTemplate = 20;
const int FullBlockTemplate = 22;

// The field a template fills, or nullptr for a heading or a list block.
const SettingsField* FieldOfTemplate(int templateNumber);

// A field's value in a record as a number: flags as 0 or 1.
double FieldValue(const SettingsRecord& settings, const SettingsField& field);

// A field's value at load time, before any read: the record's initialisers
// are the one place the defaults are written.
double FieldDefault(const SettingsField& field);

// What the last settings read saw, template by template.
//
// Nothing in the plug-in acts on this record: the settings read fills it as it
// goes so that a checking tool can tell a player where a file stopped matching
// and why, from the very code the game runs.
#pragma once

#include <cstdint>

const int SettingsTemplateCount = 23;

// How one template call ended.
enum class TemplateEnd : uint8_t {
    NotTried,           // the read did not get this far (the file could not be opened)
    Complete,           // every part of the template matched
    Mismatch,           // a literal character did not equal the file's
    EndOfData,          // the file ended inside the template
    NoNumber,           // a number was expected and no digit was there
    EmptyBlock,         // a list block began with its semicolon
    BlockTooLong,       // a list block did not fit its buffer; nothing was taken
    BlockUnterminated,  // no semicolon ends the list block; nothing was taken
};

// Which table the read handed its list text to.
enum class ListTaken : uint8_t { None, Full, Small };

struct SettingsReadReport {
    bool FileOpened = false;
    // Index n-1 describes template n.
    TemplateEnd Ends[SettingsTemplateCount] = {};
    bool Assigned[SettingsTemplateCount] = {};
    // Offset into the file's text (carriage returns before newlines removed)
    // where the template's call ended: one past the last character it consumed.
    uint32_t StopOffsets[SettingsTemplateCount] = {};
    ListTaken List = ListTaken::None;
    int32_t ListNamesTaken = 0;
};

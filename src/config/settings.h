// The settings file and the sibling plug-in's hotkey file.
#pragma once

#include <cstddef>
#include <string>

#include "state/settings_record.h"

// Opens "Korvane.ini" in the current directory, matches its 23 templates into
// Plugin.Settings and takes the selected list block into its model list. How
// each template ended is left in Plugin.LastSettingsRead.
void ReadSettings();

// The 23 line templates of the settings file, in the order they are matched.
extern const char* const SettingsTemplates[SettingsTemplateCount];

// Opens "palvenorhub.ini" and takes its hotkey line into Plugin.Settings.Hotkey.
void ReadSiblingHotkey();

// No settings file is anywhere near this size; the bytes past it are treated
// as if the file ended there, so a huge file cannot exhaust the game's memory.
const size_t SettingsFileSizeLimit = 32u * 1024u * 1024u;

// Reads a file whole, in binary, up to SettingsFileSizeLimit bytes, and drops
// every carriage return that precedes a newline. A leading UTF-8 byte-order
// mark (Notepad's "UTF-8 with BOM") is skipped, and `byteOrderMark` (when
// given) tells whether there was one. False when it cannot be opened.
bool LoadSettingsText(const char* path, std::string& text, bool* byteOrderMark = nullptr);

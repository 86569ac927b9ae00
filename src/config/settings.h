// The settings file and the sibling plug-in's hotkey file.
#pragma once

// Opens "Korvane.ini" in the current directory, matches its 23 templates into
// Plugin.Settings and takes the selected list block into its model list.
void ReadSettings();

// Opens "palvenorhub.ini" and takes its hotkey line into Plugin.Settings.Hotkey.
void ReadSiblingHotkey();

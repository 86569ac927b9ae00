// The one status text: the plug-in's only voice.
#pragma once

#include <string>

// Replaces the status text whole. The temporary the caller built is left empty.
void SetStatusText(std::string& text);
void SetStatusText(const char* text);
// Replaces the status text whole with two texts one after the other.
void SetStatusText(const char* text, const char* more);

// Draws the status text for the current frame: ten host operations, always in
// the same order.
void DrawStatusText();

// The status step of a task pass: shows what the last phase left when debug
// messages are on, then clears the text or sets and draws the settings warning.
void RunStatusStep();

// The one status text: the plug-in's only voice.
#pragma once

// Replaces the status text whole.
void SetStatusText(const char* text);
// Replaces the status text whole with two or three texts one after the
// other. The message is built in the status text itself, never in a
// temporary, so nothing of it lives on the script's stack across a wait.
void SetStatusText(const char* text, const char* more);
void SetStatusText(const char* text, const char* more, const char* last);

// Draws the status text for the current frame: ten host operations, always in
// the same order.
void DrawStatusText();

// The status step of a task pass: shows what the last phase left when debug
// messages are on, then clears the text or sets and draws the settings warning.
void RunStatusStep();

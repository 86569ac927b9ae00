// The one status text and the debug lines.
#pragma once

#include <string>

#include "host/types.h"

// Replaces the status text whole. The temporary the caller built is left empty.
void SetStatusText(std::string& text);
void SetStatusText(const char* text);

// Draws the status text for the current frame: ten host operations, always in
// the same order.
void DrawStatusText();

// A randomly coloured line from the player ped to an entity or a point.
void DrawDebugLineToEntity(EntityHandle entity);
void DrawDebugLineToPoint(Vec3 point);

// The status step of a task pass: shows what the last phase left when debug
// messages are on, then clears the text or sets and draws the settings warning.
void RunStatusStep();

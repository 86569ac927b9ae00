// The number-plate texts that mark the vehicles the plug-in has made or
// filled, so that later passes recognise them in the game world.
#pragma once

extern const char* const TransformedPlate;  // "K41482D2"
extern const char* const FilledPlate;       // "64GA1714"

// True when the vehicle's plate reads exactly the given 8-character marker.
bool PlateTextIs(const char* plate, const char* marker);

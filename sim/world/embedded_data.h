// The data files built into the host (generated from sim/data at configure time).
#pragma once

extern const char* const EmbeddedVehiclesTsv;
extern const char* const EmbeddedModelNamesTxt;

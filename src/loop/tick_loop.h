// The endless tick loop.
#pragma once

// The cycle counter runs from 0 to this, then starts at 0 again; the settings
// file is read at 0 and the sibling's hotkey file every this many passes.
const int CycleCounterLimit = 1000;
const int SiblingFilePeriod = 250;

// One pass of the loop, its final yield included: TickLoop is
// `for (;;) TickPass();`, where an exception out of a pass ends that pass
// with `scriptWait(0)` instead.
void TickPass();
void TickLoop();

// The population settings applied on every task pass.
void ApplyPopulationSettings();

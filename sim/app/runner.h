// korvane-sim's main program: loads a scenario into a fresh world, loads the
// plug-in the way the game does, runs the frames and prints a summary.
//
//   korvane-sim --scenario FILE [--frames N] [--seed S] [--ini FILE]
//               [--sibling-ini FILE] [--trace FILE] [--plugin PATH] [--html FILE]
//               [--quiet] [--chaos RATE]
//
// Exit status: 0 for a good run, 1 when a host error stopped it (or the
// plug-in registered no script), 2 when the run could not be set up.
#pragma once

// C linkage, so that the Windows loader finds it in ScriptHookV.dll by name.
extern "C" int SimMain(int argc, char** argv);

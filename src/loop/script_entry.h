// The entry from the host.
#pragma once

// The Windows library entry point (DllMain forwards to it; on Linux the
// substitute host calls DllMain itself): on process attach (reason 1) puts
// the plug-in at its load-time state and registers ScriptMain; on detach
// (reason 0) unregisters it. Returns 1.
int LibraryEntryPoint(void* module, unsigned long reason);

// Puts the plug-in at its load-time state (the host calls this again after
// every game reload), fills the built-in model lists and runs TickLoop;
// never returns.
void ScriptMain();

// The seven functions the plug-in imports from the script-hook host, and the
// key-state query it imports from the platform.
//
// This is the one declaration of the host interface: the plug-in calls these
// functions and the substitute host defines them, both including this header,
// so a definition that drifts from it fails to compile rather than linking by
// name to a different signature.
//
// On Windows the import library maps these plain names to the host's
// decorated exports; on Linux the substitute host defines them with these
// names.
#pragma once

#include <cstdint>

extern "C" {
void scriptRegister(void* module, void (*scriptMain)());
void scriptUnregister(void* module);
void scriptWait(uint32_t ms);
void nativeInit(uint64_t hash);
void nativePush64(uint64_t value);
uint64_t* nativeCall();
int worldGetAllPeds(int* handles, int capacity);

#ifndef _WIN32
// On Linux the plug-in imports the key state under the platform's Windows
// name, and the substitute host provides it; on Windows it comes from USER32.
int16_t GetAsyncKeyState(int virtualKey);
#endif
}

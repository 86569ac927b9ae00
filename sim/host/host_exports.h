// The functions the plug-in imports from the host, with C linkage and plain
// names. On Linux the plug-in binds to them by these names when it is loaded;
// the Windows ScriptHookV.dll exports them under the decorated names the
// game's host uses (see sim/windows/ScriptHookV_exports.def).
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

// The scripted keyboard and mouse: bit 15 (0x8000) set while the key is
// down on the current frame. On Linux the plug-in imports it under the
// platform's name, GetAsyncKeyState; on Windows the loader points the
// plug-in's import of USER32's GetAsyncKeyState here.
int16_t HostGetAsyncKeyState(int virtualKey);
#ifndef _WIN32
int16_t GetAsyncKeyState(int virtualKey);
#endif
}

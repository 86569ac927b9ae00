// The scripted keyboard and mouse the substitute host offers besides the
// seven host functions of "host/host_api.h".
#pragma once

#include <cstdint>

#include "host/host_api.h"

extern "C" {
// Bit 15 (0x8000) set while the key is down on the current frame. On Linux
// the plug-in imports it as GetAsyncKeyState (declared with the host
// interface); on Windows the loader points the plug-in's import of USER32's
// GetAsyncKeyState here.
int16_t HostGetAsyncKeyState(int virtualKey);
}

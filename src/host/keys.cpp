#include "host/host_api.h"

#ifdef _WIN32
#include <windows.h>

int16_t KeyState(int virtualKey) {
    return GetAsyncKeyState(virtualKey);
}
#else
// The substitute host provides the key state under the Windows name.
extern "C" int16_t GetAsyncKeyState(int virtualKey);

int16_t KeyState(int virtualKey) {
    return GetAsyncKeyState(virtualKey);
}
#endif

#include "host/keys.h"

#include "host/host_api.h"

#ifdef _WIN32
#include <windows.h>
#endif

int16_t KeyState(int virtualKey) {
    return GetAsyncKeyState(virtualKey);
}

// The substitute ScriptHookV.dll: the host runtime and the simulated world,
// exporting the seven host functions under the names the game's host uses
// (see ScriptHookV_exports.def) and SimMain for korvane-sim.exe.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

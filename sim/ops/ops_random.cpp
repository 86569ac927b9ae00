// Random numbers and script timer A.
#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

void Op_GetRandomIntInRange(World& world, NativeCall& call) {
    call.ReturnInt(RandomInRange(world, call.Int(0), call.Int(1)));
}

// Timer A counts milliseconds of game time from its last setting.
void Op_GetTimerA(World& world, NativeCall& call) {
    call.ReturnInt(static_cast<int32_t>(NowMs(world) - world.timerAStartMs));
}

void Op_SetTimerA(World& world, NativeCall& call) {
    world.timerAStartMs = NowMs(world) - call.Int(0);
}

}  // namespace sim

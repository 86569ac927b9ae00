#include "traffic/spawn_draws.h"

#include <cstdint>
#include <limits>

#include "host/natives.h"
#include "state/plugin_state.h"

namespace {

const int PoliceDrawOdds = 15;

const char* ListEntry(const char* const* list, int size, int32_t index) {
    // A host draw out of the table is read as its first entry.
    const char* name = index >= 0 && index < size ? list[index] : list[0];
    return name ? name : "";
}

}  // namespace

bool WinsSpawnDraw() {
    const int32_t odds = Plugin.Settings.SpawnOdds;
    // The end bound is exclusive, so one past the odds gives one chance in
    // `odds`; it cannot go past the int32 limit.
    const int32_t end = odds >= std::numeric_limits<int32_t>::max() ? odds : odds + 1;
    const bool drawnOne = game::GetRandomIntInRange(1, end) == 1;
    return drawnOne || odds <= 1;
}

// The end bound of a draw is exclusive: the table sizes let every entry,
// the last one too, be drawn.
const char* PickModelName() {
    if (Plugin.Settings.PolicePatrols == 1 && game::GetRandomIntInRange(0, PoliceDrawOdds) == 0) {
        return ListEntry(Plugin.PoliceModelList, PoliceModelListSize,
                         game::GetRandomIntInRange(0, PoliceModelListSize));
    }
    if (Plugin.Settings.UseFullList) {
        return ListEntry(Plugin.FullModelList, FullModelListSize,
                         game::GetRandomIntInRange(0, FullModelListSize));
    }
    return ListEntry(Plugin.SmallModelList, SmallModelListSize,
                     game::GetRandomIntInRange(0, SmallModelListSize));
}

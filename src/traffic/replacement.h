// Replacing one accepted candidate in place and in motion.
#pragma once

#include "host/types.h"

// Replaces `vehicle` (of `model`, in slot `slot` of the tracked vehicles)
// with a vehicle drawn from the model lists, from the candidate record.
void ReplaceVehicle(EntityHandle vehicle, int slot, ModelHash model);

// Floats as the checker writes them: in its reports and in the corrected copy.
#pragma once

#include <string>

namespace checker {

// The shortest decimal that reads back as the same 32-bit float (the plug-in's
// reader rounds correctly, so a shortest round-trip text is what it reads back
// exactly). Every float the checker writes goes through here, so the way they
// are formatted is chosen in this one place.
std::string ShortestFloatText(float value);

}  // namespace checker

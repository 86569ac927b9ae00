#include "traffic/plates.h"

#include <cstring>

const char* const TransformedPlate = "K41482D2";
const char* const FilledPlate = "64GA1714";

bool PlateTextIs(const char* plate, const char* marker) {
    return std::strncmp(plate, marker, 8) == 0;
}

// Sine and cosine of angles in degrees from plain arithmetic, so that the
// world moves identically wherever it runs: the platforms' own libm routines
// may differ in their last bits, and a world that steers by them drifts apart.
#pragma once

#include <cmath>

namespace sim {

// The angle brought into [-180, 180).
inline double ReduceDegrees(double degrees) {
    double d = std::fmod(degrees, 360.0);  // exact on every platform
    if (d >= 180.0) {
        d -= 360.0;
    } else if (d < -180.0) {
        d += 360.0;
    }
    return d;
}

inline double SinDegrees(double degrees) {
    double d = ReduceDegrees(degrees);
    if (d > 90.0) {
        d = 180.0 - d;
    } else if (d < -90.0) {
        d = -180.0 - d;
    }
    const double x = d * (3.14159265358979323846 / 180.0);  // |x| <= pi/2
    const double x2 = x * x;
    // Taylor series to x^17: the error at pi/2 is below 1e-13.
    double term = x;
    double sum = x;
    for (int n = 1; n <= 8; ++n) {
        term = -term * x2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

inline double CosDegrees(double degrees) {
    return SinDegrees(degrees + 90.0);
}

}  // namespace sim

#include "common/numerics.h"

#include <cmath>

namespace velmora {

int FindIndex(const Array1<float>& X, float x, int lo, int hi) {
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (x <= X(mid))
            hi = mid;
        else
            lo = mid;
    }
    return lo;
}

float AirIndex(float vacuumAngstrom) {
    if (vacuumAngstrom == 0.0f) return 1.0f;
    const double sigma = 1.0 / (static_cast<double>(vacuumAngstrom) * 0.0001);  // 1/um
    const double s2 = static_cast<float>(sigma * sigma);
    return static_cast<float>(1.0 + 1e-8 * (8342.13 + 2406030.0 / (130.0 - s2) + 15997.0 / (38.9 - s2)));
}

double WavenumberToAxis(double nu, int units) {
    if (units == 3) return nu;
    const double vacuum = 1E8 / nu;  // Å
    const double wavelength = units == 2 || units == 5 ? vacuum / AirIndex(static_cast<float>(vacuum)) : vacuum;
    return units >= 4 ? wavelength / 10.0 : wavelength;
}

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

double GaussianDeviate::Next() {
    if (hasSpare_) {
        hasSpare_ = false;
        return spare_;
    }
    double v1, v2, r;
    do {
        v1 = 2.0 * Uniform() - 1.0;
        v2 = 2.0 * Uniform() - 1.0;
        r = v1 * v1 + v2 * v2;
    } while (!(r > 0.0 && r < 1.0));
    const double fac = std::sqrt(-2.0 * std::log(r) / r);
    spare_ = v1 * fac;
    hasSpare_ = true;
    return v2 * fac;
}

}  // namespace velmora

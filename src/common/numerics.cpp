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

double AirIndex(double vacuumAngstrom) {
    if (vacuumAngstrom == 0.0) return 1.0;
    const double sigma = 1.0 / (vacuumAngstrom * 0.0001);  // 1/um
    const double s2 = sigma * sigma;
    return 1.0 + 1e-8 * (8342.13 + 2406030.0 / (130.0 - s2) + 15997.0 / (38.9 - s2));
}

double VacuumFromAir(double airAngstrom) {
    // vacuum = air n(vacuum): dn/dλ is about 1E-8 per Å, so each step gains about 1E-8 relative;
    // three steps from n(air) reach the rounding of a double.
    double vacuum = airAngstrom * AirIndex(airAngstrom);
    for (int i = 0; i < 3; ++i) vacuum = airAngstrom * AirIndex(vacuum);
    return vacuum;
}

double WavenumberToAxis(double nu, int units) {
    if (units == 3) return nu;
    const double vacuum = 1E8 / nu;  // Å
    const double wavelength = IsAirUnit(units) ? vacuum / AirIndex(vacuum) : vacuum;
    return units >= 4 ? wavelength / 10.0 : wavelength;
}

double AxisToWavenumber(double x, int units) {
    if (units == 3) return x;
    if (x == 0.0) return 0.0;
    double angstrom = units >= 4 ? 10.0 * x : x;
    if (IsAirUnit(units)) angstrom = VacuumFromAir(angstrom);
    return 1E8 / angstrom;
}

double ConvertAxisValue(double x, int fromUnits, int toUnits) {
    if (fromUnits == toUnits) return x;
    if (x == 0.0 && fromUnits != 3 && toUnits != 3) return 0.0;
    return WavenumberToAxis(AxisToWavenumber(x, fromUnits), toUnits);
}

double RegularizedGammaP(double a, double x) {
    if (!(x > 0.0)) return 0.0;
    const double logPrefactor = a * std::log(x) - x - std::lgamma(a);  // x^a e^-x / Γ(a)
    constexpr double kEpsilon = 1e-15;
    if (x < a + 1.0) {
        // γ(a, x) = x^a e^-x Σ x^n / (a (a+1) ... (a+n)).
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 1000 && std::fabs(term) > kEpsilon * std::fabs(sum); ++n) {
            term *= x / (a + n);
            sum += term;
        }
        return std::exp(logPrefactor) * sum;
    }
    // Γ(a, x) = x^a e^-x / (x + 1 - a - 1(1-a)/(x + 3 - a - 2(2-a)/(x + 5 - a - ...))), evaluated by
    // the modified Lentz method.
    constexpr double kTiny = 1e-300;
    double b = x + 1.0 - a, c = 1.0 / kTiny, d = 1.0 / b, h = d;
    for (int n = 1; n < 1000; ++n) {
        const double an = -n * (n - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < kEpsilon) break;
    }
    return 1.0 - std::exp(logPrefactor) * h;
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

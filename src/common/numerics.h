// Numerical helpers shared by several subsystems.
#pragma once

#include <cstdint>
#include <random>

#include "common/bounded_array.h"

namespace velmora {

/// Bisection on an ascending array: returns lo such that X(lo) < x <= X(lo+1) within lo..hi
/// (the returned index is lo also when hi - lo < 2 at the start).
int FindIndex(const Array1<float>& X, float x, int lo, int hi);

/// Refractive index of standard air (Edlen 1966) at a vacuum wavelength in angstrom; 1 for 0.
/// Evaluated in double precision: n - 1 is about 3E-4, so a single-precision n would move air
/// wavelengths in steps of 1.2E-7 of themselves (0.4 mÅ, 0.004 cm-1 in the ultraviolet).
double AirIndex(double vacuumAngstrom);

/// Vacuum wavelength (Å) of an air wavelength (Å): the inverse of dividing by n_air of the vacuum
/// wavelength, solved by fixed-point iteration to the last digit.
double VacuumFromAir(double airAngstrom);

/// A wavenumber (cm-1) in an axis unit: 1 Å in vacuum, 2 Å in air (vacuum wavelength divided by
/// n_air of itself), 3 cm-1 (unchanged), 4 nm in vacuum, 5 nm in air.
double WavenumberToAxis(double nu, int units);
/// The inverse: the wavenumber (cm-1) of an axis value (an air wavelength is made vacuum with
/// n_air of itself). 0 for a wavelength of 0.
double AxisToWavenumber(double x, int units);
/// An axis value in another axis unit (a wavelength of 0 stays 0).
double ConvertAxisValue(double x, int fromUnits, int toUnits);
/// True for the air wavelength units (2 Å, 5 nm).
inline bool IsAirUnit(int units) { return units == 2 || units == 5; }

/// Regularized lower incomplete gamma function P(a, x) = γ(a, x) / Γ(a), for a > 0 and x >= 0:
/// the series of γ below x = a + 1, the continued fraction of the upper function above it.
double RegularizedGammaP(double a, double x);

/// Rounds to the nearest integer, halves to the even integer (as integer conversions do).
int RoundHalfEven(double x);

/// Normally distributed deviates (mean 0, variance 1) by the polar method, keeping the spare
/// value of each pair for the next call. Uniform numbers come from a seeded generator so that
/// the plot and the saved spectrum can draw the same sequence.
class GaussianDeviate {
public:
    explicit GaussianDeviate(std::uint32_t seed = 12345u) : engine_(seed) {}
    double Next();
    /// Uniform number in [0, 1).
    double Uniform() { return uniform_(engine_); }
    void Reseed(std::uint32_t seed) {
        engine_.seed(seed);
        hasSpare_ = false;
    }
    bool HasSpare() const { return hasSpare_; }

private:
    std::mt19937 engine_;
    std::uniform_real_distribution<double> uniform_{0.0, 1.0};
    bool hasSpare_ = false;
    double spare_ = 0.0;
};

}  // namespace velmora

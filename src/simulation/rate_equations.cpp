#include "simulation/rate_equations.h"

#include <cmath>
#include <numbers>

#include "simulation/voigt_profile.h"

namespace velmora::simulation {

double EinsteinB(double einsteinA, int gUpper, int gLower, double nuCm) {
    if (gLower <= 0 || nuCm <= 0.0) return 0.0;
    return static_cast<double>(gUpper) / gLower * einsteinA /
           (8.0 * kPi * kPlanckConstant * kSpeedOfLightCm * nuCm * nuCm * nuCm);
}

double UpperFraction(double W, double decayRate, int gUpper, int gLower) {
    if (gUpper <= 0) return 0.0;
    const double denominator = W * (1.0 + static_cast<double>(gLower) / gUpper) + decayRate;
    return denominator > 0.0 ? W / denominator : 0.0;
}

double LaserPeak(const SimulationConditions& c) {
    double lorentz = c.laserLorentzWidth, gaussSq = c.laserGaussWidth * c.laserGaussWidth;
    if (!LaserShapesExcitation(c)) {
        const double share = c.lineshape == Lineshape::Lorentzian ? 1.0
                             : c.lineshape == Lineshape::Voigt    ? c.lorentzPercent / 100.0
                                                                  : 0.0;
        lorentz = share * c.resolution;
        gaussSq = (1.0 - share) * c.resolution * (1.0 - share) * c.resolution;
    }
    const double f = VoigtWidth(lorentz, gaussSq);
    if (!(f > 0.0)) return 0.0;
    // Peak of the unit-area Voigt of the two widths.
    return VoigtProfile(0.0, std::sqrt(gaussSq), lorentz);
}

double AxisPerWavenumber(double nuCm, AxisUnit unit) {
    if (!IsWavelength(unit)) return 1.0;
    return nuCm > 0.0 ? UnitsPerAngstrom(unit) * 1e8 / (nuCm * nuCm) : 0.0;
}

double LaserIrradiance(const SimulationConditions& c, double laserPeakPerCm) {
    if (c.spectralIrradiance > 0.0) return laserPeakPerCm > 0.0 ? c.spectralIrradiance / laserPeakPerCm : 0.0;
    // mJ → J, ns → s.
    return c.pulseEnergy * 1e-3 / (c.pulseDuration * 1e-9 * c.beamArea);
}

}  // namespace velmora::simulation

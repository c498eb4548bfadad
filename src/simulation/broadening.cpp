#include "simulation/broadening.h"

#include "simulation/instrument_function.h"

namespace velmora::simulation {

double RangeCentreWavenumber(const SimulationConditions& c) {
    const double a = static_cast<float>(c.start);
    const double b = static_cast<float>(c.end);
    const double centre = a + (b - a) / 2.0;
    if (!IsWavelength(c.unit)) return centre;
    if (centre == 0.0) return 0.0;
    return UnitsPerAngstrom(c.unit) * 1E8 / centre;
}

double WidthToAxis(double widthCm, double nuC, AxisUnit unit) {
    if (!IsWavelength(unit)) return widthCm;
    // d(lambda) = d(nu) lambda^2 in Å, times 0.1 for nm.
    return widthCm / nuC * 1E8 / nuC * UnitsPerAngstrom(unit);
}

Broadening MolecularBroadening(const Broadening& b) {
    Broadening m = b;
    m.totalWidth = static_cast<float>(VoigtWidth(b.lorentzWidth, b.gaussWidthSq));
    m.lorentzFraction = m.totalWidth != 0.0f ? b.lorentzWidth / m.totalWidth : 0.0f;
    return m;
}

Broadening ComputeBroadening(const SimulationConditions& c, double molecularMass, const Broadening& previous) {
    Broadening b = previous;
    const double nuC = RangeCentreWavenumber(c);
    // A wavelength range centred on 0 has no centre wavenumber: the converted values are kept.
    const bool convertible = !IsWavelength(c.unit) || nuC != 0.0;
    const double T = c.temperature;

    // Doppler FWHM = nu sqrt(8 kT ln 2 / (m c^2)) = 7.16E-7 nu sqrt(T / M[amu]), at the range centre.
    if (convertible) {
        const double doppler = (molecularMass > 0.0 && T >= 0.0) ? nuC * 7.16E-7 * std::sqrt(T / molecularMass) : 0.0;
        b.dopplerWidth = static_cast<float>(WidthToAxis(doppler, nuC, c.unit));
    }
    double gaussSq = c.dopplerBroadening ? static_cast<double>(b.dopplerWidth) * b.dopplerWidth : 0.0;

    // Pressure broadening: B1 cm-1/atm at 300 K, scaled by (300/T)^B2.
    if (T > 0.0 && convertible) {
        const double coll = std::pow(300.0 / T, c.collisionalBroad2) * (c.pressure / 760.0 * c.collisionalBroad1);
        b.collisionalWidth = static_cast<float>(WidthToAxis(coll, nuC, c.unit));
    }
    double lorentz = c.collisionalBroadening ? static_cast<double>(b.collisionalWidth) : 0.0;

    // The laser of an excitation scan: the overlap of a Voigt laser with a Voigt line is the Voigt
    // of the summed Lorentzian widths and the quadrature sum of the Gaussian widths.
    const bool laser = LaserShapesExcitation(c);
    if (laser) {
        lorentz += c.laserLorentzWidth;
        gaussSq += c.laserGaussWidth * c.laserGaussWidth;
    }
    // Instrumental function.
    const double res = c.resolution;
    if (!laser) switch (c.lineshape) {
            case Lineshape::Gaussian:
                gaussSq += res * res;
                break;
            case Lineshape::Lorentzian:
                lorentz += res;
                break;
            case Lineshape::Voigt: {
                const double share = c.lorentzPercent / 100.0;
                lorentz += share * res;
                gaussSq += ((1.0 - share) * res) * ((1.0 - share) * res);
                break;
            }
            default:
                break;  // convolved on the grid: the profile stays that of the molecules
        }
    b.gaussWidthSq = static_cast<float>(gaussSq);
    b.lorentzWidth = static_cast<float>(lorentz);

    // Profile drawn: Lorentzian or Gaussian when the other part is negligible, else Voigt. The
    // squared Gaussian width is compared with the Lorentzian width itself.
    b.profile = Lineshape::Voigt;
    if (static_cast<float>(99.0 * b.gaussWidthSq) < b.lorentzWidth) b.profile = Lineshape::Lorentzian;
    if (static_cast<float>(99.0 * b.lorentzWidth) < b.gaussWidthSq) b.profile = Lineshape::Gaussian;
    b.totalWidth = static_cast<float>(VoigtWidth(b.lorentzWidth, b.gaussWidthSq));
    if (ConvolvesInstrument(c)) {
        // The total resolution, and the grid, count the instrument's FWHM as a Gaussian part.
        const double w = convertible ? InstrumentWidth(c, nuC) : res;
        b.totalWidth = static_cast<float>(VoigtWidth(b.lorentzWidth, b.gaussWidthSq + w * w));
    }
    b.lorentzFraction = b.totalWidth != 0.0f ? b.lorentzWidth / b.totalWidth : 0.0f;

    // Doppler shift of a source moving towards the observer: to higher wavenumber, and so to
    // shorter wavelength.
    b.lineShift = 0.0f;
    b.collisionalShift = 0.0f;
    if (convertible) {
        const double dop = c.dopplerVelocity / 299800.0 * nuC;
        b.dopplerShift = static_cast<float>(IsWavelength(c.unit) ? -WidthToAxis(dop, nuC, c.unit) : dop);
    } else {
        b.dopplerShift = 0.0f;
    }
    if (c.dopplerShift) b.lineShift += b.dopplerShift;

    // Pressure shift: A cm-1/atm at 300 K, scaled by (300/T)^B; a positive A moves lines to lower
    // wavenumber (longer wavelength).
    if (T > 0.0 && convertible) {
        const double shift = std::pow(300.0 / T, c.collisionalShiftB) * (c.pressure / 760.0 * -c.collisionalShiftA);
        b.collisionalShift = static_cast<float>(IsWavelength(c.unit) ? -WidthToAxis(shift, nuC, c.unit) : shift);
    }
    if (c.collisionalShift) b.lineShift += b.collisionalShift;
    return b;
}

}  // namespace velmora::simulation

// The Voigt profile, the convolution of a Gaussian and a Lorentzian of unit areas, from the
// Faddeeva function w(z) = exp(-z²) erfc(-iz):
//
//     V(d) = Re w(z) / (σ √(2π)),   z = (d + iγ) / (σ √2),
//
// σ the standard deviation of the Gaussian (FWHM fG = 2σ √(2 ln 2)) and γ the half width of the
// Lorentzian (FWHM fL = 2γ). In the upper half plane w is Weideman's rational approximation with
// 24 terms (SIAM J. Numer. Anal. 31, 1497, 1994), whose error stays below 1E-7 of the peak; where
// |z| >= 8 the asymptotic series w = (i / (√π z)) Σ (2n - 1)!! / (2z²)^n, six terms (its error
// below 1E-8 relative), takes its place at a fifth of the cost.
#pragma once

#include <complex>
#include <cstddef>

namespace velmora::simulation {

/// w(z) for Im z >= 0.
std::complex<double> Faddeeva(std::complex<double> z);

/// A Voigt profile of given Gaussian and Lorentzian FWHM (axis units), of unit area.
struct VoigtProfile {
    double scale = 1.0;  ///< Re z per axis unit: 1 / (σ √2)
    double y = 0.0;      ///< Im z: γ / (σ √2)
    double norm = 0.0;   ///< 1 / (σ √(2π))

    /// The profile of the FWHM fG (above 0) and fL (0 or above).
    static VoigtProfile Of(double gaussWidth, double lorentzWidth);
    /// V(d), d axis units from the centre.
    double At(double d) const;
};

/// The point loops of one build.
struct VoigtKernels {
    /// values[i] = V(d0 + i step), i < count.
    void (*values)(const VoigtProfile& v, double d0, double step, std::size_t count, double* values);
};

/// The build for any processor of the architecture.
const VoigtKernels& BaselineVoigtKernels();
/// The build this processor runs (AVX2 with FMA where it has them).
const VoigtKernels& ActiveVoigtKernels();

}  // namespace velmora::simulation

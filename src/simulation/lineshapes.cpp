#include "simulation/lineshapes.h"

#include <algorithm>

#include "common/numerics.h"

namespace velmora::simulation {

namespace {

/// Converts to int without overflow (window limits of very wide lines).
int RoundIndex(double x) { return RoundHalfEven(std::clamp(x, -1e9, 1e9)); }

}  // namespace

ProfileGrid MakeProfileGrid(const SpectralGrid& grid, const Broadening& widths, bool predissociation, AxisUnit unit) {
    ProfileGrid g;
    g.Xini = grid.start;
    g.gridWidth = grid.gridWidth;
    g.pointsPerWidth = grid.pointsPerWidth;
    g.step = g.gridWidth / g.pointsPerWidth;
    g.nPoints = grid.last;
    g.totalWidth = widths.totalWidth;
    g.lorentzWidth = widths.lorentzWidth;
    g.gaussWidthSq = widths.gaussWidthSq;
    g.lorentzFraction = widths.lorentzFraction;
    g.profileKind = widths.profile;
    g.predissociation = predissociation;
    g.unit = unit;
    return g;
}

LineShape MakeLineShape(const ProfileGrid& grid, double x0, double tauNs) {
    LineShape s;
    s.f = grid.totalWidth;
    s.eta = grid.lorentzFraction;
    if (grid.predissociation) {
        // Lifetime (natural + predissociation) width added to the Lorentzian part.
        const double fL = grid.lorentzWidth + LifetimeWidth(grid, x0, tauNs);
        s.f = VoigtWidth(fL, grid.gaussWidthSq);
        s.eta = fL / s.f;
    }
    // Cut-off: 3 widths on each side for a Gaussian, up to 20 for a Lorentzian.
    const double K = 17.0 * s.eta + 3.0;
    if (static_cast<float>(1.02 * grid.totalWidth) < s.f) {
        s.halfWindow = s.f * K / grid.gridWidth;
        s.kind = grid.profileKind == Lineshape::Gaussian ? Lineshape::Voigt : grid.profileKind;
    } else {
        s.halfWindow = K * grid.totalWidth / grid.gridWidth;
        s.kind = grid.profileKind;
    }
    s.gN = 0.93944 / s.f;
    s.lN = 0.63662 / s.f;
    const double ic = (x0 - grid.Xini) * grid.pointsPerWidth / grid.gridWidth;
    const double half = s.halfWindow * grid.pointsPerWidth;
    s.first = std::max(RoundIndex(ic - half), 1);
    s.last = std::min(RoundIndex(ic + half), grid.nPoints - 1);
    return s;
}

void AccumulateProfile(const ProfileGrid& grid, const LineShape& s, double x0, double weight, float* out) {
    const double a = 1.0 / (s.f * s.f * kGaussExponent);  // exp(-d^2 a)
    const double b = 4.0 / (s.f * s.f);                   // 1 / (1 + d^2 b)
    const double xini = grid.Xini, step = grid.step;
    switch (s.kind) {
        case Lineshape::Gaussian: {
            const double cg = weight * s.gN;
            for (int i = s.first; i <= s.last; ++i) {
                const double d = xini + i * step - x0;
                out[i] = static_cast<float>(out[i] + cg * std::exp(-d * d * a));
            }
            break;
        }
        case Lineshape::Lorentzian: {
            const double cl = weight * s.lN;
            for (int i = s.first; i <= s.last; ++i) {
                const double d = xini + i * step - x0;
                out[i] = static_cast<float>(out[i] + cl / (1.0 + d * d * b));
            }
            break;
        }
        default: {
            for (int i = s.first; i <= s.last; ++i)
                out[i] = static_cast<float>(out[i] + weight * ProfileValue(s, xini + i * step - x0));
            break;
        }
    }
}

void AccumulateSqrtProfile(const ProfileGrid& grid, const LineShape& s, double x0, double strength, double weight,
                           float* out) {
    for (int i = s.first; i <= s.last; ++i) {
        const double p = strength * ProfileValue(s, grid.Xini + i * grid.step - x0);
        if (p > 0.0) out[i] = static_cast<float>(out[i] + weight * std::sqrt(p));
    }
}

double SaturatedPeak(const LineShape& s, double saturation, double weight) {
    const double sp = saturation * ProfileValue(s, 0.0);
    return weight * sp / (1.0 + sp);
}

SaturatedSpan SaturatedSpanOf(const ProfileGrid& grid, const LineShape& s, double x0, double saturation, double weight,
                              double floor) {
    // Reach (in FWHM) where the line's signal, about weight × s p in the wings, falls to the
    // floor: Lorentzian wings s η lN / (4 u²), Gaussian core s (1 - η) gN exp(-u² / 0.360674).
    const double eta = LorentzShare(s);
    const double wing = weight * saturation * eta * s.lN, core = weight * saturation * (1.0 - eta) * s.gN;
    double reach = 0.0;
    if (floor > 0.0 && wing > 0.0) reach = std::sqrt(wing / (4.0 * floor));
    // The Gaussian reach passes a wing reach R only if core / floor > exp(R² / κ): beyond 6 FWHM,
    // e^99.8 > 1e43, it need not be computed.
    if (floor > 0.0 && core > floor && !(reach >= 6.0 && core < 1e43 * floor))
        reach = std::max(reach, std::sqrt(kGaussExponent * std::log(core / floor)));
    const double half = std::max(s.halfWindow * grid.gridWidth, reach * s.f);  // axis units
    const double lo =
        std::clamp(std::ceil((x0 - half - grid.Xini) / grid.step), 1.0, static_cast<double>(grid.nPoints));
    const double hi = std::clamp(std::floor((x0 + half - grid.Xini) / grid.step), 0.0, grid.nPoints - 1.0);
    return {std::min(s.first, static_cast<int>(lo)), std::max(s.last, static_cast<int>(hi)), saturation * eta * s.lN};
}

void AccumulateSaturatedProfile(const ProfileGrid& grid, const LineShape& s, double x0, double saturation,
                                double weight, double floor, float* out) {
    const SaturatedSpan span = SaturatedSpanOf(grid, s, x0, saturation, weight, floor);
    for (int i = span.first; i <= span.last; ++i) {
        const double d = grid.Xini + i * grid.step - x0;
        const double u = d / s.f;
        // Beyond 6 FWHM the Gaussian part is below e^-99: the wing alone, without an exponential.
        const double sp = std::fabs(u) > 6.0 ? span.lorentzWing / (1.0 + 4.0 * u * u) : saturation * ProfileValue(s, d);
        out[i] = static_cast<float>(out[i] + weight * sp / (1.0 + sp));
    }
}

}  // namespace velmora::simulation

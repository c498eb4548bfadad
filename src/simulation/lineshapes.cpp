#include "simulation/lineshapes.h"

#include <algorithm>

#include "common/number_format.h"

namespace velmora::simulation {

namespace {

/// A frequency width (cm-1) in axis units at the range centre nuC; nanometre units scale by 0.1.
double WidthToAxis(double widthCm, double nuC, int units) {
    if (units == 3) return widthCm;
    const double s = units >= 4 ? 0.1 : 1.0;
    return widthCm / nuC * 1E8 / nuC * s;
}

/// Converts to int without overflow (window limits of very wide lines).
int RoundIndex(double x) { return RoundHalfEven(std::clamp(x, -1e9, 1e9)); }

}  // namespace

int PointsPerWidthFor(int pointDensity) {
    switch (pointDensity) {
        case 0: return 5;
        case 2: return 14;
        case 3: return 21;
        default: return 7;
    }
}

std::string UnitNameOf(const Catalogue& cat, int units) {
    if (cat.UnitName.Contains(units) && !cat.UnitName(units).empty()) return cat.UnitName(units);
    static const char* const names[] = {"", "Å (Vacuum)", "Å (Air)", "cm-1", "nm (Vacuum)", "nm (Air)"};
    return units >= 1 && units <= 5 ? names[units] : "";
}

double RangeCentreWavenumber(const SimulationState& sim) {
    const double a = static_cast<float>(Val(sim.TxtStart));
    const double b = static_cast<float>(Val(sim.TxtEnd));
    const double c = a + (b - a) / 2.0;
    if (sim.Units == 3) return c;
    if (c == 0.0) return 0.0;
    const double s = sim.Units >= 4 ? 0.1 : 1.0;
    return s * 1E8 / c;
}

void ComputeWidths(AppState& app) {
    SimulationState& sim = app.sim;
    const Catalogue& cat = app.db.cat;
    const double nuC = RangeCentreWavenumber(sim);
    // A wavelength range centred on 0 has no centre wavenumber: the converted widths keep their values.
    const bool convertible = sim.Units == 3 || nuC != 0.0;
    const double T = app.pop.Temperature;

    double gaussSq = 0.0, lorentz = 0.0;

    // Doppler FWHM = nu sqrt(8 kT ln 2 / (m c^2)) = 7.16E-7 nu sqrt(T / M[amu]), at the range centre.
    const double mass = cat.MolecularMass.ValueAt(app.db.irad);
    if (convertible) {
        const double doppler = (mass > 0.0 && T >= 0.0) ? nuC * 7.16E-7 * std::sqrt(T / mass) : 0.0;
        sim.DopplerWidth = static_cast<float>(WidthToAxis(doppler, nuC, sim.Units));
    }
    sim.ChkDopplerCaption = "Doppler broadening = " + Format(sim.DopplerWidth, "##0.0####");
    if (sim.DopplerBroadening == 1) gaussSq = static_cast<double>(sim.DopplerWidth) * sim.DopplerWidth;

    // Pressure broadening: B1 cm-1/atm at 300 K, scaled by (300/T)^B2.
    if (T > 0.0 && convertible) {
        const double coll = std::pow(300.0 / T, static_cast<double>(sim.CollisionalBroad2)) *
                            (sim.Pressure / 760.0 * sim.CollisionalBroad1);
        sim.CollWidth = static_cast<float>(WidthToAxis(coll, nuC, sim.Units));
    }
    sim.LblCollisionCaption = " = " + Format(sim.CollWidth, "##0.0####");
    if (sim.CollisionalBroadening == 1) lorentz = sim.CollWidth;

    // Instrumental function.
    const double res = sim.InstrumentalResolution;
    switch (sim.Lineshape) {
        case 1: gaussSq += res * res; break;
        case 2: lorentz += res; break;
        case 3: {
            const double share = sim.LorentzPercent / 100.0;
            lorentz += share * res;
            gaussSq += ((1.0 - share) * res) * ((1.0 - share) * res);
            break;
        }
        default: break;
    }
    sim.GaussWidthSq = static_cast<float>(gaussSq);
    sim.LorentzWidth = static_cast<float>(lorentz);

    // Profile drawn: Lorentzian or Gaussian when the other part is negligible, else Voigt. The
    // squared Gaussian width is compared with the Lorentzian width itself.
    int kind = 0;
    if (static_cast<float>(99.0 * sim.GaussWidthSq) < sim.LorentzWidth) kind = 2;
    if (static_cast<float>(99.0 * sim.LorentzWidth) < sim.GaussWidthSq) kind = 1;
    sim.ProfileKind = kind == 0 ? 3 : kind;

    sim.TotalWidth = static_cast<float>(VoigtWidth(sim.LorentzWidth, sim.GaussWidthSq));
    sim.LorentzFraction = sim.TotalWidth != 0.0f ? sim.LorentzWidth / sim.TotalWidth : 0.0f;
    sim.FrmBroadeningCaption = "Total resolution (instrumental + broadening) = " + Format(sim.TotalWidth, "##0.0###") +
                               " " + UnitNameOf(cat, sim.Units);
}

void ComputeShifts(AppState& app) {
    SimulationState& sim = app.sim;
    const double nuC = RangeCentreWavenumber(sim);
    const bool convertible = sim.Units == 3 || nuC != 0.0;
    const double T = app.pop.Temperature;
    sim.LineShift = sim.CollShift = sim.DopShift = 0.0f;

    // Doppler shift of a source moving towards the observer at DopplerShift km/s: to higher
    // wavenumber, and so to shorter wavelength in wavelength units.
    if (convertible) {
        const double dop = sim.DopplerShift / 299800.0 * nuC;
        sim.DopShift = static_cast<float>(sim.Units == 3 ? dop : -WidthToAxis(dop, nuC, sim.Units));
    }
    sim.LblDopplerShiftCaption = "km/s = " + Format(sim.DopShift, "##0.0####");
    if (sim.DopShiftOn == 1) sim.LineShift += sim.DopShift;

    // Pressure shift: A cm-1/atm at 300 K, scaled by (300/T)^B; a positive A moves lines to lower
    // wavenumber (longer wavelength).
    if (T > 0.0 && convertible) {
        const double shift = std::pow(300.0 / T, static_cast<double>(sim.CollisionalShiftB)) *
                             (sim.Pressure / 760.0 * -static_cast<double>(sim.CollisionalShiftA));
        sim.CollShift = static_cast<float>(sim.Units == 3 ? shift : -WidthToAxis(shift, nuC, sim.Units));
    }
    sim.LblCollisionalShiftCaption = " = " + Format(sim.CollShift, "##0.0####");
    if (sim.CollShiftOn == 1) sim.LineShift += sim.CollShift;

    sim.FrameShiftCaption = "Wavelength/Frequency shift = " + Format(sim.LineShift, "##0.0###") + " " +
                            UnitNameOf(app.db.cat, sim.Units);
}

ProfileGrid MakeProfileGrid(const SimulationState& sim, const Catalogue& cat) {
    ProfileGrid g;
    g.Xini = sim.Xini;
    g.gridWidth = sim.GridWidth;
    g.pointsPerWidth = sim.PointsPerWidth;
    g.step = g.gridWidth / g.pointsPerWidth;
    g.nPoints = sim.NPoints;
    g.totalWidth = sim.TotalWidth;
    g.lorentzWidth = sim.LorentzWidth;
    g.gaussWidthSq = sim.GaussWidthSq;
    g.lorentzFraction = sim.LorentzFraction;
    g.profileKind = sim.ProfileKind;
    g.predissociation = sim.PredissociationBroadening == 1;
    g.units = sim.Units;
    g.speedOfLight = cat.SpeedOfLight;
    return g;
}

LineShape MakeLineShape(const ProfileGrid& grid, double x0, double tauNs) {
    LineShape s;
    s.f = grid.totalWidth;
    s.eta = grid.lorentzFraction;
    if (grid.predissociation) {
        // Lifetime (natural + predissociation) width: 1 / (2 pi c tau) cm-1, or in Å (nm) at x0.
        double gamma = 0.0;
        if (tauNs > 0.0) {
            gamma = 1.0 / (tauNs * 1E-9 * 6.2832 * grid.speedOfLight);
            if (grid.units < 3) gamma *= 1E-8 * x0 * x0;
            if (grid.units >= 4) gamma *= 1E-7 * x0 * x0;
        }
        const double fL = grid.lorentzWidth + gamma;
        s.f = VoigtWidth(fL, grid.gaussWidthSq);
        s.eta = fL / s.f;
    }
    // Cut-off: 3 widths on each side for a Gaussian, up to 20 for a Lorentzian.
    const double K = 17.0 * s.eta + 3.0;
    if (static_cast<float>(1.02 * grid.totalWidth) < s.f) {
        s.halfWindow = s.f * K / grid.gridWidth;
        s.kind = grid.profileKind == 1 ? 3 : grid.profileKind;
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
    const double b = 4.0 / (s.f * s.f);                    // 1 / (1 + d^2 b)
    const double xini = grid.Xini, step = grid.step;
    switch (s.kind) {
        case 1: {
            const double cg = weight * s.gN;
            for (int i = s.first; i <= s.last; ++i) {
                const double d = xini + i * step - x0;
                out[i] = static_cast<float>(out[i] + cg * std::exp(-d * d * a));
            }
            break;
        }
        case 2: {
            const double cl = weight * s.lN;
            for (int i = s.first; i <= s.last; ++i) {
                const double d = xini + i * step - x0;
                out[i] = static_cast<float>(out[i] + cl / (1.0 + d * d * b));
            }
            break;
        }
        default: {
            const double cg = weight * (1.0 - s.eta) * s.gN;
            const double cl = weight * s.eta * s.lN;
            for (int i = s.first; i <= s.last; ++i) {
                const double d = xini + i * step - x0;
                const double d2 = d * d;
                out[i] = static_cast<float>(out[i] + (cg * std::exp(-d2 * a) + cl / (1.0 + d2 * b)));
            }
            break;
        }
    }
}

void AccumulateSqrtProfile(const ProfileGrid& grid, const LineShape& s, double x0, double strength,
                           double weight, float* out) {
    for (int i = s.first; i <= s.last; ++i) {
        const double p = strength * ProfileValue(s, grid.Xini + i * grid.step - x0);
        if (p > 0.0) out[i] = static_cast<float>(out[i] + weight * std::sqrt(p));
    }
}

}  // namespace velmora::simulation

#include "simulation/intensities.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_format.h"
#include "database/entry_tables.h"
#include "populations/population_model.h"
#include "simulation/lineshapes.h"
#include "simulation/units.h"

namespace velmora::simulation {

namespace {

/// True when a band whose origin lies at originCm may have lines inside the range. The origin
/// must lie within 350 Å of the range; in cm-1 units the range is taken in Å for this test, since
/// the rotational structure of a band spreads over a width fixed in wavelength far more than 350 cm-1.
bool BandMayContribute(double originCm, const SimulationState& sim) {
    const double origin = originCm != 0.0 ? 1E8 / originCm : 0.0;  // Å
    if (sim.Units != 3)
        return static_cast<float>(origin + 350.0) >= sim.Xini && static_cast<float>(origin - 350.0) <= sim.Xend;
    const double inf = std::numeric_limits<double>::infinity();
    const double lo = sim.Xend > 0.0f ? 1E8 / sim.Xend : 0.0;
    const double hi = sim.Xini > 0.0f ? 1E8 / sim.Xini : inf;
    return origin + 350.0 >= lo && origin - 350.0 <= hi;
}

}  // namespace

BranchTable BuildBranchTable(ElectronicState popState, const DatabaseState& db) {
    static constexpr int kDeltaN[13] = {0, -1, -1, 0, 0, 1, 1, -2, 0, -1, 1, 0, 2};
    static constexpr int kUpper[13] = {0, 1, 2, 1, 2, 1, 2, 1, 1, 1, 2, 2, 2};
    static constexpr int kLower[13] = {0, 1, 2, 1, 2, 1, 2, 2, 2, 2, 1, 1, 1};
    // Lower components of branches 1..12 for a populated lower Π state whose second branch set
    // addresses the other parity of the lower levels.
    static constexpr int kLowerPi[13] = {0, 1, 2, 3, 4, 1, 2, 4, 4, 2, 1, 3, 3};
    BranchTable t;
    auto otherParity = [](int c) { return c <= 2 ? c + 2 : c - 2; };
    for (int b = 1; b <= 12; ++b) {
        t.deltaN[b] = t.deltaN[b + 12] = kDeltaN[b];
        t.upper[b] = kUpper[b];
        t.lower[b] = kLower[b];
        t.upper[b + 12] = otherParity(kUpper[b]);
        t.lower[b + 12] = otherParity(kLower[b]);
    }
    const int irad = db.irad;
    if (popState == ElectronicState::Lower && db.cat.StateLambda.ValueAt(2, irad) == 1 && database::UsesLowerComponentException(irad))
        for (int b = 1; b <= 12; ++b) t.lower[b] = kLowerPi[b];
    return t;
}

double GateFactor(double tauNs, int gateMode, double delayNs, double widthNs) {
    if (tauNs <= 1E-7) return 0.0;
    if (gateMode != 1) return 1.0;
    double g = 10.0 * tauNs > delayNs ? std::exp(-delayNs / tauNs) : 0.0;
    if (10.0 * tauNs > delayNs + widthNs) g -= std::exp(-(delayNs + widthNs) / tauNs);
    return g;
}

void ComputeYields(AppState& app) {
    DatabaseState& db = app.db;
    const Catalogue& cat = db.cat;
    const int irad = db.irad;
    if (!cat.LevelFileFlag.Contains(irad) || cat.LevelFileFlag(irad) == 0) return;
    const SimulationState& sim = app.sim;
    const int C = db.UpperComponents;
    const int vmax = cat.NMaxVib.ValueAt(irad, 1);
    const int lambda = cat.StateLambda.ValueAt(1, irad);
    for (int v = 0; v <= vmax; ++v) {
        const int nmax = cat.NMaxRot.ValueAt(irad, v);
        for (int c = 1; c <= C; ++c) {
            for (int N = lambda; N <= nmax; ++N) {
                if (!db.LevelYield.Contains(v, c, N)) continue;
                const double tauR = db.LevelLifetime.ValueAt(v, c, N);
                double yield = 0.0;
                if (tauR != 0.0) {
                    // Quenching rate in ns-1 (rate constants per µs and Torr).
                    double Q = 0.0;
                    if (sim.YieldMode != 3) {
                        if (db.QuenchingSource == 1)
                            Q = db.Quenching * 0.001 * sim.Pressure;
                        else if (db.QuenchingSource == 2)
                            Q = db.LevelQuenchRate.ValueAt(v, c, N) * sim.Pressure * 0.001;
                    }
                    // Decay without collisions: radiative only, or with predissociation.
                    const double tauEff = db.LevelEffLifetime.ValueAt(v, c, N);
                    const double G = (sim.YieldMode == 2 || tauEff <= 0.0) ? 1.0 / tauR : 1.0 / tauEff;
                    yield = sim.YieldMode == 1 ? 1.0 : 1.0 / ((Q + G) * tauR);
                }
                db.LevelYield(v, c, N) = static_cast<float>(yield);
                if (db.UpperLevelData.Contains(v, c + 2 * C, N)) db.UpperLevelData(v, c + 2 * C, N) = static_cast<float>(yield);
            }
        }
    }
}

void ComputeWindowFactors(AppState& app) {
    SimulationState& sim = app.sim;
    const DatabaseState& db = app.db;
    if (sim.WindowStart > sim.WindowEnd) {
        // Exchanged through the boxes, whose texts show the new order.
        const float oldStart = sim.WindowStart, oldEnd = sim.WindowEnd;
        sim.WindowStart = oldEnd;
        sim.WindowEnd = oldStart;
        sim.TxtStartWindow = Str(oldEnd);
        sim.TxtEndWindow = Str(oldStart);
    }
    const int irad = db.irad;
    const int vUpMax = db.cat.NMaxVib.ValueAt(irad, 1);
    const int vLowMax = db.cat.NMaxVib.ValueAt(irad, 2);
    if (sim.WindowFactor.Empty() || sim.WindowFactor.Hi() < vUpMax) sim.WindowFactor.Resize(0, std::max(vUpMax, db.cat.MaxVUpper));
    const float lo = static_cast<float>(sim.WindowStart - 20.0);
    const float hi = static_cast<float>(sim.WindowEnd + 20.0);
    for (int vu = 0; vu <= vUpMax; ++vu) {
        sim.WindowFactor(vu) = 1.0f;
        if (sim.WindowMode != 1) continue;
        double total = 0.0, inside = 0.0;
        for (int vl = 0; vl <= vLowMax; ++vl) {
            const double emission = db.BandData.ValueAt(1, vu, vl);
            const double origin = db.BandData.ValueAt(4, vu, vl);
            total += emission;
            if (origin == 0.0) continue;  // no band: nothing falls in the window
            // The window limits are always wavelengths (Å), in air when the axis is.
            const double L = WavenumberToAxis(origin, sim.Units == 2 ? 2 : 1);
            if (lo <= L && L <= hi) inside += emission;
        }
        if (total != 0.0) sim.WindowFactor(vu) = static_cast<float>(inside / total);
    }
}

void Synthesise(AppState& app, const BandLoader& load) {
    SimulationState& sim = app.sim;
    const PopulationState& pop = app.pop;
    DatabaseState& db = app.db;
    const Catalogue& cat = db.cat;
    const int irad = db.irad;

    sim.SimBand.Fill(0.0f);
    sim.LinesDrawn = 0;
    sim.ProfilePoints = 0;
    const BranchTable branches = BuildBranchTable(pop.PopState, db);
    const int otherState = pop.PopState == ElectronicState::Upper ? 2 : 1;
    const int nOther = cat.NMaxVib.ValueAt(irad, otherState);
    const float lambdaFactor = cat.LambdaFactor.Contains(irad) ? cat.LambdaFactor(irad) : 1.0f;
    const int nBranches = std::clamp(static_cast<int>(std::lround(12.0f * lambdaFactor)), 0, 24);
    const ProfileGrid grid = MakeProfileGrid(sim, cat);
    const bool fileLifetimes = cat.LevelFileFlag.Contains(irad) && cat.LevelFileFlag(irad) != 0;
    const int strengthColumn = StateIndex(pop.PopState);  // emission coefficient for emission, else absorption
    const double lineShift = sim.LineShift;
    const double xini = sim.Xini, xend = sim.Xend;

    for (int k = 1; k <= pop.NVibSel; ++k) {
        float* out = &sim.SimBand(k, 0);
        for (int j = 0; j <= nOther; ++j) {
            app.ui->ShowProgress(100.0 * ((k - 1) * (nOther + 1) + j) / (pop.NVibSel * (nOther + 1)));
            sim.VOther = j;
            sim.VPop = populations::SelectedLevel(pop, k);
            const int vUp = sim.Kind == 1 ? sim.VPop : sim.VOther;
            const int vLow = sim.Kind == 1 ? sim.VOther : sim.VPop;
            if (!BandMayContribute(db.BandData.ValueAt(4, vUp, vLow), sim)) continue;
            load(db, vUp, vLow, irad);

            const double window = (sim.Kind == 3 && sim.WindowFactor.Contains(vUp)) ? sim.WindowFactor(vUp) : 1.0;
            const int lastRow = std::min(db.RotRows, db.LineData.Hi(2));
            for (int N = 0; N <= lastRow; ++N) {
                for (int b = 1; b <= nBranches; ++b) {
                    const double nu = db.LineData(4, b, N);
                    if (nu == 0.0) continue;
                    const double x0 = WavenumberToAxis(nu, sim.Units) + lineShift;
                    if (!(xini < x0 && x0 < xend)) continue;
                    const int nUp = N + branches.deltaN[b];
                    if (nUp < 0) continue;
                    const int cu = branches.upper[b], cl = branches.lower[b];

                    const double S = db.LineData(strengthColumn, b, N);
                    const double phi = db.LevelYield.ValueAt(vUp, cu, nUp);
                    double weight = 0.0;
                    bool squareRoot = false;
                    switch (sim.Kind) {
                        case 1:
                            weight = phi * pop.PopRot.ValueAt(sim.VPop, cu, nUp) * S;
                            break;
                        case 2:
                            weight = S * pop.PopRot.ValueAt(sim.VPop, cl, N) * nu;
                            break;
                        case 3: {
                            const double Nl = pop.PopRot.ValueAt(sim.VPop, cl, N);
                            if (sim.LIFRegime == 2) {
                                // Saturated: the signal no longer depends on the line strength.
                                weight = S != 0.0 ? Nl * window : 0.0;
                                break;
                            }
                            // Effective lifetime of the upper level for the gate.
                            double tauR = db.LevelLifetime.ValueAt(vUp, cu, nUp);
                            if (!fileLifetimes && db.UpperLevelData.ValueAt(vUp, cu, nUp) > 0.0f)
                                tauR = db.UpperLevelData.ValueAt(vUp, cu, nUp);
                            sim.GateFactor = static_cast<float>(GateFactor(phi * tauR, sim.GateMode, sim.GateDelay, sim.GateWidth));
                            weight = phi * Nl * sim.GateFactor * window;
                            if (sim.LIFRegime == 1)
                                squareRoot = true;
                            else
                                weight *= S;
                            break;
                        }
                        case 4: {
                            const double Nl = pop.PopRot.ValueAt(sim.VPop, cl, N);
                            weight = S * S * S * S * Nl * Nl;
                            break;
                        }
                        default:
                            break;
                    }
                    if (weight == 0.0 || (squareRoot && S <= 0.0)) continue;

                    const LineShape shape = MakeLineShape(grid, x0, db.LevelEffLifetime.ValueAt(vUp, cu, nUp));
                    if (shape.last < shape.first) continue;
                    if (squareRoot)
                        AccumulateSqrtProfile(grid, shape, x0, S, weight, out);
                    else
                        AccumulateProfile(grid, shape, x0, weight, out);
                    ++sim.LinesDrawn;
                    sim.ProfilePoints += shape.last - shape.first + 1;
                }
            }
        }
    }
}

void BuildTotal(SimulationState& sim, const PopulationState& pop) {
    const int n = sim.NPoints;
    sim.SimTotal.Fill(0.0f);
    for (int k = 1; k <= pop.NVibSel; ++k) {
        const double w = pop.PopVibSel.ValueAt(populations::SelectedLevel(pop, k));
        const float* band = &sim.SimBand(k, 0);
        for (int i = 0; i <= n; ++i) sim.SimTotal(i) = static_cast<float>(sim.SimTotal(i) + w * band[i]);
    }
    float ymax = 0.0f;
    for (int i = 0; i <= n; ++i) ymax = std::max(ymax, sim.SimTotal(i));
    sim.YMax = ymax;
    if (ymax == 0.0f) return;
    const double scale = 100.0 / ymax;
    for (int i = 0; i <= n; ++i) sim.SimTotal(i) = static_cast<float>(sim.SimTotal(i) * scale);
    for (int k = 1; k <= pop.NVibSel; ++k)
        for (int i = 0; i <= n; ++i) sim.SimBand(k, i) = static_cast<float>(sim.SimBand(k, i) * scale);
}

}  // namespace velmora::simulation

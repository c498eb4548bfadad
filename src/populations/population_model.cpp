#include "populations/population_model.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/number_format.h"
#include "database/state_descriptions.h"

namespace velmora::populations {

namespace {

/// Molecular constant k of level v of state s, 0 when not held.
double Const(const DatabaseState& db, int s, int v, int k) { return db.MolConst.ValueAt(s, v, k); }

int StateLambdaOf(const DatabaseState& db, int s) { return db.cat.StateLambda.ValueAt(s, db.systemEntry); }

/// Sizes every population array for levels 0..vHi and rows 0..nHi; contents become 0.
void SizeArrays(PopulationState& pop, int vHi, int nHi) {
    pop.PopVib.Resize(0, vHi);
    pop.PopRot.Resize(0, vHi, 1, 4, 0, nHi);
    pop.TRot.Resize(0, vHi);
    pop.PopVibSel.Resize(0, vHi);
    pop.VibList.Resize(1, 0);
    pop.NVibSel = 0;
    pop.EditTable.Resize(1, 4, 0, nHi);
}

/// Sizes the arrays when they cannot hold level vmax or the rows of the catalogue.
void EnsureArrays(PopulationState& pop, const DatabaseState& db, int vmax) {
    const int rowsHi = db.cat.MaxN + 3;
    if (pop.PopVib.Empty() || pop.PopVib.Hi() < vmax || pop.PopRot.Empty() || pop.PopRot.Hi(0) < vmax ||
        pop.PopRot.Hi(2) < rowsHi)
        SizeArrays(pop, std::max({db.cat.MaxVUpper, db.cat.MaxVLower, vmax}), rowsHi);
}

}  // namespace

const char* ParityEF(int F, int p) {
    if (F == 1) return p == 0 ? "e" : "f";
    return p == 0 ? "f" : "e";
}

const char* ParitySign(int /*F*/, int p) { return p == 0 ? "+" : "-"; }

void DimensionPopulationArrays(PopulationState& pop, const Catalogue& cat) {
    SizeArrays(pop, std::max(cat.MaxVUpper, cat.MaxVLower), cat.MaxN + 3);
}

void SetPopulatedState(PopulationState& pop, const DatabaseState& db, int kind) {
    pop.PopState = kind == 1 ? ElectronicState::Upper : ElectronicState::Lower;
    pop.PopLambda = StateLambdaOf(db, StateIndex(pop.PopState));
}

int PopMaxVib(const PopulationState& pop, const DatabaseState& db) {
    return std::max(0, db.cat.NMaxVib.ValueAt(db.systemEntry, StateIndex(pop.PopState)));
}

int PopMaxRot(const PopulationState& pop, const DatabaseState& db, int v) {
    // The lower state holds every level a line of the system reaches: the P and O lines of the
    // top upper level end two rows above the largest upper row.
    int n = pop.PopState == ElectronicState::Upper ? db.cat.NMaxRot.ValueAt(db.systemEntry, v)
                                                   : db.cat.NMaxRotAll.ValueAt(db.systemEntry) + 2;
    // Row n + 1 must exist too (F2 rows one above the formula's N).
    if (!pop.PopRot.Empty()) n = std::min(n, pop.PopRot.Hi(2) - 1);
    return std::max(0, n);
}

namespace {

/// What the thermal model takes from the description of the populated state: its labels and
/// the nuclear-spin statistics of the molecule.
struct ThermalState {
    StateDescription state;
    NuclearSpin spin;
};

ThermalState ThermalStateOf(const PopulationState& pop, const DatabaseState& db) {
    const SystemDescription d = database::DescriptionOf(db.cat, db.systemEntry);
    return {d.State(StateIndex(pop.PopState)), d.molecule.nuclearSpin};
}

/// One rotational level of component F (either parity) of level v in the thermal model.
struct ThermalLevel {
    int row = 0;        ///< row of PopRot that holds it
    double weight = 0;  ///< (2J + 1) exp(−E/kT), with the nuclear-spin weight; 0: no level
    double energy = 0;  ///< E, cm-1
    double J = 0;
};

/// The thermal level of formula row N of component F and e/f label e: rotational energy from B,
/// D (and for a spin-orbit coupled doublet A, Hill–Van Vleck) of the populated state, degeneracy
/// 2J + 1 times the nuclear-spin weight.
ThermalLevel RotationalLevel(const PopulationState& pop, const DatabaseState& db, const ThermalState& ts, int v, int F,
                             int N, double kT, bool e) {
    const int s = StateIndex(pop.PopState);
    const double B = Const(db, s, v, 1), D = Const(db, s, v, 2), A = Const(db, s, v, 6);
    const int lambda = StateLambdaOf(db, s);
    const float Y = B != 0.0 ? static_cast<float>(A / B) : 0.0f;
    const double n = N;
    const double centrifugal = D * n * n * (n + 1) * (n + 1);
    ThermalLevel level{N, 0.0};
    double E = 0.0, J = 0.0;
    if (lambda == 0 || lambda == 2) {
        // One term per N for both spin components (Σ, and Δ treated alike).
        E = B * n * (n + 1) - centrifugal;
        J = F == 1 ? n + 0.5 : n - 0.5;
        if (J <= 0.0) return level;
    } else {
        // Spin-orbit coupled doublet (Hill-Van Vleck): E1 is the upper sign of the root. In case
        // (a) labels F1 is the other root, one row lower.
        const bool caseA = database::CaseALabels(ts.state, Y);
        const double sgn = caseA ? 1.0 : -1.0;
        const double yy = static_cast<double>(Y) * (static_cast<double>(Y) - 4.0);
        const double r1 = std::sqrt(std::max(0.0, 4.0 * (n + 1) * (n + 1) + yy));
        const double r2 = std::sqrt(std::max(0.0, 4.0 * n * n + yy));
        const double E1 = B * ((n + 1) * (n + 1) - 1.0 + sgn / 2.0 * r1) + std::fabs(A) / 2.0 - centrifugal;
        const double E2 = B * (n * n - 1.0 - sgn / 2.0 * r2) + std::fabs(A) / 2.0 - centrifugal;
        if (!caseA) {
            E = F == 1 ? E1 : E2;
            J = F == 1 ? n + 0.5 : n - 0.5;
        } else {
            // Case (a) labels store F1 one row below and F2 one row above the formula's N.
            E = F == 1 ? E2 : E1;
            J = F == 1 ? n - 0.5 : n + 0.5;
            level.row = F == 1 ? N - 1 : N + 1;
        }
        if (J < 0.0) return level;
    }
    level.energy = E, level.J = J;
    const double x = E / kT;
    if (x > 100.0) return level;
    level.weight = (2.0 * J + 1.0) * std::exp(-x);
    // Nuclear-spin statistics of a homonuclear molecule: the weight of a level follows from its
    // symmetry under exchange of the nuclei, total parity times g/u (N2+: odd N heavier in
    // B 2Σu+, even N in X 2Σg+; a dipole transition keeps the symmetry).
    if (ts.spin.homonuclear)
        level.weight *= database::NuclearSpinWeight(ts.spin, ts.state, N, static_cast<int>(2.0 * J + 0.5), e);
    return level;
}

/// Rotational partition function of level v at T over the rotational levels the database holds:
/// the sum of (2J + 1) exp(−E/kT) over every component (both parities when Λ > 0).
double RotationalPartitionFunction(const PopulationState& pop, const DatabaseState& db, int v, float T) {
    const double kT = kBoltzmannWavenumber * std::max(T, 1.0f);
    const int lambda = StateLambdaOf(db, StateIndex(pop.PopState));
    const ThermalState ts = ThermalStateOf(pop, db);
    // The levels of one parity of each (F, N) (e for F1); a Λ doublet has the other parity too,
    // of the same energy and, without nuclear-spin statistics, the same weight.
    auto sum = [&](bool firstParity) {
        double total = 0.0;
        for (int F = 1; F <= 2; ++F)
            for (int N = lambda; N <= PopMaxRot(pop, db, v); ++N)
                total += RotationalLevel(pop, db, ts, v, F, N, kT, (F == 1) == firstParity).weight;
        return total;
    };
    if (lambda == 0) return sum(true);
    return ts.spin.homonuclear ? sum(true) + sum(false) : 2.0 * sum(true);
}

}  // namespace

void VibThermal(PopulationState& pop, const DatabaseState& db, float T) { VibThermal(pop, db, T, T); }

void VibThermal(PopulationState& pop, const DatabaseState& db, float T, float rotationalT) {
    int vmax = PopMaxVib(pop, db);
    EnsureArrays(pop, db, vmax);
    pop.PopVib.Fill(0.0f);
    if (T <= 3.0f) {
        pop.PopVib(0) = 1.0f;
        return;
    }
    // Two-temperature model: the fraction of molecules in v is exp(−G_v/kT_vib) Q_rot(v, T_rot),
    // the Boltzmann distribution over all levels when T_vib = T_rot. Q_rot grows as B_v falls.
    const double kT = kBoltzmannWavenumber * T;
    const double g0 = Const(db, StateIndex(pop.PopState), 0, 0);
    const double q0 = RotationalPartitionFunction(pop, db, 0, rotationalT);
    double sum = 0.0;
    for (int v = 0; v <= vmax; ++v) {
        const double q = q0 > 0.0 ? RotationalPartitionFunction(pop, db, v, rotationalT) / q0 : 1.0;
        const double value = std::exp(-(Const(db, StateIndex(pop.PopState), v, 0) - g0) / kT) * q;
        pop.PopVib(v) = static_cast<float>(value);
        if (v > 0 && value < 1e-9) {
            vmax = v;  // this level ends the series and is not counted
            break;
        }
        sum += value;
    }
    for (int v = 0; v <= vmax; ++v) pop.PopVib(v) = static_cast<float>(pop.PopVib(v) / sum);
}

void RotThermal(PopulationState& pop, const DatabaseState& db, int v, int F, int p) {
    EnsureArrays(pop, db, v);
    if (pop.TRot(v) < 1.0f) pop.TRot(v) = 1.0f;
    const double kT = kBoltzmannWavenumber * pop.TRot(v);
    const double B = Const(db, StateIndex(pop.PopState), v, 1);
    const int lambda = StateLambdaOf(db, StateIndex(pop.PopState));
    const int nmax = PopMaxRot(pop, db, v);
    const double Q = B / kT / (lambda > 0 ? 4.0 : 1.0);
    const int c = F + p;
    const ThermalState ts = ThermalStateOf(pop, db);
    const bool e = ParityEF(F, p)[0] == 'e';

    // Rows 0..nmax+1: a state with A/B > 3 stores its F2 levels one row above the formula's N.
    for (int N = 0; N <= nmax + 1; ++N) pop.PopRot(v, c, N) = 0.0f;
    for (int N = lambda; N <= nmax; ++N) {
        const ThermalLevel level = RotationalLevel(pop, db, ts, v, F, N, kT, e);
        if (level.weight > 0.0) pop.PopRot(v, c, level.row) = static_cast<float>(Q * level.weight);
    }
}

void RotNormalize(PopulationState& pop, const DatabaseState& db, int v) {
    EnsureArrays(pop, db, v);
    const int lambda = StateLambdaOf(db, StateIndex(pop.PopState));
    const int nmax = PopMaxRot(pop, db, v);
    if (lambda > nmax) {
        pop.PopRot(v, 1, 1) = 1.0f;
        return;
    }
    // Every row a distribution of this level can occupy, 0..nmax+1, so that the rows shifted by
    // one for large spin-orbit coupling are normalised with the others.
    const int lastComp = lambda != 0 ? 4 : 2;
    double sum = 0.0;
    for (int c = 1; c <= lastComp; ++c)
        for (int N = 0; N <= nmax + 1; ++N) sum += pop.PopRot(v, c, N);
    if (sum == 0.0) {
        pop.PopRot(v, 1, 1) = 1.0f;
        sum = 1.0;
    }
    for (int c = 1; c <= lastComp; ++c)
        for (int N = 0; N <= nmax + 1; ++N) pop.PopRot(v, c, N) = static_cast<float>(pop.PopRot(v, c, N) / sum);
}

std::vector<RotationalTerm> RotationalTerms(const PopulationState& pop, const DatabaseState& db, int v) {
    std::vector<RotationalTerm> terms;
    const int lambda = StateLambdaOf(db, StateIndex(pop.PopState));
    const ThermalState ts = ThermalStateOf(pop, db);
    // At kT = 1E30 cm-1 the Boltzmann factor is 1 and the weight is the degeneracy.
    for (int p : {0, 2}) {
        if (p == 2 && lambda == 0) break;
        for (int F = 1; F <= 2; ++F)
            for (int N = lambda; N <= PopMaxRot(pop, db, v); ++N) {
                const ThermalLevel level = RotationalLevel(pop, db, ts, v, F, N, 1e30, ParityEF(F, p)[0] == 'e');
                if (level.weight > 0.0) terms.push_back({F + p, level.row, level.J, level.energy, level.weight});
            }
    }
    return terms;
}

void RotThermalLevel(PopulationState& pop, const DatabaseState& db, int v) {
    for (int F = 1; F <= 2; ++F) {
        RotThermal(pop, db, v, F, 0);
        if (pop.PopLambda > 0) RotThermal(pop, db, v, F, 2);
    }
}

void RebuildLevelThermal(PopulationState& pop, const DatabaseState& db, int v, float T) {
    EnsureArrays(pop, db, v);
    pop.TRot(v) = T;
    RotThermalLevel(pop, db, v);
    RotNormalize(pop, db, v);
}

void NormalizeSelected(PopulationState& pop) {
    double sum = 0.0;
    for (int i = 1; i <= pop.NVibSel; ++i) sum += pop.PopVibSel(SelectedLevel(pop, i));
    if (sum == 0.0) return;
    for (int i = 1; i <= pop.NVibSel; ++i) {
        const int v = SelectedLevel(pop, i);
        pop.PopVibSel(v) = static_cast<float>(pop.PopVibSel(v) / sum);
    }
}

void PreparePopulations(PopulationState& pop, const DatabaseState& db) {
    const int vmax = PopMaxVib(pop, db);
    EnsureArrays(pop, db, vmax);
    if (pop.ThermalFlag == 1 && pop.Temperature >= 0.0f) VibThermal(pop, db, pop.Temperature);
    std::vector<int> selected;
    for (int v = 0; v <= vmax; ++v) {
        if (!(pop.PopVib(v) > pop.MinimumPopulation)) continue;
        selected.push_back(v);
        pop.PopVibSel(v) = pop.PopVib(v);
        if (pop.ThermalFlag == 1) RebuildLevelThermal(pop, db, v, pop.Temperature);
    }
    pop.NVibSel = static_cast<int>(selected.size());
    pop.VibList.Resize(1, pop.NVibSel);
    for (int i = 1; i <= pop.NVibSel; ++i)
        pop.VibList(i) = static_cast<float>(selected[static_cast<std::size_t>(i - 1)]);
    NormalizeSelected(pop);
}

void ResetThermal(PopulationState& pop, const DatabaseState& db) {
    const int vmax = PopMaxVib(pop, db);
    EnsureArrays(pop, db, vmax);
    if (pop.ThermalFlag == 1 && pop.Temperature >= 0.0f) VibThermal(pop, db, pop.Temperature);
    if (pop.Temperature > 0.0f)
        for (int v = 0; v <= vmax; ++v) RebuildLevelThermal(pop, db, v, pop.Temperature);
}

void PopToEdit(PopulationState& pop, const DatabaseState& db, int v) {
    EnsureArrays(pop, db, v);
    pop.EditTable.Resize(1, 4, 0, db.cat.MaxN + 3);
    const double B0 = Const(db, StateIndex(pop.PopState), 0, 1);
    pop.YParam = B0 != 0.0 ? static_cast<float>(Const(db, StateIndex(pop.PopState), 0, 6) / B0) : 0.0f;
    pop.NRotDisp = std::min(PopMaxRot(pop, db, v), pop.EditTable.Hi(1));
    const bool lambdaDoubled = pop.PopLambda > 0;
    for (int F = 1; F <= 2; ++F) {
        pop.RowMax[static_cast<std::size_t>(F)] = 0.0f;
        pop.S[static_cast<std::size_t>(F)] = 0.0f;
        for (int r = 0; r <= pop.NRotDisp; ++r) {
            // F1 row r holds N = r; F2 row r holds N = r + 1 (both J = r + 1/2).
            const int N = F == 1 ? r : r + 1;
            pop.EditTable(F, r) = pop.PopRot(v, F, N);
            if (lambdaDoubled) pop.EditTable(F + 2, r) = pop.PopRot(v, F + 2, N);
            const float rowSum = pop.EditTable(F, r) + pop.EditTable(F + 2, r);
            pop.RowMax[static_cast<std::size_t>(F)] = std::max(pop.RowMax[static_cast<std::size_t>(F)], rowSum);
            pop.S[static_cast<std::size_t>(F)] += rowSum;
        }
    }
    pop.Total = pop.S[1] + pop.S[2];
    if (pop.Total != 0.0f) pop.Ratio = pop.S[1] / pop.Total;
    pop.SpinFactor = pop.Ratio;
    if (pop.TRot.Contains(v) && pop.TRot(v) > 0.0f) pop.TxtSpinCombination = Format(pop.SpinFactor, "0.0000");
    if (pop.Total != 0.0f) {
        for (int c = 1; c <= 4; ++c)
            for (int r = 0; r <= pop.EditTable.Hi(1); ++r) pop.EditTable(c, r) /= pop.Total;
        pop.RowMax[1] /= pop.Total;
        pop.RowMax[2] /= pop.Total;
    } else {
        pop.RowMax[1] = pop.RowMax[2] = 1.0f;
    }
    // Histogram scale: the largest sum of all components of one N, from the normalised cells.
    float histMax = 0.0f;
    for (int r = 0; r <= pop.NRotDisp; ++r) {
        const auto& E = pop.EditTable;
        const float bar = r == 0 ? E(1, 0) + E(3, 0) : E(2, r - 1) + E(1, r) + E(3, r) + E(4, r - 1);
        histMax = std::max(histMax, bar);
    }
    pop.HistMax = pop.Total != 0.0f ? histMax : 1.0f;
}

void EditToPop(PopulationState& pop, const DatabaseState& db, int v) {
    EnsureArrays(pop, db, v);
    if (pop.SpinFactor < 0.0f || pop.SpinFactor > 1.0f) pop.SpinFactor = 0.5f;
    auto& E = pop.EditTable;
    const int rows = std::min(pop.NRotDisp, E.Hi(1));
    pop.S[1] = pop.S[2] = 0.0f;
    for (int F = 1; F <= 2; ++F)
        for (int r = 0; r <= rows; ++r) pop.S[static_cast<std::size_t>(F)] += E(F, r) + E(F + 2, r);
    pop.Total = pop.S[1] + pop.S[2];
    if (pop.Total != 0.0f) pop.Ratio = pop.S[1] / pop.Total;
    for (int F = 1; F <= 2; ++F) {
        pop.RowMax[static_cast<std::size_t>(F)] = 0.0f;
        for (int r = 0; r <= rows; ++r) {
            if (pop.Total != 0.0f) {
                E(F, r) /= pop.Total;
                E(F + 2, r) /= pop.Total;
            }
            pop.RowMax[static_cast<std::size_t>(F)] =
                std::max(pop.RowMax[static_cast<std::size_t>(F)], E(F, r) + E(F + 2, r));
        }
    }
    if (pop.StructMode != StructureMode::AllOfN) {
        // One component or parity edited: the F1 share is what the table now holds.
        pop.SpinFactor = pop.Ratio;
        pop.TxtSpinCombination = Format(pop.SpinFactor, "0.0000");
    }
    const double f1 = pop.Ratio != 0.0f ? static_cast<double>(pop.SpinFactor) / pop.Ratio : 0.0;
    const double f2 = pop.Ratio < 1.0f ? (1.0 - pop.SpinFactor) / (1.0 - pop.Ratio) : 0.0;
    for (int r = 0; r <= rows; ++r) {
        if (pop.S[1] == 0.0f) {
            pop.PopRot(v, 1, r) = pop.PopRot(v, 3, r) = 0.0f;
        } else {
            pop.PopRot(v, 1, r) = static_cast<float>(f1 * E(1, r));
            pop.PopRot(v, 3, r) = static_cast<float>(f1 * E(3, r));
        }
        if (pop.S[2] != 0.0f && pop.Ratio < 1.0f) {
            pop.PopRot(v, 2, r + 1) = static_cast<float>(f2 * E(2, r));
            pop.PopRot(v, 4, r + 1) = static_cast<float>(f2 * E(4, r));
        } else {
            pop.PopRot(v, 2, r + 1) = pop.PopRot(v, 4, r + 1) = 0.0f;
        }
    }
    if (pop.StructMode == StructureMode::AllOfN) PopToEdit(pop, db, v);
}

void ResetPopulatedState(PopulationState& pop, const DatabaseState& db, int kind) {
    SetPopulatedState(pop, db, kind);
    DimensionPopulationArrays(pop, db.cat);
    pop.SelV = 0;
    ResetThermal(pop, db);
    PopToEdit(pop, db, 0);
}

void FollowMainTemperature(PopulationState& pop, const DatabaseState& db) {
    pop.TVib = pop.TRotAll = pop.Temperature;
    pop.TxtTVibrational = pop.TxtTRotational = Str(pop.Temperature);
    const int vmax = PopMaxVib(pop, db);
    EnsureArrays(pop, db, vmax);
    for (int v = 0; v <= vmax; ++v) RebuildLevelThermal(pop, db, v, pop.TRotAll);
    VibThermal(pop, db, pop.TVib, pop.TRotAll);
    PopToEdit(pop, db, std::clamp(pop.SelV, 0, vmax));
}

}  // namespace velmora::populations

#include "system_model.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "csv_table.h"

namespace velmora::datagen {

namespace {

std::string Num(double v) { return Significant(v, 10); }

/// Constants that belong to the Hamiltonian of a state with the given Lambda.
bool Allowed(int lambda, int k) {
    switch (lambda) {
        case 0:
            return k == kT || k == kB || k == kD || k == kH || k == kL || k == kM || k == kGamma || k == kGammaD ||
                   k == kGammaH;
        case 1:
            return k != kAH && k != kM;
        default:
            return k == kT || k == kB || k == kD || k == kH || k == kA || k == kGamma || k == kGammaD || k == kP ||
                   k == kQ;
    }
}

const char* StateKindText(int lambda) { return lambda == 0 ? "2Sigma" : lambda == 1 ? "2Pi" : "2Delta"; }

/// Fits G(h) and B(h) to per-level T_v and B_v (h = v + 1/2), lowering the degree of G until it
/// increases over the whole range that the potential needs.
void FitVibration(StateData& s) {
    std::vector<double> h, T, B;
    for (std::size_t v = 0; v < s.levels.size(); ++v) {
        h.push_back(static_cast<double>(v) + 0.5);
        T.push_back(s.levels[v][kT]);
        B.push_back(s.levels[v][kB]);
    }
    const int n = static_cast<int>(h.size());
    if (n < 2) {
        // One level: a harmonic estimate is not possible without a vibrational interval.
        s.G.c = {0.0, 0.0};
        s.B.c = {B[0]};
        return;
    }
    for (int degree = std::min(n - 1, 5); degree >= 1; --degree) {
        Polynomial g = FitPolynomial(h, T, degree);
        g.c[0] = 0.0;
        bool increasing = true;
        for (double x = 0.0; x <= n + 1.0; x += 0.05)
            if (!(g.Derivative(x) > 0.0)) increasing = false;
        if (increasing || degree == 1) {
            s.G = g;
            break;
        }
    }
    s.B = FitPolynomial(h, B, std::min(n - 1, 3));
}

StateData LoadLevels(const StateDefinition& def, const std::filesystem::path& source, const std::string& sourceName) {
    StateData s;
    s.def = def;
    const std::string name = sourceName + "/" + def.file;
    const CsvTable t = CsvTable::Read(source / def.file, name);
    const int cv = t.Column("v");
    int col[kConstCount];
    // Every column is required except M (x^5 of a 2Sigma state), which few tables carry.
    for (int k = 0; k < kConstCount; ++k) col[k] = k == kM && !t.HasColumn(ConstName(k)) ? -1 : t.Column(ConstName(k));
    const int cs = t.HasColumn("source") ? t.Column("source") : -1;
    std::map<int, const CsvRow*> byV;
    for (const auto& row : t.Rows()) {
        const int v = t.Integer(row, cv);
        if (byV.count(v)) t.Fail(row, cv, "v = " + std::to_string(v) + " appears twice");
        byV[v] = &row;
    }
    for (int v = 0; v <= def.vmax; ++v) {
        const auto it = byV.find(v);
        if (it == byV.end())
            throw FileError::In(name, "has no row for v = " + std::to_string(v) + " (the catalogue uses v = 0-" +
                                          std::to_string(def.vmax) + ")");
        const CsvRow& row = *it->second;
        LevelConstants c{};
        for (int k = 0; k < kConstCount; ++k) {
            if (col[k] < 0) continue;
            const bool required = (k == kT || k == kB || (k == kA && def.lambda > 0)) &&
                                  std::find(def.emptyIsZero.begin(), def.emptyIsZero.end(), k) == def.emptyIsZero.end();
            if (required) {
                c[k] = t.Number(row, col[k]);
            } else {
                c[k] = t.NumberOr(row, col[k], 0.0);
            }
            if (c[k] != 0.0 && !Allowed(def.lambda, k))
                t.Fail(row, col[k],
                       std::string("is not a constant of the ") + StateKindText(def.lambda) +
                           " Hamiltonian of these tables");
        }
        if (!(c[kB] > 0.0)) t.Fail(row, col[kB], "the rotational constant must be positive");
        s.levels.push_back(c);
        if (v == 0 && cs >= 0) s.provenance = t.Text(row, cs);
    }
    for (const auto& [k, v] : def.interpolated) {
        const auto at = byV.find(v), below = byV.find(v - 1), above = byV.find(v + 1);
        if (v > def.vmax || at == byV.end() || below == byV.end() || above == byV.end() || col[k] < 0)
            throw FileError::In(name, std::string("cannot interpolate ") + ConstName(k) +
                                          " of v = " + std::to_string(v) + ": the table needs rows v - 1, v and v + 1");
        if (!t.IsEmpty(*at->second, col[k]))
            t.Fail(*at->second, col[k], "holds a value; the catalogue interpolates only an empty cell");
        s.levels[static_cast<std::size_t>(v)][static_cast<std::size_t>(k)] =
            0.5 * (t.Number(*below->second, col[k]) + t.Number(*above->second, col[k]));
    }
    FitVibration(s);
    return s;
}

StateData LoadEquilibrium(const StateDefinition& def, const std::filesystem::path& source, const std::string& folder,
                          const std::string& sourceName) {
    StateData s;
    s.def = def;
    s.polynomial = true;
    const std::string name = sourceName + "/" + folder + "/equilibrium.csv";
    const CsvTable t = CsvTable::Read(source / folder / "equilibrium.csv", name);
    const int cState = t.Column("state"), cSource = t.Column("source");
    const CsvRow* found = nullptr;
    for (const auto& row : t.Rows()) {
        if (t.Text(row, cState) != def.eqState) continue;
        if (!def.eqSource.empty() && t.Text(row, cSource).rfind(def.eqSource, 0) != 0) continue;
        if (found) t.Fail(row, cState, "more than one row matches \"" + def.eqState + "\"; name its source");
        found = &row;
    }
    if (!found)
        throw FileError::In(name, "has no row for state \"" + def.eqState + "\"" +
                                      (def.eqSource.empty() ? "" : " with source \"" + def.eqSource + "...\""));
    const CsvRow& row = *found;
    const auto opt = [&](const char* column) { return t.NumberOr(row, t.Column(column), 0.0); };
    const double we = t.Number(row, t.Column("we")), wexe = opt("wexe"), weye = opt("weye");
    s.poly[kT] = {-(we * 0.5 - wexe * 0.25 + weye * 0.125), we, -wexe, weye};
    s.poly[kB] = {t.Number(row, t.Column("Be")), -opt("alpha_e"), opt("gamma_e")};
    s.poly[kD] = {opt("De"), opt("beta_e")};
    const double Ae = opt("A_e"), alphaA = opt("alpha_A");
    if (def.lambda == 0 && (Ae != 0.0 || alphaA != 0.0))
        t.Fail(row, t.Column("A_e"), "a 2Sigma state has no spin-orbit constant");
    if (def.lambda > 0) s.poly[kA] = {Ae, -alphaA};
    for (const auto& [k, c] : def.sets) {
        if (!Allowed(def.lambda, k))
            throw FileError::In(name, std::string("the catalogue sets ") + ConstName(k) +
                                          ", which is not a constant of a " + StateKindText(def.lambda) + " state");
        s.poly[static_cast<std::size_t>(k)] = c;
    }
    if (def.lambda > 0 && (s.poly[kA].empty() || s.poly[kA][0] == 0.0))
        throw FileError::At(name, row.line,
                            "field \"A_e\": a 2Pi or 2Delta state needs its spin-orbit constant (empty here and not "
                            "set by the catalogue)");
    for (int v = 0; v <= def.vmax; ++v) {
        LevelConstants c{};
        const double h = v + 0.5;
        for (int k = 0; k < kConstCount; ++k) {
            Polynomial p{s.poly[static_cast<std::size_t>(k)]};
            c[static_cast<std::size_t>(k)] = p(h);
        }
        if (def.hasOrigin) c[kT] += def.origin;
        if (!(c[kB] > 0.0))
            throw FileError::At(name, row.line, "the rotational constant is not positive at v = " + std::to_string(v));
        s.levels.push_back(c);
    }
    s.G.c = s.poly[kT];
    s.G.c[0] = 0.0;
    s.B.c = s.poly[kB];
    s.provenance = t.Text(row, cSource);
    return s;
}

PublishedTransitions ReadTransitions(const std::filesystem::path& path, const std::string& name) {
    PublishedTransitions p;
    const CsvTable t = CsvTable::Read(path, name);
    const int cKind = t.Column("kind"), cUp = t.Column("v_up"), cLow = t.Column("v_low"), cValue = t.Column("value"),
              cUnit = t.Column("unit");
    const auto unitIs = [&](const CsvRow& row, const char* unit) {
        if (t.Text(row, cUnit).rfind(unit, 0) != 0) t.Fail(row, cUnit, std::string("the unit must be ") + unit);
    };
    for (const auto& row : t.Rows()) {
        const std::string kind = t.Text(row, cKind);
        if (kind == "A_band" || kind == "FCF") {
            const int vu = t.Integer(row, cUp), vl = t.Integer(row, cLow);
            const double value = t.Number(row, cValue);
            if (!(value >= 0.0)) t.Fail(row, cValue, "must not be negative");
            unitIs(row, kind == "A_band" ? "s-1" : "dimensionless");
            auto& map = kind == "A_band" ? p.aBand : p.fcf;
            if (map.count({vu, vl}))
                t.Fail(row, cUp, "the band (" + std::to_string(vu) + "," + std::to_string(vl) + ") appears twice");
            map[{vu, vl}] = value;
        } else if (kind == "lifetime") {
            const double value = t.Number(row, cValue);
            if (!(value > 0.0)) t.Fail(row, cValue, "a lifetime must be positive");
            unitIs(row, "ns");
            p.lifetime.emplace(t.Integer(row, cUp), value);
        } else if (kind == "predissociation") {
            const double value = t.Number(row, cValue);
            if (!(value >= 0.0)) t.Fail(row, cValue, "must not be negative");
            unitIs(row, "s-1");
            p.predissociation.emplace(t.Integer(row, cUp), value);
        } else if (kind == "TDM" || kind == "TDM_poly") {
            t.Fail(row, cKind,
                   "transition-moment rows are not used by the database builder yet; "
                   "describe the moment in the catalogue or remove the row");
        } else {
            t.Fail(row, cKind, "unknown kind \"" + kind + "\"");
        }
    }
    return p;
}

}  // namespace

StateData LoadState(const StateDefinition& def, const std::filesystem::path& source, const std::string& folder,
                    const std::string& sourceName) {
    return def.equilibrium ? LoadEquilibrium(def, source, folder, sourceName) : LoadLevels(def, source, sourceName);
}

double EngineRowEnergy(const StateData& state, int row, int F, int p) {
    LevelConstants c = state.levels.at(0);
    for (double& x : c) x = static_cast<double>(static_cast<float>(x));  // the program holds 32-bit constants
    const int eps = p == 1 ? -1 : 1;
    const int lambda = state.def.lambda;
    if (lambda == 0) return SigmaTerm(c, row, F);
    // Rows of the term table: a 2Pi state in case (b) labels and a 2Delta state hold J = N + 1/2
    // in F1 row N and J = N - 1/2 in F2 row N; a 2Pi state in case (a) labels holds J = N - 1/2
    // in F1 and J = N + 1/2 in F2. At the lowest J of the state (J = Lambda - 1/2) the block has
    // one real level, the Omega = Lambda - 1/2 element h22; the other element stands in the F1
    // row of the first labelling.
    const bool caseA = lambda == 1 && state.def.labels == 'a';
    const double J = (caseA == (F == 1)) ? row - 0.5 : row + 0.5;
    const Block2 b = lambda == 1 ? PiBlock(c, J, eps) : DeltaBlock(c, J, eps);
    if (std::fabs(J - (lambda - 0.5)) < 1e-9) return caseA || F == 2 ? b.h22 : b.h11;
    return F == 1 ? b.Lower() : b.Upper();
}

WavefunctionSet::WavefunctionSet(const StateData& upper, const StateData& lower, double mu) : mu_(mu) {
    state_[0] = &upper;
    state_[1] = &lower;
    pots_.reserve(2);
    for (int s = 0; s < 2; ++s) {
        const StateData& st = *state_[s];
        const std::string name = st.def.label + " (" + st.def.symmetry + ")";
        const auto G = [&st](double h) { return st.G(h); };
        const auto B = [&st](double h) { return st.B(h); };
        std::string error;
        bool built = false;
        for (double extra : {1.0, 0.5, 0.0}) {
            try {
                pots_.emplace_back(G, B, mu, st.def.vmax + extra, name);
                built = true;
                break;
            } catch (const std::runtime_error& e) {
                error = e.what();
            }
        }
        if (!built) throw std::runtime_error(error);
    }
    pot_[0] = &pots_[0];
    pot_[1] = &pots_[1];
    const double rin = std::min(pot_[0]->InnerLimit(), pot_[1]->InnerLimit());
    const double rout = std::max(pot_[0]->OuterLimit(), pot_[1]->OuterLimit());
    const double span = rout - rin;
    grid_.r0 = std::max(0.05, rin - 0.3 * span);
    grid_.n = 6000;
    grid_.h = (rout + 0.6 * span - grid_.r0) / (grid_.n - 1);
    for (int s = 0; s < 2; ++s) {
        U_[s].resize(static_cast<std::size_t>(grid_.n));
        for (int i = 0; i < grid_.n; ++i) U_[s][static_cast<std::size_t>(i)] = (*pot_[s])(grid_.R(i));
    }
}

const Eigenstate& WavefunctionSet::Solve(int s, int v, double K, long key) {
    const auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    std::vector<double> V(U_[s - 1]);
    for (int i = 0; i < grid_.n; ++i) {
        const double r = grid_.R(i);
        V[static_cast<std::size_t>(i)] += kRotationConstant / mu_ * K / (r * r);
    }
    return cache_.emplace(key, SolveRadial(V, grid_, mu_, v)).first->second;
}

const Eigenstate& WavefunctionSet::Get(int s, int v, int N) {
    const int lambda = state_[s - 1]->def.lambda;
    const double K = static_cast<double>(N) * (N + 1) - lambda * lambda;
    return Solve(s, v, K, static_cast<long>(s) * 1000000L + v * 1000L + N);
}

const Eigenstate& WavefunctionSet::Rotationless(int s, int v) {
    return Solve(s, v, 0.0, static_cast<long>(s) * 1000000L + v * 1000L + 999);
}

double SystemData::EinsteinA(int vUp, int vLow) const {
    const double nu = origin[static_cast<std::size_t>(vUp)][static_cast<std::size_t>(vLow)];
    return kEinsteinFactor * degeneracy * nu * nu * nu *
           strength[static_cast<std::size_t>(vUp)][static_cast<std::size_t>(vLow)];
}

double SystemData::Lifetime(int vUp) const {
    double sum = 0.0;
    for (int vl = 0; vl <= lower.def.vmax; ++vl) sum += EinsteinA(vUp, vl);
    return sum > 0.0 ? 1e9 / sum : 0.0;
}

SystemData BuildSystem(const EntryDefinition& def, const std::filesystem::path& source, const std::string& sourceName,
                       const std::vector<SystemData>& earlier) {
    SystemData s;
    s.def = def;
    s.upper = LoadState(def.upper, source, def.folder, sourceName);
    s.lower = LoadState(def.lower, source, def.folder, sourceName);
    const std::string trName = sourceName + "/" + def.folder + "/transitions.csv";
    s.published = ReadTransitions(source / def.folder / "transitions.csv", trName);
    const int L1 = def.upper.lambda, L2 = def.lower.lambda;
    s.degeneracy = (2 - (L1 + L2 == 0 ? 1 : 0)) / (2 - (L1 == 0 ? 1 : 0));
    const int nu = def.upper.vmax + 1, nl = def.lower.vmax + 1;

    for (int v = 0; v < nu; ++v)
        s.nmaxrot.push_back(def.nmaxrot[std::min(static_cast<std::size_t>(v), def.nmaxrot.size() - 1)]);

    // Band origins on the common energy scale of the folder.
    s.origin.assign(static_cast<std::size_t>(nu), std::vector<double>(static_cast<std::size_t>(nl)));
    for (int a = 0; a < nu; ++a)
        for (int b = 0; b < nl; ++b)
            s.origin[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] =
                s.upper.levels[static_cast<std::size_t>(a)][kT] - s.lower.levels[static_cast<std::size_t>(b)][kT];

    // Rotationless Franck-Condon factors from the RKR potentials of the constants.
    WavefunctionSet wf(s.upper, s.lower, def.reducedMass);
    s.fcf.assign(static_cast<std::size_t>(nu), std::vector<double>(static_cast<std::size_t>(nl)));
    for (int a = 0; a < nu; ++a)
        for (int b = 0; b < nl; ++b) {
            const double o = Overlap(wf.Rotationless(1, a).psi, wf.Rotationless(2, b).psi, wf.Grid());
            s.fcf[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = o * o;
        }

    // Band strengths |R|^2 (debye^2): published where the folder has them.
    s.strength.assign(static_cast<std::size_t>(nu), std::vector<double>(static_cast<std::size_t>(nl), 0.0));
    s.provenance.assign(static_cast<std::size_t>(nu), std::vector<char>(static_cast<std::size_t>(nl), '0'));
    int nPublished = 0;
    double sumSF = 0.0, sumFF = 0.0;
    for (int a = 0; a < nu; ++a)
        for (int b = 0; b < nl; ++b) {
            const double nuBand = s.origin[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
            const double fcfCalc = s.fcf[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
            if (def.bands == "A_band") {
                const auto it = s.published.aBand.find({a, b});
                if (it == s.published.aBand.end()) continue;
                if (!(nuBand > 0.0))
                    throw FileError::In(trName, "the band (" + std::to_string(a) + "," + std::to_string(b) +
                                                    ") has no positive origin with the constants of the catalogue");
                const double S = it->second / (kEinsteinFactor * s.degeneracy * nuBand * nuBand * nuBand);
                s.strength[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = S;
                s.provenance[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = 'p';
                sumSF += S * fcfCalc;
                sumFF += fcfCalc * fcfCalc;
                ++nPublished;
            } else if (def.bands == "FCF") {
                const auto it = s.published.fcf.find({a, b});
                if (it == s.published.fcf.end()) continue;
                s.strength[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = it->second;  // scaled below
                s.provenance[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = 'f';
                ++nPublished;
            }
        }
    if (def.bands != "none" && nPublished == 0)
        throw FileError::In(trName, "has no " + def.bands + " row inside the v ranges of the catalogue");

    // The constant transition moment of computed bands.
    if (def.tdm == "own") {
        if (def.bands == "A_band") {
            s.re2 = sumSF / sumFF;
            s.re2Note = "fitted to the " + std::to_string(nPublished) + " published band coefficients";
        } else {
            s.re2 = 1.0;
            s.re2Note = "unit moment (relative band strengths only)";
        }
    } else {
        const auto it =
            std::find_if(earlier.begin(), earlier.end(), [&](const SystemData& e) { return e.def.folder == def.tdm; });
        if (it == earlier.end())
            throw std::runtime_error("catalogue entry " + def.folder + ": the moment is borrowed from \"" + def.tdm +
                                     "\", which is not an earlier entry");
        s.re2 = it->re2;
        s.re2Note = "borrowed from " + def.tdm + " (same electronic moment assumed)";
    }
    for (int a = 0; a < nu; ++a)
        for (int b = 0; b < nl; ++b) {
            auto& S = s.strength[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
            char& p = s.provenance[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
            if (p == 'f') S *= s.re2;
            if (p == '0' && (def.bands == "none" || def.missingBands == "computed")) {
                S = s.re2 * s.fcf[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
                p = 'c';
            }
        }

    // Reference lifetime of v' = 0.
    if (def.referenceLifetime == "measured") {
        const auto range = s.published.lifetime.equal_range(0);
        const auto count = std::distance(range.first, range.second);
        if (count != 1)
            throw FileError::In(trName, "the catalogue takes the measured v' = 0 lifetime, but there are " +
                                            std::to_string(count) + " lifetime rows for v' = 0");
        s.referenceLifetime = range.first->second;
        s.referenceNote = "measured lifetime of v' = 0";
    } else if (def.absoluteScale) {
        s.referenceLifetime = s.Lifetime(0);
        s.referenceNote = "1 / sum of the band coefficients of v' = 0";
    } else {
        // Unit-moment strengths give no lifetime: the catalogue writes none (0).
        s.referenceLifetime = 0.0;
        s.referenceNote = "none: no lifetime or band coefficient, relative strengths only";
    }
    // A measured lifetime (of the lowest rotational level, F1 N' = Lambda') is radiative only when
    // that level does not predissociate.
    const auto predissociates = [&](int v) {
        return std::any_of(def.predissociation.begin(), def.predissociation.end(), [&](const PredissociationRule& p) {
            return p.v == v && p.nFrom <= L1 && L1 <= p.nTo &&
                   std::find(p.components.begin(), p.components.end(), 1) != p.components.end();
        });
    };
    if (def.referenceLifetime == "measured" && predissociates(0))
        throw FileError::In(
            trName,
            "the measured v' = 0 lifetime cannot be the radiative reference: the catalogue predissociates v' = 0");
    if (def.levelLifetimes)
        for (const auto& [v, tau] : s.published.lifetime) {
            if (v > def.upper.vmax) continue;
            if (s.levelLifetime.count(v))
                throw FileError::In(trName, "more than one lifetime for v' = " + std::to_string(v));
            if (predissociates(v))
                throw FileError::In(trName, "the lifetime of v' = " + std::to_string(v) +
                                                " is not radiative: the catalogue predissociates that level");
            s.levelLifetime[v] = tau;
        }
    for (const auto& p : def.predissociation) {
        if (p.v > def.upper.vmax)
            throw std::runtime_error("catalogue entry " + def.folder +
                                     ": predissociation for v' = " + std::to_string(p.v) + " beyond the upper levels");
        bool found = false;
        const int listedV = p.fromV >= 0 ? p.fromV : p.v;
        for (auto [it, end] = s.published.predissociation.equal_range(listedV); it != end; ++it)
            if (std::fabs(it->second - p.rateFrom) <= 1e-6 * it->second ||
                std::fabs(it->second - p.rateTo) <= 1e-6 * it->second)
                found = true;
        if (!found)
            throw FileError::In(trName, "has no predissociation rate " + Num(p.rateFrom) +
                                            " for v' = " + std::to_string(listedV) + " (named in the catalogue)");
    }

    // Energy zeros: the band loader subtracts the lowest lower level and places the reference level
    // of the upper state at T(v'=0) + UpperTermOrigin.
    if (!def.absoluteEnergies) {
        // The lowest lower level: in case (b) labels of a regular state (A > 0) the single
        // J = Lambda - 1/2 level (F2), else F1 at row Lambda.
        const bool lowestInF2 = def.lower.lambda >= 1 && def.lower.labels == 'b' && s.lower.levels[0][kA] > 0.0;
        const double ez0 = EngineRowEnergy(s.lower, L2, lowestInF2 ? 2 : 1, 1);
        const double ref = EngineRowEnergy(s.upper, L1, 1, 1);
        s.upperTermOrigin = ref - static_cast<float>(s.upper.levels[0][kT]) - ez0;
    }

    // Per-band rotational records from the rotating potentials.
    if (def.layout == "rotating") {
        s.rows.assign(static_cast<std::size_t>(nu),
                      std::vector<std::vector<std::array<double, 5>>>(static_cast<std::size_t>(nl)));
        for (int a = 0; a < nu; ++a)
            for (int b = 0; b < nl; ++b) {
                const char p = s.provenance[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
                const double S = s.strength[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
                const double F0 = s.fcf[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
                auto& rows = s.rows[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
                for (int N = L2; N <= s.nmaxrot[static_cast<std::size_t>(a)]; ++N) {
                    std::array<double, 5> rec{};
                    for (int d = -2; d <= 2; ++d) {
                        const int Nu = N + d;
                        if (Nu < L1 || p == '0') continue;
                        const double o = Overlap(wf.Get(1, a, Nu).psi, wf.Get(2, b, N).psi, wf.Grid());
                        // Published strengths keep their value and take the rotational change of the
                        // overlap; computed ones are the moment times the rotating overlap.
                        rec[static_cast<std::size_t>(d + 2)] =
                            p == 'c' ? s.re2 * o * o : (F0 > 1e-12 ? S * o * o / F0 : S);
                    }
                    rows.push_back(rec);
                }
            }
    }
    return s;
}

}  // namespace velmora::datagen

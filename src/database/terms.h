// Rotational term values of a doublet electronic state (2Σ, 2Π, 2Δ) from its molecular constants.
#pragma once

#include <string_view>

#include "database/database_state.h"

namespace velmora::database {

/// Fills target(N, F, p) with the term values (cm-1) of the level whose constants are in
/// db.LevelConst, for a state with the given Λ (0, 1, 2) and constant convention (Σ: 0, 1;
/// Π: 0..3; Δ: one form). Rows 0..rows + 3 are cleared first; Λ or a convention outside these
/// leave them at zero. The molecule code that selects the case (a) labelling of "NO" and "CF"
/// is that of the loaded entry (db.LoadedEntry, else db.irad).
void ComputeTerms(DatabaseState& db, int lambda, int rows, TermTable& target, int convention);

/// Spin-orbit ratio A/B of level v of state s (1 upper, 2 lower), with B taken from level vB of
/// state sB: A/B'' of an upper level is the ratio the band rules test. Single precision, as the
/// rules compare it exactly (A/B = 4, A/B = 10); 0 when MolConst does not hold the levels.
float SpinOrbitRatio(const DatabaseState& db, int s, int v, int sB, int vB);
/// A/B of level v of state s.
inline float SpinOrbitRatio(const DatabaseState& db, int s, int v) { return SpinOrbitRatio(db, s, v, s, v); }

/// True when the term tables of a 2Π level with spin-orbit ratio A/B = ratio use the case (a)
/// labelling (the lower level of each block stored as F1 one row higher): A/B above 4, and
/// always for "NO" and "CF".
bool PiCaseALabelling(float ratio, std::string_view molecule);

/// The symmetric 2×2 Hamiltonian block of a 2Π or 2Δ level at J = twoJ/2 in parity block p
/// (1 e, 2 f), over the case (a) basis (|Ω = Λ + 1/2>, |Ω = Λ − 1/2>): the matrix whose
/// eigenvalues ComputeTerms stores, from the 18 constants c of the level (Π: conventions 0..3;
/// Δ: its one form, J ≥ 3/2).
struct HamiltonianBlock {
    double h11 = 0, h12 = 0, h22 = 0;
};
HamiltonianBlock DoubletHamiltonian(const std::array<double, 18>& c, int lambda, int convention, int twoJ, int p);

/// The same with the molecule code given explicitly.
void ComputeTerms(DatabaseState& db, int lambda, int rows, TermTable& target, int convention,
                  std::string_view molecule);

}  // namespace velmora::database

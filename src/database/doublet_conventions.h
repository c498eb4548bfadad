// The constant conventions of the doublet term tables as states of the effective Hamiltonian.
//
// The 18 columns of a .SPC level (T B D H L M A A_D A_H γ γ_D γ_H p p_D p_H q q_D q_H) belong to
// one of the conventions of the doublet term routines; each is the general Hamiltonian with
// these choices (the columns a convention does not use are left out):
//   Σ convention 1: the N² Hamiltonian as it stands (T .. M, γ, γ_D, γ_H).
//   Σ convention 0: L enters as −L, the γ_D and γ_H terms of the F2 levels with the opposite
//       sign, and the labels follow the energy order of the two levels of each J.
//   Π conventions 0 and 2 (2 is converted to 0 when the file is read): the N² Hamiltonian with
//       L as −L and the spin–orbit term A_H ((1/2){N⁴, LzSz} + N² LzSz N²); M is not used.
//   Π conventions 1 and 3: the R² Hamiltonian (B R², −D R⁴, +H R⁶, +L R⁸, the spin–orbit
//       distortion in R² with A_H ((1/2){R⁴, LzSz} + (1/2) R² LzSz R²)), spin–rotation
//       G(J) (N·S − LzSz) and the term p A/(8B) on the Ω = 1/2 diagonal. Convention 3 has the
//       anticommutator Λ-doubling of convention 0, convention 1 P(J) (P − N·S/2) + Q(J) (Q + N²/2).
//   Δ: the N² Hamiltonian with T, B, D, H, A, γ, γ_D and the 2Δ Λ-doubling of p and q.
// A 2Π (or 2Δ) state is labelled in case (b) or in case (a) (the single level of the lowest J
// is F1), as the caller chooses.
#pragma once

#include <array>

#include "database/effective_hamiltonian.h"

namespace velmora::database {

/// True when `convention` is one of the doublet conventions of a state with this Λ.
bool IsDoubletConvention(int lambda, int convention);

/// The doublet state of Λ = 0, 1, 2 whose constants follow `convention`; caseALabelling chooses
/// the case (a) labelling of a Π or Δ state. Throws std::invalid_argument for a convention the
/// state does not have.
ElectronicState DoubletElectronicState(int lambda, bool sigmaMinus, int convention, bool caseALabelling);

/// The constants of one level (the 18 .SPC columns) as the engine takes them in that convention.
StateConstants DoubletLevelConstants(const std::array<double, 18>& columns, int lambda, int convention);

}  // namespace velmora::database

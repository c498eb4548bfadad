// Hönl-London factors and relative emission and absorption coefficients of the loaded band.
#pragma once

#include "database/database_state.h"

namespace velmora::database {

/// Fills LineData quantities 5 (Hönl-London factor), 1 (emission coefficient) and 2 (absorption
/// coefficient) of the branches of one set at lower row N. Σ–Σ and Σ–Π bands get closed-form
/// factors; a band with a Π or Δ upper state takes the factors PiUpperStrengths stored. The
/// second set of a band with two Λ-doublet sets shares factors and transition probabilities
/// with the first. Needs the line positions of the band (ComputeLinePositions) already filled.
void ComputeLineStrengths(DatabaseState& db, int entry, int N, int set);

/// Hönl-London factors LineData(5, 1..12, N) of a band whose upper state has Λ ≥ 1, in
/// intermediate coupling between Hund's cases (a) and (b) of both doublet states, for lower
/// rows up to rows, from the spin-orbit ratios A/B of the upper level vUp and lower level vLow.
/// Closed-form tables give the factors between levels of full 2×2 blocks; the first rows and
/// the lines of the single lowest-J level of each state take exact strengths (exact_strengths.h),
/// 0 for a row that holds no level. Fills db.MixingTable with the mixing coefficients u±, C± of
/// both states.
void PiUpperStrengths(DatabaseState& db, int rows, int entry, int vUp, int vLow);

/// For a lower 2Π state in case (a) labelling (A''/B'' > 4), gives the lines of the lowest lower
/// rows the transition probabilities of the next row (quantity 3). Called by the band loader
/// after the probabilities are read and before the lines are computed.
void CopyCaseAFirstRowProbabilities(DatabaseState& db, int entry, int vLow);

}  // namespace velmora::database

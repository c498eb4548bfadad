// Hönl-London factors and relative emission and absorption coefficients of the loaded band.
#pragma once

#include "database/database_state.h"

namespace velmora::database {

/// Fills LineData quantities 5 (Hönl-London factor), 1 (emission coefficient) and 2 (absorption
/// coefficient) of every branch (both sets of a band with two) at lower rows firstRow..lastRow. Every factor is the
/// exact intermediate-coupling strength (exact_strengths.h) between the two levels the line joins: eigenvectors of the
/// same Hamiltonian blocks as the term values (centrifugal, spin-rotation and Λ-doubling terms included) and 3j
/// symbols; 0 where a level does not exist. The lines of every upper level sum to 2J' + 1, those of a lower level to
/// (2J'' + 1) g'/g'' (g = 2 − δ(0, Λ)). The second set of a band with two Λ-doublet sets shares the transition
/// probabilities of the first. Needs the line positions of the band already filled.
void ComputeLineStrengths(DatabaseState& db, int entry, int firstRow, int lastRow);

/// For a lower 2Π state in case (a) labels, gives the lines of the lowest lower
/// rows the transition probabilities of the next row (quantity 3). Called by the band loader
/// after the probabilities are read and before the lines are computed.
void CopyCaseAFirstRowProbabilities(DatabaseState& db, int entry, int vLow);

}  // namespace velmora::database

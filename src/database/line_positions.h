// Line positions of the rotational branches of the loaded band.
#pragma once

#include "database/database_state.h"

namespace velmora::database {

/// Shape of a branch: upper rotational row minus lower row, and the spin components
/// (1 = F1, 2 = F2) of the upper and the lower level.
struct BranchShape {
    int deltaN;
    int upperF;
    int lowerF;
};

/// The shape of branch b (1..24; branch b + 12 repeats branch b).
BranchShape BranchShapeOf(int b);

/// Twice J of the level at row N of component F (F1: J = N + 1/2, F2: J = N − 1/2).
inline int TwiceJ(int N, int F) { return 2 * N + (F == 1 ? 1 : -1); }

/// True when branch b (1..12 of a set) has a line at lower row N in a band whose upper state
/// has the given Λ (the first rows of some branches hold no level).
bool BranchRowExists(int b, int N, int lambdaUpper);

/// The two levels a line joins, as the term tables of the loaded band hold them: row, spin
/// component (1 F1, 2 F2) and parity block (1 e, 2 f) of the upper and the lower level.
struct LineLevels {
    int upRow = 0, upF = 1, upBlock = 1;
    int lowRow = 0, lowF = 1, lowBlock = 1;
};

/// The levels of branch b (1..24) at lower row N of a band of the entry. For a Σ upper state
/// the lower parity blocks come from the entry table; otherwise each set takes one Λ-doublet
/// component of both states, and over a Σ lower state the e/f label of the lower level fixes
/// the upper block (ΔJ = ±1 keeps the label, ΔJ = 0 changes it).
LineLevels BranchLevels(const DatabaseState& db, int entry, int b, int N);

/// Fills LineData(4, b + 12 (set − 1), N), b = 1..12, with the line positions (cm-1, upper term
/// minus lower term; 0 = no line) of lower row N, from UpperTerm and LowerTerm of the loaded band
/// (db.LoadedVUpper, db.LoadedVLower). Applies the low-row corrections and removes every position
/// of row N below 2000 cm-1.
void ComputeLinePositions(DatabaseState& db, int entry, int N, int set);

}  // namespace velmora::database

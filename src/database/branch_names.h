// Names of rotational branches.
//
// A branch is named by the letter of ΔN = N' − N'' (N O P Q R S T for −3 .. +3), then the upper
// F index, then the lower F index when it differs: P1, Q2, R3, O12, P23, Q32 (the rule of the
// curated data). Between states of equal spin ΔJ = ΔN + F'' − F' (F is J = N + S + 1 − F). The
// two-letter form puts the ΔJ letter (P Q R) after the ΔN letter for the satellites: OP12, QR12,
// PQ23 (main branches keep one letter). The ΔJ form names a line by its ΔJ letter alone: P12,
// R12, Q21 (the J nomenclature of the database tables). Singlet branches are the letter alone.
#pragma once

#include <string>

#include "database/effective_hamiltonian.h"

namespace velmora::database {

/// ΔN, ΔJ and the F labels of a line.
struct BranchLabel {
    int deltaN = 0, deltaJ = 0;
    int upperF = 1, lowerF = 1;
};

/// The ΔN letter (P1, O12), the ΔN letter with the ΔJ letter of the satellites (P1, OP12), or
/// the ΔJ letter (P1, P12).
enum class BranchNotation { deltaN, deltaNdeltaJ, deltaJ };

/// The branch of a line from ΔN and the F labels, or from ΔJ and the F labels.
BranchLabel BranchFromDeltaN(int deltaN, int upperF, int lowerF);
BranchLabel BranchFromDeltaJ(int deltaJ, int upperF, int lowerF);

/// The branch of the line between two levels (N as their labels give it).
BranchLabel BranchOf(const RotationalLevel& upper, const RotationalLevel& lower);

/// The name of a branch; "?" for a |ΔN| above 3 or |ΔJ| above 1. `singlet` leaves out the F
/// indices.
std::string BranchName(const BranchLabel& branch, BranchNotation notation = BranchNotation::deltaN,
                       bool singlet = false);

}  // namespace velmora::database

#include "database/branch_names.h"

#include <cstdlib>

namespace velmora::database {

BranchLabel BranchFromDeltaN(int deltaN, int upperF, int lowerF) {
    return {deltaN, deltaN + lowerF - upperF, upperF, lowerF};
}

BranchLabel BranchFromDeltaJ(int deltaJ, int upperF, int lowerF) {
    return {deltaJ - lowerF + upperF, deltaJ, upperF, lowerF};
}

BranchLabel BranchOf(const RotationalLevel& upper, const RotationalLevel& lower) {
    return {upper.N - lower.N, (upper.twoJ - lower.twoJ) / 2, upper.F, lower.F};
}

std::string BranchName(const BranchLabel& b, BranchNotation notation, bool singlet) {
    if (std::abs(b.deltaN) > 3 || std::abs(b.deltaJ) > 1) return "?";
    const char deltaJ = "PQR"[b.deltaJ + 1];
    std::string name(1, notation == BranchNotation::deltaJ ? deltaJ : "NOPQRST"[b.deltaN + 3]);
    if (singlet) return name;
    if (b.upperF == b.lowerF) return name + std::to_string(b.upperF);
    if (notation == BranchNotation::deltaNdeltaJ) name += deltaJ;
    return name + std::to_string(b.upperF) + std::to_string(b.lowerF);
}

}  // namespace velmora::database

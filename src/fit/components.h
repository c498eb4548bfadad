// The fitted model split into the parts a spectroscopist reads: per band system, per
// vibrational band (v', v'') and per rotational branch of a band. Every component is drawn from
// the same lines with the same instrument function and normalisation as the model itself, so the
// bands of a system add up to that system's part of the model (and the branches to their band).
#pragma once

#include <string>
#include <vector>

namespace velmora::fit {

/// How finely a result splits its model.
enum class ComponentDetail {
    Systems = 0,   ///< one part per band system only (FitResult::parts)
    Bands = 1,     ///< and one per vibrational band
    Branches = 2,  ///< and one per branch of each band
};

/// One component of the fitted model over every measured point (y units, baseline excluded).
struct FitComponent {
    int system = 0;         ///< band system, 0-based
    int vUp = 0, vLow = 0;  ///< the band
    int branch = 0;         ///< 1..24 for a branch; 0 for the whole band
    std::string label;      ///< "OH (A-X) (0-0)", "OH (A-X) (0-0) Q1"
    std::vector<double> values;
};

/// The label of a band or branch component: "<system> (v'-v'')", then the branch name.
std::string ComponentLabel(const std::string& system, int vUp, int vLow, const std::string& branch);

}  // namespace velmora::fit

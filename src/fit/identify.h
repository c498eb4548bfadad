// Naming a species the fit left out: every other band system of the catalogue is drawn over the
// fitted range at the fit's instrument widths and axis calibration, and fitted to the residual
// alone — its own temperature (scanned over 300 to 50 000 K, then refined) and a scale of at
// least 0, with a constant — and ranked by the share of the residual's chi-square it removes.
// The x ranges where its lines remove most of it are its evidence. A candidate is a suggestion:
// nothing is added to the fit.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "database/database_state.h"
#include "fit/fit_spectrum.h"

namespace velmora::fit {

/// One band system tried on the residual of a fit.
struct SpeciesCandidate {
    int entry = 0;             ///< catalogue entry
    std::string system;        ///< molecule and system as the catalogue names it, "CH (B-X)"
    double share = 0.0;        ///< of the residual's chi-square removed, 0..1
    double temperature = 0.0;  ///< K, fitted on the residual
    double scale = 0.0;        ///< integrated intensity over the fitted range, y · axis unit
    /// Where its lines remove most of the residual, the most first (x ranges in the axis unit).
    std::vector<std::pair<double, double>> ranges;
};

/// The candidates of a fit's residual.
struct SpeciesSearch {
    std::vector<SpeciesCandidate> candidates;  ///< every system with lines in the range, best first
    std::vector<std::string> outside;          ///< the systems without a line in the fitted range
};

/// Loads catalogue entry N as a band system of the request's conditions.
using SystemLoader = std::function<FitSystem(int entry)>;

/// Tries every entry of the catalogue that the fit does not hold on the residual of `fit` (a
/// result of `request`), on `request.options.threads` threads. `load` defaults to LoadFitSystem
/// on the catalogue. Throws FitCancelled when cancelled.
SpeciesSearch IdentifySpecies(const FitRequest& request, const FitResult& fit, const DatabaseState& catalogue,
                              const SystemLoader& load = {});

/// One line per candidate: "CH (B-X)  entry 7: explains 89.6 % of the residual at T = 3200 K,
/// scale 4.12 y·Å; at 3889.0-3896.2, 3871.3-3874.0 Å".
std::vector<std::string> CandidateLines(const SpeciesSearch& search, const std::string& axisUnit);

}  // namespace velmora::fit

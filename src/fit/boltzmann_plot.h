// The Boltzmann plot of an emission spectrum: the populations of the upper rotational levels of
// one v' fitted level by level (no rotational Boltzmann assumption), ln(N/g) against the level
// energy, and the straight line whose slope −1/kT gives the rotational temperature.
//
// The axis, instrument widths and baseline come from a spectrum fit of the same request first;
// with them fixed the spectrum is linear in the level populations, so those follow from one
// weighted linear least-squares solution, with the other vibrational levels (thermal within
// themselves) free in amplitude, and the baseline re-solved.
#pragma once

#include <string>
#include <vector>

#include "fit/fit_spectrum.h"
#include "fit/level_separation.h"

namespace velmora::fit {

/// One upper rotational level of the plot.
struct BoltzmannLevel {
    int component = 1;  ///< of the population model: doublets 1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e; any multiplicity
                        ///< F (e) or F + 2S + 1 (f); 0 a line list's level
    int row = 0;        ///< N
    double J = 0.0;
    double energy = 0.0;      ///< rotational energy, cm-1
    double degeneracy = 0.0;  ///< g = 2J + 1 (times the nuclear-spin weight)
    double population = 0.0;  ///< N, relative (unit population draws the level's lines at unit weight)
    double sigma = 0.0;       ///< its standard uncertainty
    double lnPerG = 0.0;      ///< ln(N/g); NaN when N is not above 0
    double lnSigma = 0.0;     ///< σ/N
    bool used = false;        ///< in the straight-line fit: N above twice its uncertainty
};

/// The plot and its straight line ln(N/g) = a − E/kT.
struct BoltzmannPlot {
    std::string system;
    int v = 0;
    std::vector<BoltzmannLevel> levels;
    double intercept = 0.0, slope = 0.0, slopeSigma = 0.0;  ///< slope in 1/cm-1
    double temperature = 0.0, temperatureSigma = 0.0;       ///< K
    double reducedChiSquare = 0.0;                          ///< of the straight line
    FitResult spectrumFit;                                  ///< the fit that fixed axis and instrument
    LevelSeparation separation;                             ///< how well the instrument separates the levels
    std::vector<std::string> warnings;
};

/// Fits the Boltzmann plot of upper level v' = v of the request's one band system. The levels
/// and their energies and degeneracies are those of the system's population source (the
/// catalogue's, or the 2S + 1 components of a system of any multiplicity); a line list has one
/// set of upper levels, v = 0, each with the lines of its Einstein A values (component 0, N
/// its index among the list's levels, the energy above its lowest upper level). Throws
/// FitInputError for a request that is not one emission band system, a v' without lines in the
/// spectrum, levels the instrument does not separate (level_separation.h; the message gives the
/// resolution they need), more level populations than one solution holds, or fewer than 3 levels
/// determined well enough for a straight line; the errors of FitSpectrum otherwise.
BoltzmannPlot FitBoltzmannPlot(const FitRequest& request, int v);

/// Writes the levels (component, N, J, energy, g, N, σ, ln(N/g), σ, used) and the line as CSV.
void WriteBoltzmannCsv(const std::string& path, const BoltzmannPlot& plot);

}  // namespace velmora::fit

// One band system assembled from its data-src folder: the constants of both states, band origins,
// Franck-Condon factors and band strengths, the reference lifetime and the energy zero.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "build_config.h"
#include "hamiltonian.h"
#include "vibration.h"

namespace velmora::datagen {

/// Einstein A (s-1) = kEinsteinFactor * g * nu^3 (cm-1) * |R|^2 (debye^2), g the degeneracy
/// factor (2 - delta(0, L' + L'')) / (2 - delta(0, L')) of the transition.
inline constexpr double kEinsteinFactor = 3.1361891e-7;

/// The constants of one electronic state, v = 0..vmax.
struct StateData {
    StateDefinition def;
    std::vector<LevelConstants> levels;                 ///< physical constants per v (T on the common scale)
    bool polynomial = false;                            ///< written as polynomials in v + 1/2 (format 2)
    std::array<std::vector<double>, kConstCount> poly;  ///< coefficients of a polynomial state
    Polynomial G;  ///< vibrational energy above the potential minimum, in h = v + 1/2
    Polynomial B;  ///< rotational constant in h
    std::string provenance;
};

/// The transition data of a folder (transitions.csv).
struct PublishedTransitions {
    std::map<std::pair<int, int>, double> aBand;  ///< (v', v'') -> s-1
    std::map<std::pair<int, int>, double> fcf;
    std::multimap<int, double> lifetime;         ///< v' -> ns (as listed; may be total lifetimes)
    std::multimap<int, double> predissociation;  ///< v' -> s-1
};

/// A complete band system ready to be written.
struct SystemData {
    EntryDefinition def;
    StateData upper, lower;
    PublishedTransitions published;
    int degeneracy = 1;  ///< g of kEinsteinFactor
    /// Per band (v' rows, v'' columns).
    std::vector<std::vector<double>> origin;    ///< T(v') - T(v''), cm-1
    std::vector<std::vector<double>> fcf;       ///< computed, rotationless
    std::vector<std::vector<double>> strength;  ///< |R(v',v'')|^2 written, debye^2
    std::vector<std::vector<char>> provenance;  ///< 'p' published A, 'f' published FCF, 'c' computed, '0' zero
    double re2 = 0.0;                           ///< constant |Re|^2 (debye^2) of computed bands
    std::string re2Note;
    double referenceLifetime = 0.0;  ///< ns
    std::string referenceNote;
    double upperTermOrigin = 0.0;  ///< cm-1
    std::vector<int> nmaxrot;      ///< per v'
    /// Rotating per-band records: [v'][v''][N'' - Lambda''] = strengths for dN = -2..+2.
    std::vector<std::vector<std::vector<std::array<double, 5>>>> rows;
    std::map<int, double> levelLifetime;  ///< v' -> ns written into the level files

    double EinsteinA(int vUp, int vLow) const;
    double Lifetime(int vUp) const;  ///< 1 / sum of the band Einstein coefficients, ns
};

/// Loads the constants of a state (per-level table or equilibrium row) and checks them.
StateData LoadState(const StateDefinition& def, const std::filesystem::path& source, const std::string& folder,
                    const std::string& sourceName);

/// Builds a system; `earlier` holds the systems built before it (for a borrowed moment).
SystemData BuildSystem(const EntryDefinition& def, const std::filesystem::path& source, const std::string& sourceName,
                       const std::vector<SystemData>& earlier);

/// The value the program's term routine stores at (row, F, parity block p) of v = 0 of a state,
/// from the same Hamiltonian (used to place the energy zeros the way the band loader does).
double EngineRowEnergy(const StateData& state, int row, int F, int p);

/// Vibrational functions of both states of a system on one grid, rotationless or rotating.
class WavefunctionSet {
public:
    WavefunctionSet(const StateData& upper, const StateData& lower, double mu);
    /// The function of level v, rotational row N (K = N(N+1) - Lambda^2) of state s (1 upper, 2 lower).
    const Eigenstate& Get(int s, int v, int N);
    /// The rotationless function (K = 0).
    const Eigenstate& Rotationless(int s, int v);
    const RadialGrid& Grid() const { return grid_; }
    double Mu() const { return mu_; }

private:
    const Eigenstate& Solve(int s, int v, double K, long key);
    const StateData* state_[2];
    RkrPotential* pot_[2];
    std::vector<RkrPotential> pots_;
    std::vector<double> U_[2];
    RadialGrid grid_;
    double mu_;
    std::map<long, Eigenstate> cache_;
};

}  // namespace velmora::datagen

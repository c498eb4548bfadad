// The lines of one vibrational band between two electronic states of any spin, straight from the
// levels of the effective Hamiltonian (effective_hamiltonian.h): positions, Hönl-London factors,
// Einstein coefficients, branch names and nuclear-spin weights, and the band heads they form.
//
// Branch names use the ΔN-letter form of branch_names.h (P1, Q2, R3, O12, P23, Q32): the case (b)
// ΔN letter, then the upper and, for satellites, the lower F index, F1 being J = N + S. Every
// table, file and label of a band of any multiplicity names its branches this way.
#pragma once

#include <string>
#include <vector>

#include "database/branch_names.h"
#include "database/effective_hamiltonian.h"
#include "database/honl_london.h"
#include "database/nuclear_spin.h"
#include "database/state_description.h"

namespace velmora::database {

/// The engine's state for a catalogue state description: Λ, 2S, Σ⁻ and the F labelling (case (b)
/// where the description gives none).
ElectronicState EngineStateOf(const StateDescription& state);

/// The nuclear-spin weights of a molecule; equal weights for a heteronuclear one.
NuclearSpinWeights NuclearSpinWeightsOf(const NuclearSpin& spin);

/// The nuclear-spin weight of a level of one of the system's states: 1 for a heteronuclear
/// molecule, else the weight of its exchange symmetry (0: the level does not exist).
double LevelNuclearWeight(const SystemDescription& system, const StateDescription& state, const RotationalLevel& level);

/// One level a line joins.
struct LineLevel {
    int twoJ = 0;
    int F = 1;
    int N = 0;
    Parity parity = Parity::e;
    double energy = 0;  ///< term value, cm-1, on the scale of the constants
};

/// The quantum numbers, label and term value of a level.
LineLevel LineLevelOf(const RotationalLevel& level);

/// One rotational line of a band.
struct MultipletLine {
    LineLevel upper, lower;
    BranchLabel branch;
    double nu = 0;             ///< position, cm-1 (vacuum wavenumber)
    double honlLondon = 0;     ///< Σ over the lines of an upper level = 2J' + 1
    double einsteinA = 0;      ///< A(band) S / (2J' + 1), s-1
    double nuclearWeight = 1;  ///< of both levels (radiation keeps the exchange symmetry)
};

/// The lines of a band (v', v''), in order of J', then J''.
struct MultipletBand {
    double bandA = 0;  ///< band Einstein coefficient, s-1
    std::vector<MultipletLine> lines;
};

/// The lines of the band between two vibrational levels of a system's states, up to J' = twoJMax/2
/// (the lower levels to one J more), whose Hönl-London factor exceeds `minimum`. Lines between
/// levels whose nuclear-spin weight is 0 (¹²C2: the antisymmetric levels) do not exist and are
/// left out. Throws std::invalid_argument for a state the engine does not compute.
MultipletBand BuildMultipletBand(const SystemDescription& system, const StateConstants& upper,
                                 const StateConstants& lower, double bandA, int twoJMax, double minimum = 1e-9);

/// The same from the levels of both vibrational levels (built with EngineStateOf of the system's
/// states), so that the levels of each v are computed once for all bands of a system.
MultipletBand BuildMultipletBand(const SystemDescription& system, const StateLevels& upper, const StateLevels& lower,
                                 double bandA, double minimum = 1e-9);
/// The same with the projections of the levels (UpperProjections, LevelProjections of `lower`),
/// formed once per vibrational level, and the dipoles of the two states, formed once per system.
MultipletBand BuildMultipletBand(const SystemDescription& system, const StateLevels& upper,
                                 const LevelProjections& upperProjections, const StateLevels& lower,
                                 const LevelProjections& lowerProjections, const SlotDipoles& dipoles, double bandA,
                                 double minimum = 1e-9);
/// The projections of the upper levels of a system, those of nuclear-spin weight 0 (which have no
/// lines) marked unwanted.
LevelProjections UpperProjections(const SystemDescription& system, const StateLevels& upper);

/// The name of a line's branch (ΔN form; the letter alone between singlets).
std::string BranchNameOf(const SystemDescription& system, const MultipletLine& line);

/// A band head: the turning point of the positions along one branch (its lines of one lower
/// parity, in order of J'').
struct BandHead {
    BranchLabel branch;
    Parity lowerParity = Parity::e;
    int twoJLower = 0;  ///< the line at the head
    double nu = 0;      ///< cm-1
};

/// The heads of a band: every interior minimum (a band degraded to the violet) or maximum (to the
/// red) of ν(J'') along a branch, taking only lines whose factor S/(2J' + 1) is at least
/// `minimumShare` and whose J' and J'' are at least S + Λ of their state, where the F labels of a
/// multiplet follow its Ω ladders. Sorted by wavenumber.
std::vector<BandHead> BandHeads(const SystemDescription& system, const MultipletBand& band, double minimumShare = 0.05);

/// The relative emission of a line of a thermal population at temperatureK (photons per unit
/// time): g_ns (2J' + 1) exp(−E'/kT) A, with E' above `upperZero` (cm-1).
double ThermalEmission(const MultipletLine& line, double upperZero, double temperatureK);

}  // namespace velmora::database

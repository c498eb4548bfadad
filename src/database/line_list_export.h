// A band system as a line list for other programs: every rotational level that a line of the
// system joins, with its energy, degeneracy and labels, and every line with its Einstein A.
//
// Conventions, the same in every format written from it:
//   - the lines are those of the database (LoadBand): every line whose upper level lies within
//     the catalogue's rotational rows of its v', the very lines `lines` lists, the simulation
//     draws and whose A values make the lifetimes; the levels are the levels those lines join;
//   - energies (cm-1) are the program's term values (double precision) measured from the lowest
//     level of the list, the lowest rotational level of v'' = 0 of the lower state; a line's
//     position is the difference of its two energies;
//   - the degeneracy of a level is g = g_ns (2J + 1), with the nuclear-spin degeneracy g_ns of the
//     isotopologue: (2I1 + 1)(2I2 + 1) for a heteronuclear molecule; for two identical nuclei the
//     weight of the levels symmetric or antisymmetric under their exchange, from the total
//     parity of the level and the g/u symmetry of its state (both from the descriptions of the
//     molecule and its states, as the populations take them);
//   - A (s-1) is the spontaneous emission rate from the upper level into that one line: the
//     line's share of its level's emission coefficients over the radiative lifetime of the level,
//     so that the A of the lines leaving a level sum to 1 / lifetime of `lifetimes`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/services.h"
#include "database/database_state.h"
#include "database/isotopologue.h"
#include "database/multiplet_catalogue.h"
#include "database/nuclear_spin.h"

namespace velmora::database {

/// One rotational level of the list.
struct ExportedLevel {
    int id = 0;           ///< 1-based, in order of energy
    double energy = 0.0;  ///< cm-1 above the lowest level
    double J = 0.5;
    char parity = 'e';       ///< e or f
    char totalParity = '+';  ///< + or -: (-1)^(J - 1/2) for e levels, the opposite for f levels
    int state = 2;           ///< electronic state: 1 upper, 2 lower
    int v = 0;
    int N = 0;                        ///< Hund's case (b) row
    int F = 1;                        ///< spin component F1 .. F(2S + 1)
    int lambda = 0;                   ///< Λ
    double sigma = 0.5, omega = 0.5;  ///< nominal case (a) labels Σ and Ω = Λ + Σ
    std::string label;                ///< electronic state label ("X", "A" ...)
    int nuclearSpin = 1;              ///< g_ns
    double lifetime = 0.0;            ///< radiative lifetime (ns) of an upper level, 0 for a lower one
    int G() const { return nuclearSpin * static_cast<int>(2.0 * J + 1.0 + 0.5); }
};

/// One line: upper and lower level ids, Einstein A, position and branch name.
struct ExportedLine {
    int upper = 0, lower = 0;
    double A = 0.0;   ///< s-1
    double nu = 0.0;  ///< cm-1, E(upper) - E(lower)
    std::string branch;
    int vUp = 0, vLow = 0;  ///< the band
};

/// The line list of one band system.
struct ExportedLineList {
    std::string molecule;             ///< as the catalogue shows it ("OH", "N2+")
    std::string system;               ///< " (A-X)"
    Isotopologue isotopologue;        ///< told from the molecule's name and the catalogue's mass
    int hitranMolecule = 0;           ///< HITRAN's molecule number (0: not a HITRAN molecule)
    int hitranIsotopologue = 0;       ///< HITRAN's isotopologue number of it
    bool homonuclearWeights = false;  ///< two identical nuclei: ortho and para levels
    bool lambdaDoubled = false;       ///< Ω differs between levels: a Π (Δ) or a triplet state
    /// The weights of the symmetric and antisymmetric levels as the catalogue gives them (band
    /// systems of any multiplicity); none: those of the identified nuclei.
    std::optional<NuclearSpinWeights> catalogueWeights;
    double uncertainty = 0.01;          ///< cm-1, of every energy (the .states unc column)
    std::vector<ExportedLevel> levels;  ///< by id - 1
    std::vector<ExportedLine> lines;    ///< in order of increasing position

    /// Partition function of the listed levels: sum of g exp(-c2 E / T).
    double PartitionFunction(double T) const;
    /// Integrated line intensity (cm-1 / (molecule cm-2)) at T in the HITRAN convention, weighted by
    /// the isotopologue's abundance a: a g' A / (8 pi c nu^2) exp(-c2 E'' / T) (1 - exp(-c2 nu / T)) / Q
    /// with Q = PartitionFunction(T).
    double Intensity(const ExportedLine& line, double T, double Q) const;
};

/// The weights of the levels symmetric and antisymmetric under the exchange of the nuclei of a
/// list with homonuclear weights: the catalogue's, else those of its identified nuclei, else 2
/// and 1.
NuclearSpinWeights ExchangeWeights(const ExportedLineList& list);

/// Collects the line list of catalogue entry `entry`: runs the pre-computation of the system
/// (which fixes the absolute units of A and the lifetimes) and loads every band. Throws what the
/// pre-computation and the band loader throw.
ExportedLineList CollectLineList(DatabaseState& db, int entry, Shell& shell);

/// Collects the line list of a band system of any multiplicity: every line of every band of its
/// effective-Hamiltonian system (the lines `lines` lists, after the weak-line cut-off), with the
/// levels they join. Σ and Ω of a level are those of the case (a) function that dominates its
/// eigenvector; g_ns is the catalogue's weight of the level's exchange symmetry; A out of an
/// upper level sum to 1 / lifetime of `lifetimes`, which counts every line before the cut-off.
ExportedLineList CollectMultipletLineList(const MultipletEntry& entry);

}  // namespace velmora::database

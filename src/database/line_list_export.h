// A band system as a line list for other programs: every rotational level that a line of the
// system joins, with its energy, degeneracy and labels, and every line with its Einstein A.
//
// Conventions, the same in every format written from it:
//   - energies (cm-1) are the program's term values measured from the lowest level of the list,
//     the lowest rotational level of v'' = 0 of the lower state;
//   - the degeneracy of a level is g = 2J + 1 (nuclear-spin degeneracy left out, g_ns = 1);
//   - A (s-1) is the spontaneous emission rate from the upper level into that one line: the
//     emission coefficients in the program's absolute units, so that the A of the lines leaving
//     a level sum to the inverse of its radiative lifetime;
//   - a line's position is the program's own line position; it equals the difference of the two
//     term values except where the low-row corrections of the line positions apply.
#pragma once

#include <string>
#include <vector>

#include "common/services.h"
#include "database/database_state.h"

namespace velmora::database {

/// Second radiation constant c2 = hc/k, cm K.
inline constexpr double kSecondRadiationConstant = 1.438776877;

/// One rotational level of the list.
struct ExportedLevel {
    int id = 0;           ///< 1-based, in order of energy
    double energy = 0.0;  ///< cm-1 above the lowest level
    double J = 0.5;
    char parity = 'e';  ///< e or f
    int state = 2;      ///< electronic state: 1 upper, 2 lower
    int v = 0;
    int N = 0;                        ///< Hund's case (b) row
    int F = 1;                        ///< spin component 1 (F1) or 2 (F2)
    int lambda = 0;                   ///< Λ
    double sigma = 0.5, omega = 0.5;  ///< nominal case (a) labels Σ and Ω = Λ + Σ
    std::string label;                ///< electronic state label ("X", "A" ...)
    int G() const { return static_cast<int>(2.0 * J + 1.0 + 0.5); }
};

/// One line: upper and lower level ids, Einstein A, position and branch name.
struct ExportedLine {
    int upper = 0, lower = 0;
    double A = 0.0;   ///< s-1
    double nu = 0.0;  ///< cm-1
    std::string branch;
};

/// The line list of one band system.
struct ExportedLineList {
    std::string molecule;    ///< as the catalogue shows it ("OH", "N2+")
    std::string system;      ///< " (A-X)"
    double mass = 0.0;       ///< amu
    int hitranMolecule = 0;  ///< HITRAN's molecule number (0: not a HITRAN molecule)
    int hitranIsotopologue = 0;
    std::vector<ExportedLevel> levels;  ///< by id - 1
    std::vector<ExportedLine> lines;    ///< by upper level, then lower level

    /// Partition function of the listed levels: sum of g exp(-c2 E / T).
    double PartitionFunction(double T) const;
    /// Integrated line intensity (cm-1 / (molecule cm-2)) at T in the HITRAN convention (isotopic
    /// abundance 1): g' A / (8 pi c nu^2) exp(-c2 E'' / T) (1 - exp(-c2 nu / T)) / Q(T).
    double Intensity(const ExportedLine& line, double T) const;
};

/// Collects the line list of catalogue entry `entry`: runs the pre-computation of the system
/// (which fixes the absolute units of A) and loads every band. Lines with a position and an
/// emission coefficient above 0 are listed, from the lower rows the simulation reads (up to
/// RotRows) to upper levels within the catalogue's rotational rows of their v'. Throws what the pre-computation and the
/// band loader throw.
ExportedLineList CollectLineList(DatabaseState& db, int entry, Shell& shell);

}  // namespace velmora::database

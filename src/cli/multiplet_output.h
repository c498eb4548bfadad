// The database commands of velmora-cli for the band systems of any multiplicity: the lines of a
// band and the lifetimes of the upper levels, from the effective-Hamiltonian system.
#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "database/multiplet_catalogue.h"

namespace velmora::cli {

/// The lines of band (vUp, vLow) as CSV: v_up, v_low, branch (ΔN form: P1, Q2, R3, O12, ...), the
/// F index, N, J and e/f parity of both levels, position (cm-1, vacuum), Hönl-London factor
/// (summing to 2J' + 1 over an upper level), Einstein A (s-1) and the nuclear-spin weight. Throws
/// std::invalid_argument for a band the system does not have.
void WriteMultipletLines(const database::MultipletEntry& entry, int vUp, int vLow, std::ostream& out);

/// The radiative lifetimes of the upper levels in the columns of `lifetimes`: v_up, component (1
/// F1 e, 2 F2 e, 3 F3 e, 4 F1 f, 5 F2 f, 6 F3 f for a triplet), N_up, radiative and effective
/// lifetime (ns; equal: no predissociation is known) and yield 1.
void WriteMultipletLifetimes(const database::MultipletEntry& entry, std::ostream& out);

/// A database table of a band system of any multiplicity, as `table` asks for it.
struct MultipletTableRequest {
    std::string kind;        ///< vibrational, rotational or terms
    int quantity = 4;        ///< 3 Einstein A, 4 positions, 5 Hönl-London factors, 6 lifetimes
    int vUp = 0, vLow = 0;   ///< the band (rotational), the upper level (lifetimes, upper terms)
    bool caseA = true;       ///< rows by J (case a) or N (case b)
    int units = 3;           ///< positions: 1 Å vacuum, 2 Å air, 3 cm-1
    bool upperState = true;  ///< terms: of the upper or the lower state
};

/// Writes the table as the doublet tables are saved (RADICAL, QUANTITY, UNITS, BAND lines, a
/// column-header line, then one row per level; CR-LF line ends; an empty cell where there is no
/// value), atomically. Rotational line tables have one column per branch (ΔN form) and e/f
/// parity of the lower level ("P1 e", "PQ12 f"), one row per lower N (case b) or J (case a);
/// lifetimes and term values one column per spin component and parity ("F1 e" .. "F3 f"), one
/// row per N or J of the level. Returns the number of rows and value columns. Throws
/// std::invalid_argument for a quantity the system has no table of, naming the reason, and
/// FileError when the file cannot be written.
std::pair<int, int> SaveMultipletTable(const database::MultipletEntry& entry, const MultipletTableRequest& request,
                                       const std::string& path);

}  // namespace velmora::cli

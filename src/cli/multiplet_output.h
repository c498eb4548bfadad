// The database commands of velmora-cli for the band systems of any multiplicity: the lines of a
// band and the lifetimes of the upper levels, from the effective-Hamiltonian system.
#pragma once

#include <ostream>

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

}  // namespace velmora::cli

// Rotational distribution files (.rot) of one vibrational level of a state of any spin S: the
// layout of a band system whose levels come from the effective Hamiltonian.
//
// The first line names the columns, "J, F1 e, F2 e, F3 e, F1 f, F2 f, F3 f" for a triplet
// (2S + 1 spin components, each in both e/f parity blocks: "J, e, f" for a singlet); every
// further line holds one J of the state, in increasing J: J, then the population of each
// component at that J, separated by commas. A level the state does not have (F3 at J = 0, the
// f levels of a Σ⁺ state's F1 ...) is written 0. The components are those of the simulation
// model: c = F for the e levels and F + 2S + 1 for the f levels, each at the row of its case (b) N.
// Populations are written with 17 significant digits, so that a file read back holds the very
// numbers that were written.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/bounded_array.h"
#include "database/effective_hamiltonian.h"
#include "database/state_description.h"

namespace velmora::populations {

/// The column line of a rotational file of a state of spin twoS/2.
std::string MultipletRotationalHeader(int twoS);

/// Writes the rotational distribution of level v, rotational(v, c, N), of a state whose levels
/// of that v are `levels`; the target is replaced only when the file is complete. Throws
/// FileError naming the file.
void WriteMultipletRotational(const StateDescription& state, const database::StateLevels& levels,
                              const Array3<double>& rotational, int v, const std::string& path);

/// Reads a rotational distribution written in that layout into level v of `rotational`. The
/// whole file is checked before anything changes: a missing or different column line, a line
/// with another number of fields, a J the state does not have or one given twice, a population
/// that is not a number, negative or not finite, or a population for a level the state does
/// not have is refused with FileError naming the file and the line, and `rotational` is left as
/// it was. Levels of J the file does not list become 0. A level whose populations do not sum to
/// 1 (within 1e-6) is normalised; a file that holds no population at all is refused.
void ReadMultipletRotational(const StateDescription& state, const database::StateLevels& levels,
                             Array3<double>& rotational, int v, const std::string& path);

// Vibrational distribution files (.vib) of the populated state: the doublet layout, one line
// "v,  population" per vibrational level of the state in increasing v, no column line; the
// populations are relative (they sum to 1 as written) and carry 17 significant digits.

/// Writes the relative population of every level of `levels` (a level not in `weights` is
/// written 0); the target is replaced only when the file is complete. Throws FileError.
void WriteMultipletVibrational(const std::vector<int>& levels, const std::map<int, double>& weights,
                               const std::string& path);

/// Reads a vibrational distribution for a state whose levels are `levels`: v -> population,
/// normalised to a sum of 1, levels the file does not list 0. A line that is not "v, population",
/// a v the state does not have or one given twice, a population that is not a number, negative
/// or not finite, and a file that holds no population are refused with FileError naming the
/// file (and the line).
std::map<int, double> ReadMultipletVibrational(const std::vector<int>& levels, const std::string& path);

}  // namespace velmora::populations

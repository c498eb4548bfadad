// Writers of a line list in the layouts other line-by-line programs read: the ExoMol states,
// transitions, partition-function and definition files, and HITRAN's 160-character records. All
// are fixed-width text with LF line ends, as these formats are exchanged.
#pragma once

#include <string>

#include "database/line_list_export.h"

namespace velmora::database {

/// Reference temperature of HITRAN line intensities, K.
inline constexpr double kHitranTemperature = 296.0;

/// Partition functions are written from 1 K to this temperature in steps of 1 K.
inline constexpr int kPartitionFunctionTop = 5000;

/// Default pressure broadening of every line, as both formats state it: HWHM 0.05 cm-1/atm at
/// 296 K for air and self (0.05 / 1.01325 cm-1/bar in the ExoMol definition), temperature
/// exponent 0.75, air shift 0. The program holds no per-line values.
inline constexpr double kDefaultHalfWidthPerAtm = 0.05, kDefaultTemperatureExponent = 0.75;

/// Writes PREFIX.states (id, E, g, J, unc, ±, e/f, state, v, Λ, Σ, Ω, N, F1/F2), PREFIX.trans
/// (upper id, lower id, A, wavenumber), PREFIX.pf (T, Q from 1 to 5000 K) and PREFIX.def, the
/// ExoMol definition file. The dataset name is the part of the file name of PREFIX after "__"
/// (ExoMol names its files ISO-SLUG__DATASET), else the whole name. Throws FileError naming a
/// file that cannot be written; no file is replaced before all are complete.
void WriteExoMol(const ExportedLineList& list, const std::string& prefix);

/// Writes PREFIX.par: one 160-character HITRAN record per line in order of wavenumber. Throws
/// FileError as above.
void WriteHitran(const ExportedLineList& list, const std::string& prefix);

/// HITRAN molecule and isotopologue numbers of a molecule of the catalogue ("OH" 13 1, "OD"
/// 13 3, "NO" 8 1); 0 0 for a molecule HITRAN does not list.
std::pair<int, int> HitranMolecule(const std::string& molecule);

/// One HITRAN intensity or Einstein A in E10.3. Values below 1E-99, whose three-digit exponent
/// the field cannot hold, are written 0.000E+00: at 296 K such a line has no intensity, and its
/// A, E'' and g' give it at any other temperature.
std::string HitranE103(double value);

/// HITRAN uncertainty code of a wavenumber uncertainty (cm-1): 0 for 1 or more, 1 for 0.1 to 1,
/// 2 for 0.01 to 0.1 ... 9 below 1E-8.
int HitranWavenumberCode(double uncertainty);

}  // namespace velmora::database

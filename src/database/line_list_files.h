// Writers of a line list in the layouts other line-by-line programs read: the ExoMol states,
// transitions and definition files, and HITRAN's 160-character records. Both are fixed-width
// text with LF line ends, as these formats are exchanged.
#pragma once

#include <string>

#include "database/line_list_export.h"

namespace velmora::database {

/// Reference temperature of HITRAN line intensities, K.
inline constexpr double kHitranTemperature = 296.0;

/// Writes PREFIX.states (id, energy, g, J, e/f, v, Λ, Σ, Ω, state), PREFIX.trans (upper id,
/// lower id, A, position) and PREFIX.def (molecule, counts, conventions, quantum-number columns,
/// sources). Throws FileError naming a file that cannot be written.
void WriteExoMol(const ExportedLineList& list, const std::string& prefix);

/// Writes PREFIX.par: one 160-character HITRAN record per line (position, intensity at 296 K,
/// A, default air and self broadening, E'', quanta, g', g''). Throws FileError as above.
void WriteHitran(const ExportedLineList& list, const std::string& prefix);

}  // namespace velmora::database

// The descriptions of the molecules, electronic states and band systems of the catalogue, read
// from STATES.SYS beside VELMORA.SYS. Molecules are keyed by their code, states by code and state
// label (the keys of the constants files), band systems by code and both labels: the physics of
// an entry follows the entry wherever the catalogue lists it.
#pragma once

#include <string>

#include "database/catalogue_state.h"

namespace velmora::database {

/// The file of the descriptions, in the database folder.
inline constexpr const char* kStateDescriptionsFile = "STATES.SYS";

/// Sets cat.Description(i) of every entry of a catalogue just read from `folder` (ending in a
/// separator): from folder + STATES.SYS, or — when the folder has none — the description that the
/// catalogue's own values imply (every state a doublet, Σ states Σ⁺, labels by the spin-orbit
/// ratio, the nuclear-spin flag as the weights 1.5 and 0.75 of the upper u and lower g state, the
/// code as the name (a cation's code "N2P" as "N2+" when the mass says so), the energy zero on the lowest level).
/// Throws FileError naming the file, the line and the problem, also for an entry the file does not describe or
/// describes with another Λ or nuclear-spin flag than VELMORA.SYS.
void DescribeEntries(Catalogue& cat, const std::string& folder);

/// The description a catalogue without STATES.SYS implies for entry i.
SystemDescription ImpliedDescription(const Catalogue& cat, int i);

/// The description of entry i: the one read with the catalogue, or, for a catalogue put together
/// without descriptions, the one its own values imply.
SystemDescription DescriptionOf(const Catalogue& cat, int i);
/// The description of state s (1 upper, 2 lower) of entry i, as DescriptionOf gives it.
StateDescription StateOf(const Catalogue& cat, int s, int i);

/// Empty for a system with an absolute scale; else why entry i has none, naming the missing
/// radiative lifetime ("<molecule> (<upper>-<lower>) has no absolute scale: ..."), for the
/// messages that refuse an
/// absolute quantity.
std::string NoAbsoluteScale(const Catalogue& cat, int i);
/// The text of NoAbsoluteScale for a system named `system` ("CF (A-X)") whose upper state is
/// labelled `upperLabel`.
std::string NoAbsoluteScaleText(const std::string& system, const std::string& upperLabel);
/// Throws std::invalid_argument "<what> cannot be given: <NoAbsoluteScale>" for a
/// system without one.
void RequireAbsoluteScale(const Catalogue& cat, int i, const std::string& what);

}  // namespace velmora::database

// The simulation range and the selected band system: does the range hold any of its lines, which
// band is its strongest, and moving the range there when a newly selected system has no line in it.
#pragma once

#include <string>
#include <utility>

#include "state/app_state.h"

namespace velmora::program {

/// True when a line of some band of the selected system lies between the two limits (in the axis
/// unit, either order), by the band spans of the pre-computation.
bool RangeHoldsLines(const AppState& app, double start, double end);
/// The same for the range boxes.
bool RangeHoldsLines(const AppState& app);

/// (v', v'') of the strongest band for the kind of spectrum: the largest band emission
/// coefficient (emission) or absorption coefficient (other kinds), weighted by the population of
/// its level of the populated state.
std::pair<int, int> StrongestBand(const AppState& app);

/// Origin of band (v', v'') in the axis unit; its tabulated position, else the middle of its
/// lines, when the origin is unknown; 0 for a band without lines.
double BandCentre(const AppState& app, std::pair<int, int> band);

/// "CH (A-X)": the molecule and system of the selected entry.
std::string SystemName(const AppState& app);

/// "3050 to 3150 Å (Vacuum)".
std::string RangeText(const AppState& app, double start, double end);

/// "no line of CH (A-X) in the range 3050 to 3150 Å (Vacuum)", with where its strongest band lies.
std::string NoLineMessage(const AppState& app);

/// After a band system is selected: when the range boxes hold none of its lines (and the range
/// is not taken from an experimental file), the range keeps its width and is centred on the origin
/// of the strongest band, and a message says so. Returns true when the range moved.
bool FollowSystemRange(AppState& app);

}  // namespace velmora::program

// Control events of the plot content: assignment combs, legend position, experimental trace.
#pragma once

#include <string_view>

#include "display/plot_view.h"

namespace velmora::display {

/// ChkShowAssignment: draw the assignment combs (1) or not (0); redraws.
void ChkShowAssignment_Click(PlotView s, int value);
/// CmbAssignment: 0 "Vibrational", 1 "Rotational". Rotational enables the band and branch
/// choices; when combs are shown it redraws and makes sure the chosen band is loaded.
void CmbAssignment_Click(PlotView s, int index);
/// CmbRotationalBranches: 0 "All", b = branch b; redraws.
void CmbRotationalBranches_Click(PlotView s, int index);
/// CmbUpperBand / CmbLowerBand: the vibrational numbers of the band whose lines are marked.
void CmbUpperBand_Change(PlotView s, std::string_view text);
void CmbLowerBand_Change(PlotView s, std::string_view text);
/// CmbLegend: 0 right, 1 centre, 2 left; redraws when a simulation exists.
void CmbLegend_Click(PlotView s, int index);
/// ChkShowSpectra: show the experimental trace (1) or not (0); redraws when spectra are loaded.
void ChkShowSpectra_Click(PlotView s, int value);

/// Loads the band (AssignVUpper, AssignVLower) of the selected system unless it is loaded.
/// Returns false when there is no such band (no system loaded, levels out of range); throws
/// FileError when its data file cannot be read (the band loaded before stays loaded).
bool LoadAssignmentBand(PlotView s);

}  // namespace velmora::display

// State of the populations window: its lists, selectors, texts, cursors, histogram scales,
// status lines and the table of vibrational levels, as plain data the shell copies into widgets.
#pragma once

#include <string>
#include <vector>

namespace velmora {

/// How a distribution of the populations window is set: by its temperature, or drawn, typed or
/// loaded (the list index of its combo box).
enum class DistributionMode { Thermal = 0, NonThermal = 1 };

/// The table of vibrational levels (GridPop): a header row, then one row per level v.
struct PopulationGrid {
    /// [row][column]: column 0 the level label, 1 the population, 2 the rotational temperature.
    std::vector<std::vector<std::string>> Cells;
    /// Rows written in red (population not above the minimum); index as Cells.
    std::vector<bool> Red;
};

struct PopulationsWindowState {
    std::string Caption = "Populations";
    std::vector<std::string> VibLevelItems;   ///< CmbVibLevel: "0", "1", ...
    std::vector<std::string> StructureItems;  ///< CmbStructure
    int StructureIndex = 0;
    DistributionMode RotationalMode = DistributionMode::Thermal;   ///< CmbRotational
    DistributionMode VibrationalMode = DistributionMode::Thermal;  ///< CmbVibrational
    bool TxtTRotationalEnabled = true;
    bool TxtTVibrationalEnabled = true;
    bool TxtSpinCombinationEnabled = true;
    std::string TxtSetTemperature = "300";
    std::string TxtMinPopVib = "0.00001";

    float RotCursor = 0.0f;   ///< row (or N in the combined view) under the cursor or last clicked
    float VibCursor = 0.0f;   ///< level under the cursor or last clicked
    float VibScale = 1.0f;    ///< largest PopVib after normalisation (full scale of the histogram)
    float RotScale = 100.0f;  ///< edit-table value to bar height in percent
    int SldRotLimit = 100;    ///< share (%) of the rows shown on the rotational axis
    int SldRotYMax = 100;     ///< vertical range (%) of the rotational histogram
    int EditedVibBar = -1;    ///< level last set with mouse or keys (outlined in red), -1 none
    int EditedRotBar = -1;    ///< row (or N) last set with mouse or keys, -1 none

    std::string LblVib1, LblVib2, LblRot1, LblRot2;  ///< status lines
    PopulationGrid Grid;
};

}  // namespace velmora

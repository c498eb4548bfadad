// Loaded experimental spectra, their corrections and the comparison with the simulation.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/bounded_array.h"

namespace velmora {

namespace experiment {
struct SpectralResponse;
}

/// One file of the list of loaded experimental spectra.
struct ExpFile {
    std::string Title;        ///< file name without folder (the entry of CmbExpFile)
    std::string Path;         ///< full path, used to read the file again
    float Baseline = 0.0f;    ///< baseline correction (%) in force for this file
    float Wavelength = 0.0f;  ///< wavelength correction in force for this file
    float Multiply = 1.0f;    ///< multiplication factor in force for this file
    int XUnit = 0;            ///< unit of the file's x column: 0 automatic, else an axis unit code
    int Column = 0;           ///< intensity column of a several-column file (1-based); 0 automatic
};

struct ExperimentState {
    /// Current spectrum, indices 0..ExpPoints (arrays sized 0..3000 at start-up, grown by 500).
    /// x in the axis unit (converted from the file's x unit), y scaled to a maximum of 100.
    Array1<float> ExpXRaw, ExpYRaw, ExpX, ExpY, Residual;
    /// Last index of the current spectrum; -1 when the file gave no point at all.
    int ExpPoints = 0;

    /// Files loaded since start-up, in loading order (the entries of CmbExpFile).
    std::vector<ExpFile> ExpFiles;
    int ExpCount = 0;             ///< number of entries of CmbExpFile
    int ExpCurrent = 0;           ///< index of the file shown
    int UpDExpFileMax = 0;        ///< maximum of the spinner UpDExpFile (ExpCount - 1)
    std::string CurrentFilePath;  ///< path of the file shown; empty when none is loaded

    // Corrections in force and the texts of their boxes.
    float Baseline = 0.0f, WavelengthCorrection = 0.0f, Multiply = 1.0f;
    std::string TxtBaseline = "0", TxtWavelength = "0", TxtMultiply = "1";
    std::string TxtNoise = "0";  ///< amplitude of the simulated noise (value in sim.NoiseLevel)

    int ExpLimits = 0;              ///< "Use file limits in simulation"
    bool RangeBoxesEnabled = true;  ///< TxtStart/TxtEnd are disabled while the file limits are used
    int ShowSpectra = 1;
    int ResidualScale = 0;  ///< 0 "Auto", else the residual strip's half range in %
    std::string CmbResiduals = "Auto";

    // Comparison with the simulation (filled at every plot redraw with a spectrum loaded).
    Array1<float> SimX;        ///< (i 0..NPoints): x of the simulation grid
    Array1<float> SimAtExp;    ///< (i 0..ExpPoints): simulation interpolated at the experimental x
    float Correlation = 0.0f;  ///< peak correlation (Pearson r)
    float ChiSquare = 0.0f;    ///< Σ(s - e)² / 100
    int ComparedPoints = 0;    ///< experimental points that entered the statistics
    /// Why the compared points define no correlation (fewer than 3, all at one x, a flat
    /// spectrum or simulation); empty when they do, or when no point was compared.
    std::string CompareProblem;
    std::string LblCorrelation, LblDeviation;

    /// What went wrong in the last failed spectrum read ("<file>, line <n>: <problem>"); empty
    /// after a clean read. The message box itself carries the fixed advice text.
    std::string ReadProblem;
    /// What the user should know about the last spectrum read although it succeeded (the file's
    /// numbers have decimal commas); empty when there is nothing to tell.
    std::string ReadNotice;
    /// Axis unit code in which the x of the last file read stood before their conversion to
    /// the axis unit (the unit the file declares, else the one chosen for it).
    int ReadUnit = 1;
    /// The file stated the unit of its x (JCAMP-DX ##XUNITS, an SPE calibration): no guessing.
    bool ReadUnitDeclared = false;

    // Intensity calibration (response_calibration.h): every spectrum read is divided by it.
    std::string ResponseFile;  ///< empty: no calibration
    std::shared_ptr<const experiment::SpectralResponse> Response;
    std::string ResponseProblem;     ///< why the last spectrum read could not be calibrated, or ""
    std::string LblResponseCaption;  ///< the response file in force
};

/// True when a spectrum is loaded and holds at least one point (ExpX(0..ExpPoints) are valid).
inline bool HasExperimentalPoints(const ExperimentState& e) {
    return e.ExpCount > 0 && e.ExpPoints >= 0 && e.ExpPoints <= e.ExpX.Hi();
}

}  // namespace velmora

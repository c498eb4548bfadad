// A frame made ready for fitting row by row: read, corrected (dark frame, response), its rows
// chosen and binned, Abel-inverted for an axisymmetric source, and its columns put on the axis
// unit of the fit. The noise of each side-on row is estimated from its point-to-point scatter,
// so that the inversion gives every radial row its standard uncertainty.
#pragma once

#include <string>
#include <vector>

#include "experiment/abel_inversion.h"
#include "experiment/spectrum_frame.h"
#include "simulation/conditions.h"

namespace velmora::fit {

/// Everything that turns a frame file into spectra.
struct FramePreparation {
    std::string frame;     ///< the frame file
    int image = 1;         ///< image of a stack (1-based), 0 the sum
    std::string axisFile;  ///< one x per column, replacing the file's calibration
    std::string dark, response;
    int firstRow = 1, lastRow = 0;  ///< 1-based, inclusive; 0: the last row
    int bin = 1;                    ///< rows averaged into one
    /// Positions of the rows as first + r × step (r the file's row from 0), when set.
    bool positionsGiven = false;
    double positionFirst = 0.0, positionStep = 1.0;
    std::string positionUnit;
    bool abel = false;
    experiment::AbelOptions abelOptions;
};

/// The rows of a frame as spectra on the axis of a fit.
struct FrameSpectra {
    std::string source;
    std::vector<double> x;  ///< shared by every row, in the axis unit of the fit
    std::vector<std::vector<double>> y;
    std::vector<double> sigma;      ///< per row: the standard uncertainty of each of its points; empty when unknown
    std::vector<double> positions;  ///< per row (radii after an Abel inversion)
    std::vector<int> half;          ///< per row after an inversion with the halves kept apart: −1 lower, +1 upper
    std::string positionName = "position";  ///< "radius" after an inversion
    std::string positionUnit;
    std::string detail;   ///< how the frame was read and prepared
    double centre = 0.0;  ///< the axis of an inverted frame
};

/// The x of a frame's columns in an axis unit: a declared unit converted (a wavelength in the
/// medium of the axis); undeclared x as the fit reads spectrum files (on a wavelength axis,
/// values all below 1000 are nm). Throws FitInputError when the frame has no calibration.
std::vector<double> FrameAxis(const experiment::SpectrumFrame& frame, simulation::AxisUnit unit);

/// The spectra of a frame's rows (no inversion); `sigma` per row, or empty.
FrameSpectra FrameRows(const experiment::SpectrumFrame& frame, simulation::AxisUnit unit,
                       const std::vector<double>& sigma = {});

/// Reads a frame with the corrections and rows of `how` (no inversion, no axis conversion).
experiment::SpectrumFrame ReadCorrectedFrame(const FramePreparation& how);

/// The spectra of a corrected frame: its rows, or with how.abel the rings of its inversion.
FrameSpectra FrameSpectraOf(const experiment::SpectrumFrame& frame, const FramePreparation& how,
                            simulation::AxisUnit unit);

/// Reads and prepares a frame (ReadCorrectedFrame, then FrameSpectraOf). Throws FileError (the
/// files), FitInputError or std::invalid_argument (rows, axis, inversion) naming the file and
/// the problem.
FrameSpectra PrepareFrame(const FramePreparation& how, simulation::AxisUnit unit);

}  // namespace velmora::fit

#include "fit/frame_spectra.h"

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "common/numerics.h"
#include "experiment/frame_corrections.h"
#include "experiment/spectrum_units.h"
#include "fit/fit_errors.h"
#include "fit/measured_spectrum.h"

namespace velmora::fit {

std::vector<double> FrameAxis(const experiment::SpectrumFrame& frame, simulation::AxisUnit unit) {
    if (frame.axis.empty())
        throw FitInputError(frame.source +
                            ": the frame has no calibration of its columns: give an axis file (one x per column)");
    const int axis = simulation::StoredValue(unit);
    int from = axis;
    if (frame.axisUnit != experiment::DeclaredXUnit::None) {
        from = experiment::DeclaredReadUnit(experiment::kAutomaticXUnit, frame.axisUnit, axis);
    } else if (simulation::IsWavelength(unit) && *std::max_element(frame.axis.begin(), frame.axis.end()) < 1000.0) {
        from = IsAirUnit(axis) ? 5 : 4;  // nm, in the medium of the axis
    }
    std::vector<double> x = frame.axis;
    if (from != axis)
        for (double& v : x) v = ConvertAxisValue(v, from, axis);
    return x;
}

FrameSpectra FrameRows(const experiment::SpectrumFrame& frame, simulation::AxisUnit unit,
                       const std::vector<double>& sigma) {
    FrameSpectra s;
    s.source = frame.source;
    s.x = FrameAxis(frame, unit);
    s.positions = frame.positions;
    s.positionUnit = frame.positionUnit;
    s.sigma = sigma;
    s.detail = frame.detail;
    s.y.resize(static_cast<std::size_t>(frame.rows));
    for (int r = 0; r < frame.rows; ++r) {
        const float* p = &frame.pixels[static_cast<std::size_t>(r) * frame.columns];
        s.y[static_cast<std::size_t>(r)].assign(p, p + frame.columns);
    }
    return s;
}

experiment::SpectrumFrame ReadCorrectedFrame(const FramePreparation& how) {
    experiment::SpectrumFrame frame = experiment::ReadFrameFile(how.frame, how.image);
    if (!how.axisFile.empty()) {
        std::vector<double> axis = experiment::ReadAxisFile(how.axisFile);
        if (static_cast<int>(axis.size()) != frame.columns)
            throw FileError::In(how.axisFile, std::to_string(axis.size()) + " values for the " +
                                                  std::to_string(frame.columns) + " columns of " + how.frame);
        frame.axis = std::move(axis);
        frame.axisUnit = experiment::DeclaredXUnit::None;
        frame.axisUnitName.clear();
        frame.detail += ", x from " + how.axisFile;
    }
    if (!how.dark.empty()) {
        experiment::SubtractDark(frame, experiment::ReadFrameFile(how.dark, 1));
        frame.detail += ", dark frame subtracted";
    }
    if (!how.response.empty()) {
        experiment::DivideResponse(frame, experiment::ReadFrameFile(how.response, 1));
        frame.detail += ", response divided out";
    }
    if (how.positionsGiven) experiment::SetRowPositions(frame, how.positionFirst, how.positionStep, how.positionUnit);
    return experiment::SelectRows(frame, how.firstRow, how.lastRow, how.bin);
}

FrameSpectra PrepareFrame(const FramePreparation& how, simulation::AxisUnit unit) {
    return FrameSpectraOf(ReadCorrectedFrame(how), how, unit);
}

FrameSpectra FrameSpectraOf(const experiment::SpectrumFrame& frame, const FramePreparation& how,
                            simulation::AxisUnit unit) {
    if (!how.abel) return FrameRows(frame, unit);
    // The noise of each side-on row from its scatter, for the uncertainty of the inversion.
    std::vector<double> sigma(static_cast<std::size_t>(frame.rows));
    std::vector<double> values;
    for (int r = 0; r < frame.rows; ++r) {
        values.clear();
        for (int c = 0; c < frame.columns; ++c)
            if (std::isfinite(frame.At(r, c))) values.push_back(frame.At(r, c));
        sigma[static_cast<std::size_t>(r)] = EstimateNoise(values);
    }
    const experiment::AbelFrame inverted = experiment::AbelInvert(frame, sigma, how.abelOptions);
    FrameSpectra s = FrameRows(inverted.emissivity, unit, inverted.sigma);
    s.positionName = "radius";
    s.centre = inverted.centre;
    if (how.abelOptions.halves == experiment::AbelHalves::Both) s.half = inverted.half;
    return s;
}

}  // namespace velmora::fit

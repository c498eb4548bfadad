#include "experiment/shown_uncertainties.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_formats.h"

namespace velmora::experiment {

std::vector<double> ShownUncertainties(const ExperimentState& exp, int axisUnits, int sigmaColumn) {
    if (!HasExperimentalPoints(exp) || exp.ExpCurrent < 0 || exp.ExpCurrent >= static_cast<int>(exp.ExpFiles.size()))
        throw std::invalid_argument("no experimental spectrum is shown");
    const ExpFile& file = exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)];
    const SpectrumRead read = ReadSpectrumPoints(file.Path, {file.XUnit, axisUnits, file.Column, sigmaColumn});
    const std::vector<double>&x = read.points.x, &y = read.points.y, &sigma = read.points.sigma;
    const std::size_t n = static_cast<std::size_t>(exp.ExpPoints) + 1;
    const std::string with = "read with the uncertainties of column " + std::to_string(sigmaColumn);
    if (x.size() != n)
        throw FileError::In(file.Path, with + " it gives " + std::to_string(x.size()) + " points, the spectrum shown " +
                                           std::to_string(n));
    for (std::size_t i = 0; i < n; ++i) {
        // The points shown hold x in single precision.
        const double shown = exp.ExpXRaw(static_cast<int>(i)), xi = ConvertAxisValue(x[i], read.unit, axisUnits);
        if (!(std::fabs(xi - shown) <= 1e-5 * std::max(1.0, std::fabs(xi))))
            throw FileError::In(file.Path, with + " its point " + std::to_string(i + 1) + " lies at " + Trim(Str(xi)) +
                                               ", not at " + Trim(Str(shown)) + " as shown");
    }

    // The scale of the intensities as loaded: the largest made 100 (when it is above 0).
    double top = 0.0;
    for (double v : y) top = std::max(top, v);
    std::vector<double> scale(n, (top != 0.0 ? 100.0 / top : 1.0) * exp.Multiply);
    if (exp.Response && exp.ResponseProblem.empty()) {
        // Divided by the response at the wavelength in Å (in the medium of the file), then the
        // largest made 100 again.
        const int angstrom = IsAirUnit(read.unit) ? 2 : 1;
        double peak = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            scale[i] /= exp.Response->At(ConvertAxisValue(x[i], read.unit, angstrom));
            peak = std::max(peak, y[i] * scale[i] / exp.Multiply);
        }
        if (peak > 0.0)
            for (double& s : scale) s *= 100.0 / peak;
    }
    std::vector<double> shown(n);
    for (std::size_t i = 0; i < n; ++i) shown[i] = sigma[i] * std::fabs(scale[i]);
    return shown;
}

}  // namespace velmora::experiment

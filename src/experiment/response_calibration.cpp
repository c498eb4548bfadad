#include "experiment/response_calibration.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/number_pairs.h"
#include "experiment/spectrum_list.h"

namespace velmora::experiment {

double SpectralResponse::At(double wavelength) const {
    if (x.empty() || !(wavelength >= x.front() && wavelength <= x.back()))
        return std::numeric_limits<double>::quiet_NaN();
    const std::size_t k = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), wavelength) - x.begin());
    if (k >= x.size()) return response.back();
    const double t = (wavelength - x[k - 1]) / (x[k] - x[k - 1]);
    return response[k - 1] + t * (response[k] - response[k - 1]);
}

SpectralResponse ReadResponseFile(const std::string& path) {
    const NumberPairs pairs = ReadNumberPairs(path);
    SpectralResponse r;
    r.file = path;
    for (std::size_t k = 0; k < pairs.first.size(); ++k) {
        const double x = pairs.first[k] < 1000.0 ? pairs.first[k] * 10.0 : pairs.first[k];  // nm to Å
        if (!r.x.empty() && !(x > r.x.back()))
            throw FileError::At(path, pairs.line[k], "the wavelengths must increase from line to line");
        r.x.push_back(x);
        r.response.push_back(pairs.second[k]);
    }
    if (r.x.size() < 2) throw FileError::In(path, "a spectral response needs at least two points");
    return r;
}

void DivideByResponse(const SpectralResponse& r, const float* x, float* y, int n) {
    std::vector<double> divisor(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        const double d = r.At(x[i]);
        if (std::isnan(d))
            throw FileError::In(r.file, "the response covers " + Trim(Str(r.x.front())) + ".." + Trim(Str(r.x.back())) +
                                            " Å, not the spectrum's point at " + Trim(Str(x[i])) + " Å");
        if (!(d > 0.0))
            throw FileError::In(r.file, "the response is 0 or below at " + Trim(Str(x[i])) + " Å, inside the spectrum");
        divisor[static_cast<std::size_t>(i)] = d;
    }
    for (int i = 0; i < n; ++i) y[i] = static_cast<float>(y[i] / divisor[static_cast<std::size_t>(i)]);
}

std::string ApplyResponse(ExperimentState& exp) {
    exp.ResponseProblem.clear();
    if (!exp.Response || exp.ExpPoints < 0 || exp.ExpYRaw.Hi() < exp.ExpPoints) return "";
    const int n = exp.ExpPoints + 1;
    try {
        DivideByResponse(*exp.Response, &exp.ExpXRaw(0), &exp.ExpYRaw(0), n);
    } catch (const FileError& e) {
        return exp.ResponseProblem = e.what();
    }
    float peak = 0.0f;
    for (int i = 0; i < n; ++i) peak = std::max(peak, exp.ExpYRaw(i));
    if (peak > 0.0f)
        for (int i = 0; i < n; ++i) exp.ExpYRaw(i) = exp.ExpYRaw(i) * 100.0f / peak;
    return "";
}

std::string LoadResponse(ExperimentView app, const std::string& path) {
    ExperimentState& exp = app.exp;
    exp.ResponseFile = path;
    exp.Response.reset();
    std::string problem;
    if (!path.empty()) {
        try {
            exp.Response = std::make_shared<const SpectralResponse>(ReadResponseFile(path));
        } catch (const std::exception& e) {
            exp.ResponseFile.clear();
            problem = e.what();
        }
    }
    exp.LblResponseCaption = exp.Response ? "Divided by the response " + path : "No response correction";
    if (exp.ExpCount > 0) CmbExpFile_Click(app, exp.ExpCurrent);
    return problem;
}

}  // namespace velmora::experiment

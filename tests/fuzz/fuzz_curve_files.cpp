// Fuzz target: the readers of the curves and models a simulation or a correction takes from a
// file: measured instrument functions (--slit), spectral responses (--response), detection
// filters (--filter) and the quenching models of QUENCHING.DAT. The first byte chooses the
// reader (its value modulo 4) and, for the instrument function, the unit of the offsets; the
// rest is the file. A reader may refuse the file with FileError, never crash; what it accepts
// must give finite numbers where it is used.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/errors.h"
#include "database/gas_composition.h"
#include "database/quenching_models.h"
#include "experiment/response_calibration.h"
#include "fuzz_files.h"
#include "simulation/detection_filter.h"
#include "simulation/instrument_function.h"
#include "simulation/slit_file.h"

namespace {

using namespace velmora;

void Slit(const std::string& path, unsigned choice) {
    const simulation::MeasuredSlit slit = simulation::ReadSlitFile(
        path, choice & 4 ? simulation::SlitOffsetUnit::Nanometre : simulation::SlitOffsetUnit::Axis);
    fuzz::Check(slit.offset.size() == slit.response.size() && slit.offset.size() >= 3);
    for (std::size_t i = 0; i < slit.offset.size(); ++i)
        fuzz::Check(std::isfinite(slit.offset[i]) && std::isfinite(slit.response[i]) && slit.response[i] >= 0.0);
}

void Response(const std::string& path) {
    const experiment::SpectralResponse r = experiment::ReadResponseFile(path);
    fuzz::Check(r.x.size() == r.response.size() && r.x.size() >= 2);
    float x[3] = {static_cast<float>(r.x.front()), static_cast<float>(0.5 * (r.x.front() + r.x.back())),
                  static_cast<float>(r.x.back())};
    float y[3] = {1.0f, 2.0f, 3.0f};
    try {
        experiment::DivideByResponse(r, x, y, 3);
        for (const float v : y) fuzz::Check(std::isfinite(v));
    } catch (const FileError&) {
    }
}

void Filter(const std::string& path) {
    const simulation::TransmissionCurve curve = simulation::ReadDetectionFilter(path);
    for (const double wavelength : {0.0, curve.front().first, 3000.0, curve.back().first, 1e9}) {
        const double t = simulation::Transmission(curve, wavelength);
        fuzz::Check(t >= 0.0 && t <= 1.0);
    }
}

void Quenching(const std::string& path) {
    const database::QuenchingModels models = database::ReadQuenchingModels(path);
    const database::GasComposition air = database::ParseComposition("N2=0.79,O2=0.21");
    for (const database::StateQuenching& s : models.states)
        for (const double T : {300.0, 2000.0}) {
            const double rate = database::QuenchingRate(s, air, T, 760.0).rate;
            fuzz::Check(!std::isnan(rate));
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned choice = data[0];
    const std::string path = fuzz::Folder() + "/curve.txt";
    fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    try {
        switch (choice % 4) {
            case 0:
                Slit(path, choice);
                break;
            case 1:
                Response(path);
                break;
            case 2:
                Filter(path);
                break;
            default:
                Quenching(path);
                break;
        }
    } catch (const FileError&) {
    } catch (const std::invalid_argument&) {
        // a quenching model the composition cannot be computed with
    }
    return 0;
}

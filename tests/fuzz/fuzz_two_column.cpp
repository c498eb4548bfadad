// Fuzz target: the two-column spectrum reader and everything that then works on the spectrum
// (corrections, smoothing, comparison with a small simulation). The first byte chooses the size
// of the chunks in which the text is handed over; reading in chunks must give exactly what
// reading at once gives.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/number_format.h"
#include "experiment/comparison.h"
#include "experiment/corrections.h"
#include "experiment/spectrum_files.h"
#include "state/app_state.h"

namespace {

using namespace velmora;

struct Outcome {
    bool failed = false;
    int count = 0;
};

Outcome Read(ExperimentState& exp, std::string_view text, std::size_t chunk) {
    experiment::InitExperimentArrays(exp);
    experiment::TwoColumnReader r(exp);
    Outcome o;
    try {
        for (std::size_t i = 0; i < text.size(); i += chunk) r.Feed(text.substr(i, chunk));
        r.Finish();
    } catch (const experiment::SpectrumReadError&) {
        o.failed = true;
    }
    o.count = r.Count();
    return o;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 13;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    // The fast number reader agrees with Val wherever Val applies (no quote to skip).
    const std::string_view head = text.substr(0, 40);
    if (head.find('"') == std::string_view::npos) {
        const double a = experiment::LeadingNumber(head), b = Val(head);
        Check(std::isinf(b) ? std::isinf(a) : a == b);
    }

    AppState whole;
    const Outcome all = Read(whole.exp, text, text.size() + 1);
    AppState parts;
    const Outcome split = Read(parts.exp, text, chunk);
    Check(all.failed == split.failed);
    if (!all.failed) {
        Check(all.count == split.count);
        for (int i = 0; i < all.count; ++i) {
            Check(std::memcmp(&whole.exp.ExpXRaw(i), &parts.exp.ExpXRaw(i), sizeof(float)) == 0);
            Check(std::memcmp(&whole.exp.ExpYRaw(i), &parts.exp.ExpYRaw(i), sizeof(float)) == 0);
        }
    }

    // Work on what was read, as the program does after a load.
    AppState& app = whole;
    app.exp.ExpPoints = all.count - 1;
    app.exp.ExpCount = 1;
    app.exp.ExpFiles = {ExpFile{"f", "f", 0, 0, 1}};
    experiment::GrowExperimentArrays(app.exp, app.exp.ExpXRaw.Hi());
    experiment::TxtBaseline_Change(app, "5");
    experiment::TxtWavelength_Change(app, "-1.5");
    experiment::TxtMultiply_Change(app, "2");
    experiment::CmdSmooth_Click(app);
    app.sim.result.grid.start = 3000.0f;
    app.sim.result.conditions.end = 3100.0f;
    app.sim.result.grid.pointsPerWidth = 7;
    app.sim.result.grid.gridWidth = 10.0f;
    app.sim.result.grid.last = 70;
    app.sim.result.total.Resize(0, 70);
    for (int i = 0; i <= 70; ++i) app.sim.result.total(i) = static_cast<float>(i % 10);
    experiment::CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    Check(std::isfinite(app.exp.ChiSquare) || app.exp.ComparedPoints > 0);
    Check(app.exp.Correlation >= -1.0001f && app.exp.Correlation <= 1.0001f);
    return 0;
}

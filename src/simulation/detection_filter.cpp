#include "simulation/detection_filter.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "common/errors.h"
#include "common/file_kind.h"
#include "simulation/line_list.h"

namespace velmora::simulation {

TransmissionCurve ReadDetectionFilter(const std::string& path) {
    std::istringstream in(ReadFileText(path));
    TransmissionCurve curve;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        for (char& ch : text)
            if (ch == ',' || ch == ';' || ch == '\t' || ch == '\r') ch = ' ';
        const char* p = text.c_str();
        char* end = nullptr;
        const double nm = std::strtod(p, &end);
        if (end == p) continue;  // a heading or comment
        p = end;
        const double t = std::strtod(p, &end);
        if (end == p) throw FileError::In(path, "line " + std::to_string(line) + ": a wavelength without transmission");
        if (!(t >= 0.0 && t <= 1.0) || !(nm > 0.0))
            throw FileError::In(path, "line " + std::to_string(line) +
                                          ": the transmission must lie within 0..1 at a wavelength above 0 nm");
        curve.emplace_back(nm * 10.0, t);
    }
    if (curve.size() < 2) throw FileError::In(path, "a transmission curve needs at least two points (nm, 0..1)");
    std::sort(curve.begin(), curve.end());
    return curve;
}

double Transmission(const TransmissionCurve& curve, double wavelength) {
    if (curve.empty()) return 1.0;
    if (wavelength <= curve.front().first) return curve.front().second;
    if (wavelength >= curve.back().first) return curve.back().second;
    const auto hi = std::upper_bound(curve.begin(), curve.end(), std::pair{wavelength, 2.0});
    const auto lo = hi - 1;
    const double span = hi->first - lo->first;
    return span > 0.0 ? lo->second + (hi->second - lo->second) * (wavelength - lo->first) / span : hi->second;
}

Array3<float> FilterFactors(const BandSystemModel& m, const SimulationConditions& c) {
    const int rows = [&] {
        int last = 0;
        for (int v = 0; v <= m.vUpMax; ++v) last = std::max(last, m.lastUpperRow.ValueAt(v));
        return last + 4;
    }();
    Array3<double> detected, total;
    detected.Resize(0, m.vUpMax, 1, 4, 0, rows);
    total.Resize(0, m.vUpMax, 1, 4, 0, rows);
    const AxisUnit angstrom = IsAir(c.unit) ? AxisUnit::AngstromAir : AxisUnit::AngstromVacuum;
    const BranchTable& t = m.emissionBranches;
    for (int vUp = 0; vUp <= m.vUpMax; ++vUp)
        for (int vLow = 0; vLow <= m.vLowMax; ++vLow)
            for (const ModelLine& line : m.Band(vUp, vLow).lines) {
                const int nUp = line.N + t.deltaN[static_cast<std::size_t>(line.b)];
                const int cu = t.upper[static_cast<std::size_t>(line.b)];
                if (nUp < 0 || nUp > rows || cu < 1 || cu > 4 || line.emission <= 0.0f) continue;
                total(vUp, cu, nUp) += line.emission;
                detected(vUp, cu, nUp) +=
                    line.emission * Transmission(c.detectionFilter, AxisPosition(line.nu, angstrom));
            }
    Array3<float> factors;
    factors.Resize(0, m.vUpMax, 1, 4, 0, rows);
    for (int v = 0; v <= m.vUpMax; ++v)
        for (int k = 1; k <= 4; ++k)
            for (int N = 0; N <= rows; ++N)
                factors(v, k, N) = total(v, k, N) > 0.0 ? static_cast<float>(detected(v, k, N) / total(v, k, N)) : 1.0f;
    return factors;
}

}  // namespace velmora::simulation

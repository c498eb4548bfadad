#include "fit/fit_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/number_format.h"
#include "common/text_writer.h"

namespace velmora::fit {

namespace {

using simulation::AxisUnit;

std::string AxisName(AxisUnit u) {
    switch (u) {
        case AxisUnit::Wavenumber:
            return "cm-1";
        case AxisUnit::NanometreVacuum:
        case AxisUnit::NanometreAir:
            return "nm";
        default:
            return "Å";
    }
}

/// Full precision for files: the shortest form of 10 significant digits.
std::string Csv(double v) {
    if (std::isnan(v)) return "";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

/// A text field of a CSV line, quoted when it holds a comma or a quote.
std::string CsvText(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string Fixed(double v, int decimals) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string s;
    for (const std::string& p : parts) s += (s.empty() ? "" : separator) + p;
    return s;
}

const char* WeightingName(Weighting w) {
    switch (w) {
        case Weighting::FileColumn:
            return "1/σ² from a column of uncertainties";
        case Weighting::NoiseEstimate:
            return "1/σ² from a noise estimate";
        default:
            return "uniform";
    }
}

const char* OutcomeName(BatchOutcome o) {
    switch (o) {
        case BatchOutcome::BadInput:
            return "bad input";
        case BatchOutcome::NotConverged:
            return "not converged";
        default:
            return "fitted";
    }
}

}  // namespace

std::string ParameterUnit(ParameterKind kind, AxisUnit unit) {
    const std::string axis = AxisName(unit);
    switch (kind) {
        case ParameterKind::RotationalTemperature:
        case ParameterKind::VibrationalTemperature:
            return "K";
        case ParameterKind::Population:
        case ParameterKind::Stretch:
            return "";
        case ParameterKind::Scale:
            return "y·" + axis;
        case ParameterKind::BaselineOffset:
            return "y";
        case ParameterKind::BaselineSlope:
            return "y/" + axis;
        case ParameterKind::Quadratic:
            return "1/" + axis;
        default:
            return axis;
    }
}

std::string ValueWithUncertainty(double value, double uncertainty, bool free) {
    if (!free) return Trim(Str(value)) + " (fixed)";
    if (!std::isfinite(uncertainty)) return Trim(Str(value)) + " ± undetermined";
    if (uncertainty <= 0.0) return Trim(Str(value)) + " ± 0";
    const int decimals = std::max(0, 1 - static_cast<int>(std::floor(std::log10(uncertainty))));
    return Fixed(value, decimals) + " ± " + Fixed(uncertainty, decimals);
}

std::vector<std::string> ResultLines(const FitResult& r, AxisUnit unit) {
    std::vector<std::string> lines;
    std::size_t width = 9;
    for (const Parameter& q : r.parameters) width = std::max(width, q.name.size());
    for (std::size_t k = 0; k < r.parameters.size(); ++k) {
        const Parameter& q = r.parameters[k];
        std::string line = q.name + std::string(width + 2 - q.name.size(), ' ') +
                           ValueWithUncertainty(q.value, r.uncertainties[k], q.free);
        const std::string u = ParameterUnit(q.id.kind, unit);
        if (!u.empty()) line += " " + u;
        if (r.atBound[k]) line += "  (at bound)";
        lines.push_back(line);
    }
    lines.push_back("reduced chi-square " + Fixed(r.reducedChiSquare, 4) + " (chi-square " + Fixed(r.chiSquare, 2) +
                    ", " + std::to_string(r.points) + " points, " + std::to_string(r.degreesOfFreedom) +
                    " degrees of freedom)");
    lines.push_back(std::to_string(r.evaluations) + " spectra evaluated in " + std::to_string(r.iterations) +
                    " iterations; " + r.stopReason);
    lines.push_back(
        "intensity: " + std::string(ConventionName(r.convention)) + "; weights: " + WeightingName(r.weighting) +
        (r.weighting == Weighting::NoiseEstimate ? " (σ = " + Trim(Str(r.noiseSigma)) + ")" : std::string()));
    for (const std::string& w : r.warnings) lines.push_back("warning: " + w);
    return lines;
}

std::string OutcomeLine(const BatchRow& row) {
    switch (row.outcome) {
        case BatchOutcome::Fitted: {
            const Parameter& first = row.result.parameters.front();
            return first.name + " = " +
                   ValueWithUncertainty(first.value, row.result.uncertainties.front(), first.free) +
                   ", reduced chi-square " + std::to_string(row.result.reducedChiSquare).substr(0, 6) +
                   (row.result.warnings.empty() ? ""
                                                : ", " + std::to_string(row.result.warnings.size()) + " warning(s)");
        }
        case BatchOutcome::BadInput:
            return "bad input: " + row.message;
        case BatchOutcome::NotConverged:
            return "not converged: " + row.message;
    }
    return {};
}

ResultColumns::ResultColumns(const std::vector<const BatchRow*>& rows) {
    for (const BatchRow* row : rows)
        for (const Parameter& q : row->result.parameters)
            if (std::find(names_.begin(), names_.end(), q.name) == names_.end()) names_.push_back(q.name);
}

std::string ResultColumns::Header() const {
    std::string header = "status,message,reduced_chi_square,points,evaluations,convention";
    for (const std::string& n : names_) header += "," + CsvText(n) + "," + CsvText(n + "_sigma");
    return header + ",at_bound,warnings";
}

std::string ResultColumns::Fields(const BatchRow& row) const {
    const FitResult& r = row.result;
    const bool fitted = row.outcome == BatchOutcome::Fitted;
    std::string line = std::string(OutcomeName(row.outcome)) + "," + CsvText(row.message) + ",";
    line += fitted ? Csv(r.reducedChiSquare) + "," + std::to_string(r.points) + "," + std::to_string(r.evaluations) +
                         "," + (r.convention == IntensityConvention::Energy ? "energy" : "photons")
                   : std::string(",,");
    std::vector<std::string> atBound;
    for (const std::string& n : names_) {
        const Parameter* q = fitted ? r.Find(n) : nullptr;
        line += "," + (q ? Csv(q->value) : "") + "," + (q && q->free ? Csv(r.Uncertainty(n)) : "");
        if (q && r.atBound[static_cast<std::size_t>(q - r.parameters.data())]) atBound.push_back(n);
    }
    return line + "," + CsvText(Join(atBound, ";")) + "," + CsvText(Join(r.warnings, "; "));
}

void WriteBatchCsv(const std::string& path, const std::vector<BatchRow>& rows) {
    std::vector<const BatchRow*> all;
    for (const BatchRow& row : rows) all.push_back(&row);
    WriteBatchCsv(path, all);
}

void WriteBatchCsv(const std::string& path, const std::vector<const BatchRow*>& rows) {
    const ResultColumns columns(rows);
    AtomicTextWriter out(path);
    out.WriteLine("file," + columns.Header());
    for (const BatchRow* row : rows) out.WriteLine(CsvText(row->file) + "," + columns.Fields(*row));
    out.Commit();
}

std::string PositionColumn(const FrameSpectra& frame) {
    return frame.positionName + (frame.positionUnit.empty() ? "" : "_" + frame.positionUnit);
}

void WriteFrameCsv(const std::string& path, const FrameSpectra& frame, const std::vector<FrameRow>& rows) {
    std::vector<const BatchRow*> all;
    for (const FrameRow& row : rows) all.push_back(&row.fit);
    const ResultColumns columns(all);
    const bool halves = !frame.half.empty();
    AtomicTextWriter out(path);
    out.WriteLine("row," + CsvText(PositionColumn(frame)) + (halves ? ",half" : "") + ",start," + columns.Header());
    for (const FrameRow& row : rows)
        out.WriteLine(std::to_string(row.index + 1) + "," + Csv(row.position) +
                      (halves ? row.half < 0 ? ",lower" : ",upper" : "") +
                      (row.fromNeighbour ? ",neighbour," : ",request,") + columns.Fields(row.fit));
    out.Commit();
}

void WriteResidualsCsv(const std::string& path, const FitResult& r) {
    AtomicTextWriter out(path);
    std::string header = "x,y,model,residual,fitted";
    for (const std::string& s : r.systems) header += "," + CsvText(s);
    out.WriteLine(header);
    for (std::size_t i = 0; i < r.x.size(); ++i) {
        std::string line = Csv(r.x[i]) + "," + Csv(r.y[i]) + "," + Csv(r.model[i]) + "," + Csv(r.residual[i]) + "," +
                           (r.fitted[i] ? "1" : "0");
        for (const auto& part : r.parts) line += "," + Csv(part[i]);
        out.WriteLine(line);
    }
    out.Commit();
}

void WriteFitResults(const std::string& path, const FitResult& r, simulation::AxisUnit unit) {
    AtomicTextWriter out(path);
    for (const std::string& line : ResultLines(r, unit)) out.WriteLine(line);
    out.Commit();
}

}  // namespace velmora::fit

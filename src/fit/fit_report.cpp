#include "fit/fit_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/number_format.h"
#include "common/text_writer.h"
#include "fit/profile.h"

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

/// Full precision for files: the shortest form of at least 10 significant digits that reads
/// back as the same double (up to 17), so that a result read from the file is the result.
std::string Csv(double v) {
    if (std::isnan(v)) return "";
    for (int digits = 10; digits < 17; ++digits)
        if (std::string s = Significant(v, digits); std::strtod(s.c_str(), nullptr) == v) return s;
    return Significant(v, 17);
}

/// A point of a spectrum in a file: 10 significant digits, more than any measurement holds.
std::string Point(double v) { return std::isnan(v) ? "" : Significant(v, 10); }

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
    for (std::size_t k = 0; k < parts.size(); ++k) s += (k == 0 ? "" : separator) + parts[k];
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

/// Decimals that round an uncertainty at its second significant digit.
int Decimals(double uncertainty) { return std::max(0, 1 - static_cast<int>(std::floor(std::log10(uncertainty)))); }

/// The name of a method in a CSV field.
const char* MethodField(UncertaintyMethod m) {
    switch (m) {
        case UncertaintyMethod::CorrelatedResiduals:
            return "correlated";
        case UncertaintyMethod::Bootstrap:
            return "bootstrap";
        default:
            return "covariance";
    }
}

/// The fields of every estimate of a parameter's uncertainty: covariance, correlated, bootstrap,
/// profile low and high, and the headline's method (empty for a fixed one).
std::vector<std::string> UncertaintyFields(const FitResult& r, const Parameter* q) {
    const std::size_t k = q ? static_cast<std::size_t>(q - r.parameters.data()) : 0;
    if (!q || !q->free || k >= r.uncertaintyDetail.size()) return std::vector<std::string>(6);
    const ParameterUncertainty& u = r.uncertaintyDetail[k];
    return {Csv(u.covariance), Csv(u.correlated),  Csv(u.bootstrap),
            Csv(u.profileLow), Csv(u.profileHigh), MethodField(u.headline)};
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
    const int decimals = Decimals(uncertainty);
    return Fixed(value, decimals) + " ± " + Fixed(uncertainty, decimals);
}

std::string UncertaintyNote(const FitResult& r, std::size_t k) {
    if (k >= r.uncertaintyDetail.size() || !r.parameters[k].free || !std::isfinite(r.uncertainties[k]) ||
        r.uncertainties[k] <= 0.0)
        return "";
    const ParameterUncertainty& u = r.uncertaintyDetail[k];
    const int decimals = Decimals(r.uncertainties[k]);
    std::vector<std::string> others;
    auto add = [&](UncertaintyMethod m, double sigma) {
        if (u.headline != m && std::isfinite(sigma))
            others.push_back(std::string(UncertaintyMethodName(m)) + " ± " + Fixed(sigma, decimals));
    };
    add(UncertaintyMethod::Covariance, u.covariance);
    if (u.headline == UncertaintyMethod::Bootstrap) add(UncertaintyMethod::CorrelatedResiduals, u.correlated);
    add(UncertaintyMethod::Bootstrap, u.bootstrap);
    std::string note;
    if (u.headline != UncertaintyMethod::Covariance)
        note = std::string(UncertaintyMethodName(u.headline)) + (others.empty() ? "" : "; ") + Join(others, ", ");
    else if (std::isfinite(u.bootstrap))
        note = "covariance; " + Join(others, ", ");
    if (std::isfinite(u.profileLow) || std::isfinite(u.profileHigh))
        note += std::string(note.empty() ? "" : "; ") + "profile χ² " +
                (std::isfinite(u.profileLow) ? Fixed(u.profileLow, decimals) : std::string("?")) + ".." +
                (std::isfinite(u.profileHigh) ? Fixed(u.profileHigh, decimals) : std::string("?")) +
                (u.profileAtBound ? " (to a bound)" : "");
    return note;
}

std::string UncertaintyMethodsLine(const FitResult& r) {
    const FitDiagnostics& d = r.diagnostics;
    std::string line = "uncertainties: covariance scaled by the " +
                       std::string(d.sigmaKnown ? "reduced chi-square" : "residuals' σ") +
                       "; correlated residuals: covariance × " + Format(std::sqrt(d.correlationLength), "0.00") +
                       " (the residuals' correlation length " + Format(d.correlationLength, "0.0") + " points, " +
                       Format(d.effectivePoints, "0") + " independent points of " + std::to_string(d.points) + ")";
    if (r.bootstrap.resamples > 0)
        line += "; block bootstrap: " + std::to_string(r.bootstrap.converged) + " of " +
                std::to_string(r.bootstrap.resamples) + " resamples in blocks of " +
                std::to_string(r.bootstrap.blockLength) + " points, seed " + std::to_string(r.bootstrap.seed);
    bool profiles = false;
    for (const ParameterUncertainty& u : r.uncertaintyDetail)
        profiles = profiles || std::isfinite(u.profileLow) || std::isfinite(u.profileHigh);
    if (profiles) line += "; profile χ²: where χ² rises by " + Trim(Str(static_cast<float>(ProfileThreshold(r))));
    return line + "; each value quotes the largest, named when it is not the covariance";
}

std::vector<std::string> ResultLines(const FitResult& r) {
    const AxisUnit unit = r.conditions.unit;
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
        if (const std::string note = UncertaintyNote(r, k); !note.empty()) line += "  (" + note + ")";
        lines.push_back(line);
    }
    lines.push_back(ChiSquareLine(r.diagnostics));
    lines.push_back(MisfitLine(r.diagnostics, AxisName(unit)));
    if (!r.uncertaintyDetail.empty()) lines.push_back(UncertaintyMethodsLine(r));
    lines.push_back(std::to_string(r.evaluations) + " spectra evaluated in " + std::to_string(r.iterations) +
                    " iterations; " + r.stopReason);
    lines.push_back(
        "intensity: " + std::string(ConventionName(r.convention)) + "; weights: " + WeightingName(r.weighting) +
        (r.weighting == Weighting::NoiseEstimate ? " (σ = " + Trim(Str(r.noiseSigma)) + ")" : std::string()));
    for (const std::string& n : r.notices) lines.push_back("note: " + n);
    for (const std::string& w : r.warnings) lines.push_back("warning: " + w);
    return lines;
}

std::string OutcomeLine(const BatchRow& row) {
    switch (row.outcome) {
        case BatchOutcome::Fitted: {
            const Parameter& first = row.result.parameters.front();
            return first.name + " = " +
                   ValueWithUncertainty(first.value, row.result.uncertainties.front(), first.free) + ", " +
                   ChiSquareSummary(row.result.diagnostics) +
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
    header += ",at_bound,warnings," + DiagnosticsCsvHeader();
    for (const std::string& n : names_)
        for (const char* column : {"_sigma_covariance", "_sigma_correlated", "_sigma_bootstrap", "_profile_low",
                                   "_profile_high", "_sigma_method"})
            header += "," + CsvText(n + column);
    return header + ",notices";
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
    line += "," + CsvText(Join(atBound, ";")) + "," + CsvText(Join(r.warnings, "; "));
    line += "," + (fitted ? DiagnosticsCsvFields(r.diagnostics) : std::string(7, ','));
    for (const std::string& n : names_) line += "," + Join(UncertaintyFields(r, fitted ? r.Find(n) : nullptr), ",");
    return line + "," + CsvText(Join(r.notices, "; "));
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

void WriteFitResultCsv(const std::string& path, const FitResult& r) {
    const AxisUnit unit = r.conditions.unit;
    AtomicTextWriter out(path);
    out.WriteLine(
        "parameter,value,uncertainty,unit,uncertainty_method,sigma_covariance,sigma_correlated,"
        "sigma_bootstrap,profile_low,profile_high,free,at_bound");
    for (std::size_t k = 0; k < r.parameters.size(); ++k) {
        const Parameter& q = r.parameters[k];
        std::vector<std::string> estimates = UncertaintyFields(r, &q);
        const std::string method = estimates.back();
        estimates.pop_back();
        out.WriteLine(CsvText(q.name) + "," + Csv(q.value) + "," + (q.free ? Csv(r.uncertainties[k]) : "") + "," +
                      CsvText(ParameterUnit(q.id.kind, unit)) + "," + method + "," + Join(estimates, ",") + "," +
                      (q.free ? "1" : "0") + "," + (r.atBound[k] ? "1" : "0"));
    }
    const FitDiagnostics& d = r.diagnostics;
    const std::pair<const char*, double> rows[] = {
        {"points", d.points},
        {"degrees_of_freedom", d.degreesOfFreedom},
        {"chi_square", d.chiSquare},
        {"reduced_chi_square", d.sigmaKnown ? d.reducedChiSquare : std::nan("")},
        {"residual_sigma", d.residualSigma},
        {"pearson_r", d.pearsonR},
        {"rms_over_peak", d.rmsOverPeak},
        {"durbin_watson", d.durbinWatson},
        {"correlation_length", d.correlationLength},
        {"effective_points", d.effectivePoints},
        {"largest_residual", d.largestResidual},
        {"largest_residual_x", d.largestResidualX},
    };
    for (const auto& [name, value] : rows) out.WriteLine(std::string(name) + "," + Csv(value) + ",,,,,,,,,,");
    out.Commit();
}

void WriteResidualsCsv(const std::string& path, const FitResult& r) {
    AtomicTextWriter out(path);
    std::string header = "x,y,model,residual,fitted";
    for (const std::string& s : r.systems) header += "," + CsvText(s);
    for (const FitComponent& c : r.components) header += "," + CsvText(c.label);
    out.WriteLine(header);
    for (std::size_t i = 0; i < r.x.size(); ++i) {
        std::string line = Point(r.x[i]) + "," + Point(r.y[i]) + "," + Point(r.model[i]) + "," + Point(r.residual[i]) +
                           "," + (r.fitted[i] ? "1" : "0");
        for (const auto& part : r.parts) line += "," + Point(part[i]);
        for (const FitComponent& c : r.components) line += "," + Point(c.values[i]);
        out.WriteLine(line);
    }
    out.Commit();
}

void WriteFitResults(const std::string& path, const FitResult& r) {
    AtomicTextWriter out(path);
    for (const std::string& line : ResultLines(r)) out.WriteLine(line);
    out.Commit();
}

}  // namespace velmora::fit

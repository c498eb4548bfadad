#include "program/frame_dialogs.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "common/number_format.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"
#include "program/simulation_run.h"

namespace velmora::program {

namespace {

/// The items of a list typed in a field, separated by any of `separators`, trimmed, empty ones dropped.
std::vector<std::string> Items(const std::string& text, const char* separators) {
    std::vector<std::string> out;
    std::string s = text;
    std::replace_if(
        s.begin(), s.end(), [&](char c) { return std::strchr(separators, c) != nullptr; }, '\n');
    std::istringstream in(s);
    for (std::string item; std::getline(in, item);)
        if (!Trim(item).empty()) out.push_back(Trim(item));
    return out;
}

double FieldNumber(const std::string& text, const std::string& field) {
    if (!IsNumeric(Trim(text))) throw fit::FitInputError(field + ": \"" + text + "\" is not a number");
    return Val(text);
}

std::vector<double> Numbers(const std::string& text, const std::string& field) {
    std::vector<double> out;
    for (const std::string& item : Items(text, ", \t")) out.push_back(FieldNumber(item, field));
    return out;
}

/// "A:B" typed in a field.
std::pair<double, double> Range(const std::string& text, const std::string& field) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) throw fit::FitInputError(field + ": \"" + text + "\" is not A:B");
    return {FieldNumber(text.substr(0, colon), field), FieldNumber(text.substr(colon + 1), field)};
}

/// The fields of a window stored as one key each.
struct Field {
    const char* key;
    std::string* text;
};

void Load(const KeyValueStore& store, const char* section, const std::vector<Field>& fields) {
    for (const Field& f : fields)
        if (const auto v = store.Get(section, f.key)) *f.text = *v;
}

void Save(KeyValueStore& store, const char* section, const std::vector<Field>& fields) {
    for (const Field& f : fields) store.Set(section, f.key, *f.text);
}

/// The text fields of each window and their keys.
std::vector<Field> TextFields(FitFrameDialogState& d) {
    return {
        {"Frame", &d.frame}, {"Axis", &d.axis},           {"Dark", &d.dark},     {"Response", &d.response},
        {"Rows", &d.rows},   {"Positions", &d.positions}, {"Centre", &d.centre}, {"Regularisation", &d.regularisation}};
}

std::vector<Field> TextFields(LifImageDialogState& d) {
    return {{"Images", &d.images},
            {"Lines", &d.lines},
            {"Backgrounds", &d.backgrounds},
            {"Energies", &d.energies},
            {"Noise", &d.noise},
            {"Threshold", &d.threshold},
            {"Gain", &d.gain},
            {"Temperatures", &d.temperatures}};
}

constexpr const char* kFrameSection = "FitFrame";
constexpr const char* kLifSection = "LifImage";

}  // namespace

void LoadFitFrameDialog(FitFrameDialogState& d, const KeyValueStore& store) {
    Load(store, kFrameSection, TextFields(d));
    auto integer = [&](const char* key, int& value, int lo, int hi) {
        if (const auto v = store.Get(kFrameSection, key)) value = std::clamp(static_cast<int>(Val(*v)), lo, hi);
    };
    integer("Image", d.image, 0, 100000);
    integer("Bin", d.bin, 1, 10000);
    integer("Block", d.block, 1, 10000);
    integer("Jobs", d.jobs, 0, 256);
    integer("Halves", d.halves, 0, 3);
    int abel = d.abel ? 1 : 0;
    integer("Abel", abel, 0, 1);
    d.abel = abel == 1;
}

void SaveFitFrameDialog(const FitFrameDialogState& d, KeyValueStore& store) {
    FitFrameDialogState copy = d;
    Save(store, kFrameSection, TextFields(copy));
    for (const auto& [key, value] :
         {std::pair{"Image", d.image}, std::pair{"Bin", d.bin}, std::pair{"Block", d.block}, std::pair{"Jobs", d.jobs},
          std::pair{"Halves", d.halves}, std::pair{"Abel", d.abel ? 1 : 0}})
        store.Set(kFrameSection, key, std::to_string(value));
}

FrameFitJob FrameFitJobFromDialog(AppState& app, const FitFrameDialogState& d, const FitDialogState& fit) {
    FrameFitJob job;
    if (Trim(d.frame).empty()) throw fit::FitInputError("frame: choose a frame file");
    job.request = FitSettingsFromDialog(app, fit);
    fit::FramePreparation& how = job.how;
    how.frame = Trim(d.frame), how.axisFile = Trim(d.axis), how.dark = Trim(d.dark), how.response = Trim(d.response);
    how.image = d.image, how.bin = d.bin;
    if (!Trim(d.rows).empty()) {
        const auto [a, b] = Range(d.rows, "rows");
        if (a < 1 || b < a || a != static_cast<int>(a) || b != static_cast<int>(b))
            throw fit::FitInputError("rows: whole rows A:B from 1, A <= B");
        how.firstRow = static_cast<int>(a), how.lastRow = static_cast<int>(b);
    }
    if (!Trim(d.positions).empty()) {
        std::string text = Trim(d.positions);
        const std::size_t second = text.find(':', text.find(':') + 1);
        if (second != std::string::npos) how.positionUnit = Trim(text.substr(second + 1)), text.resize(second);
        std::tie(how.positionFirst, how.positionStep) = Range(text, "positions (first:step[:unit])");
        if (how.positionStep == 0.0) throw fit::FitInputError("positions: the step must not be 0");
        how.positionsGiven = true;
    }
    how.abel = d.abel;
    // The rows of a frame carry uncertainties only after an inversion (propagated from the noise).
    if (job.request.weighting == fit::Weighting::FileColumn && !how.abel)
        throw fit::FitInputError(
            "weights 1/σ² from a column: the rows of a frame carry uncertainties only after the Abel "
            "inversion; choose uniform or noise weights");
    if (!Trim(d.centre).empty()) {
        how.abelOptions.findCentre = false;
        how.abelOptions.centre = FieldNumber(d.centre, "centre");
    }
    how.abelOptions.halves = static_cast<experiment::AbelHalves>(std::clamp(d.halves, 0, 3));
    how.abelOptions.regularisation =
        Trim(d.regularisation).empty() ? 0.0 : FieldNumber(d.regularisation, "regularisation");
    if (how.abelOptions.regularisation < 0.0) throw fit::FitInputError("regularisation: 0 or more");
    job.options.block = std::max(d.block, 1);
    job.options.jobs = std::max(d.jobs, 0);
    return job;
}

std::vector<std::vector<std::string>> FrameResultTable(const fit::FrameSpectra& frame,
                                                       const std::vector<fit::FrameRow>& rows,
                                                       simulation::AxisUnit unit) {
    std::vector<std::string> names;
    for (const fit::FrameRow& row : rows)
        for (const fit::Parameter& q : row.fit.result.parameters)
            if (q.free && std::find(names.begin(), names.end(), q.name) == names.end()) names.push_back(q.name);
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> header = {"row", fit::PositionColumn(frame), "status"};
    for (const std::string& n : names) header.push_back(n);
    header.push_back("reduced chi-square");
    table.push_back(header);
    const char* outcomes[] = {"fitted", "bad input", "not converged"};
    for (const fit::FrameRow& row : rows) {
        std::vector<std::string> line = {std::to_string(row.index + 1) + (row.half < 0   ? " lower"
                                                                          : row.half > 0 ? " upper"
                                                                                         : ""),
                                         Trim(Str(row.position)), outcomes[static_cast<int>(row.fit.outcome)]};
        const fit::FitResult& r = row.fit.result;
        const bool fitted = row.fit.outcome == fit::BatchOutcome::Fitted;
        for (const std::string& n : names) {
            const fit::Parameter* q = fitted ? r.Find(n) : nullptr;
            const std::string u = q ? fit::ParameterUnit(q->id.kind, unit) : "";
            line.push_back(
                q ? fit::ValueWithUncertainty(q->value, r.Uncertainty(n), q->free) + (u.empty() ? "" : " " + u) : "");
        }
        line.push_back(fitted ? Format(r.reducedChiSquare, "0.000") : row.fit.message);
        table.push_back(line);
    }
    return table;
}

void LoadLifImageDialog(LifImageDialogState& d, const KeyValueStore& store) { Load(store, kLifSection, TextFields(d)); }

void SaveLifImageDialog(const LifImageDialogState& d, KeyValueStore& store) {
    LifImageDialogState copy = d;
    Save(store, kLifSection, TextFields(copy));
}

fit::LifImageRequest LifImageRequestFromDialog(AppState& app, const LifImageDialogState& d) {
    fit::LifImageRequest q;
    q.conditions = app.sim.conditions;
    q.conditions.kind = simulation::SpectrumKind::LifExcitation;
    if (app.sim.Multiplet) {
        // The selected multiplet system, not the doublet system beneath it.
        q.system = fit::MakeFitSystem(app.sim.Multiplet, app.db);
    } else {
        const auto model = CurrentModel(app.sim, app.db);
        if (!model) throw fit::FitInputError("no band system is selected");
        q.system = fit::MakeFitSystem(model, app.db);
    }
    q.lines = Numbers(d.lines, "lines");
    if (q.lines.size() < 2) throw fit::FitInputError("lines: give the laser positions of two or more lines");
    const std::vector<std::string> images = Items(d.images, ";");
    if (images.empty()) throw fit::FitInputError("images: choose one image per line, or one stack");
    if (images.size() == 1)
        for (std::size_t k = 0; k < q.lines.size(); ++k)
            q.images.push_back(experiment::ReadFrameFile(images[0], static_cast<int>(k) + 1));
    else
        for (const std::string& f : images) q.images.push_back(experiment::ReadFrameFile(f, 1));
    for (const std::string& f : Items(d.backgrounds, ";")) q.backgrounds.push_back(experiment::ReadFrameFile(f, 1));
    q.energies = Numbers(d.energies, "energies");
    q.noise = Numbers(d.noise, "read noise");
    if (q.noise.size() == 1) q.noise.assign(q.lines.size(), q.noise[0]);
    q.threshold = FieldNumber(d.threshold, "threshold");
    q.gain = Trim(d.gain).empty() ? 0.0 : FieldNumber(d.gain, "gain");
    std::tie(q.t1, q.t2) = Range(d.temperatures, "temperatures");
    return q;
}

}  // namespace velmora::program

#include "display/print_layout.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "display/plot_draw.h"
#include "experiment/comparison.h"
#include "populations/selected_populations.h"
#include "simulation/condition_view.h"
#include "table/table_model.h"

namespace velmora::display {

namespace {

constexpr double kPageLeft = 1000.0, kPageTop = 800.0;  // twips
constexpr int kColumn = 12;                             // characters per value column

std::string RightAlign(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string LeftAlign(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

/// Width of the text block: the page less a margin of kPageLeft on either side (twips).
double TextBlockWidth(const PageSetup& setup) { return std::max(setup.widthTwips - 2.0 * kPageLeft, 1.0); }

/// Breaks a line into lines no wider than `width` in the canvas's units: first at the wide gaps
/// between its items, then at the blanks within an item (the lines it continues are indented).
std::vector<std::string> WrapToWidth(const Canvas& page, const std::string& text, double width) {
    const std::string gap = "    ";
    auto fits = [&](const std::string& t) { return page.TextWidth(t) <= width; };
    std::vector<std::string> lines;
    std::string line;
    auto addWords = [&](const std::string& item) {
        std::size_t from = 0;
        while (from <= item.size()) {
            std::size_t to = item.find(' ', from);
            if (to == std::string::npos) to = item.size();
            const std::string word = item.substr(from, to - from);
            from = to + 1;
            if (word.empty()) continue;
            if (line.empty() || fits(line + " " + word)) {
                line += (line.empty() ? "" : " ") + word;
            } else {
                lines.push_back(line);
                line = "  " + word;
            }
        }
    };
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t to = text.find(gap, from);
        if (to == std::string::npos) to = text.size();
        const std::string item = text.substr(from, to - from);
        from = to + gap.size();
        if (line.empty() ? fits(item) : fits(line + gap + item)) {
            line += (line.empty() ? "" : gap) + item;
            continue;
        }
        if (!line.empty()) lines.push_back(line), line.clear();
        if (fits(item))
            line = item;
        else
            addWords(item);
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

/// Prints the header "VELMORA  (date)     " followed by `rest` at the top of the page (on more
/// lines when it is wider than the page) and a rule under it; returns the y of the rule.
double PrintHeader(Canvas& page, const PageSetup& setup, const std::string& rest) {
    page.SetScale(0.0, 0.0, setup.widthTwips, setup.heightTwips);
    page.SetFontName("Arial");
    page.SetFontSize(10);
    double y = kPageTop;
    const std::vector<std::string> lines =
        WrapToWidth(page, "VELMORA  (" + setup.date + ")     " + rest, TextBlockWidth(setup));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) y += page.TextHeight(lines[i]);
        page.Text(kPageLeft, y, lines[i], Palette(0));
    }
    const double ruleY = y + page.TextHeight("VELMORA");
    page.Line(kPageLeft, ruleY, kPageLeft + TextBlockWidth(setup), ruleY, Palette(0));
    return ruleY;
}

std::string PrintedValue(PlotView s, double value) {
    if (!(value > 0.0)) return "  --------- ";
    return RightAlign(Format(value, s.db.cat.QuantityFormat(s.table.icoef, 0)), kColumn);
}

}  // namespace

std::string SpectrumPageTitle(PlotView s) {
    const Catalogue& cat = s.db.cat;
    const int systemEntry = s.db.systemEntry;
    std::string title = "Simulation   ";
    if (cat.MoleculeName.Contains(systemEntry))
        title = "Simulation   " + cat.MoleculeName(systemEntry) + cat.SystemLabel(systemEntry);
    const int kind = simulation::StoredValue(simulation::ShownConditions(s.sim).kind);
    if (cat.KindName.Contains(kind)) title += "  " + cat.KindName(kind);
    const ExperimentState& e = s.exp;
    if (ExperimentShown(s) && e.ExpCurrent >= 0 && e.ExpCurrent < static_cast<int>(e.ExpFiles.size()))
        title += "          Exp. spectra: " + e.ExpFiles[static_cast<std::size_t>(e.ExpCurrent)].Title;
    return title;
}

namespace {

/// A number as the page prints it: seven significant digits.
std::string Number(double value) { return Trim(Str(static_cast<float>(value))); }

/// "Temperature 3000 K (thermalized system)", or the temperatures of the edited populations of
/// the levels simulated.
std::string TemperatureLine(PlotView s, const simulation::Spectrum& result) {
    const PopulationState& pop = s.pop;
    const std::string thermal = "Temperature " + Number(result.conditions.temperature) + " K (thermalized system)";
    if (pop.ThermalFlag == 1) return thermal;
    if (s.sim.Multiplet) {
        // A system of any multiplicity draws its edited populations, or thermal ones before any edit.
        const auto& edited = s.sim.MultipletEdited;
        const bool drawn = edited && edited->state == simulation::PopulatedState(result.conditions.kind);
        return drawn ? "Populations not thermalized: rotational distributions as edited or loaded" : thermal;
    }
    std::string line = "Populations not thermalized: vibrational ";
    line += s.popwin.VibrationalMode == DistributionMode::Thermal ? Number(pop.TVib) + " K" : std::string("as edited");
    line += "; rotational";
    const bool upper = simulation::PopulatedState(result.conditions.kind) == ElectronicState::Upper;
    const std::string prime = upper ? "'" : "''";
    for (int k = 1; k <= static_cast<int>(result.levels.size()); ++k) {
        const int v = result.levels[static_cast<std::size_t>(k - 1)];
        const bool thermal = pop.TRot.Contains(v) && pop.TRot(v) >= 0.0f;
        line += (k > 1 ? ", v" : " v") + prime + "=" + std::to_string(v) + " " +
                (thermal ? Number(pop.TRot(v)) + " K" : std::string("as edited"));
    }
    return line;
}

}  // namespace

std::vector<std::string> SpectrumPageConditions(PlotView s) {
    const Catalogue& cat = s.db.cat;
    const simulation::Spectrum& result = s.sim.result;
    const simulation::SimulationConditions& c = result.conditions;
    const std::string unit = simulation::AxisUnitName(c.unit);
    std::vector<std::string> lines;
    lines.push_back("Range " + Number(c.start) + " to " + Number(c.end) + " " + unit + "    " +
                    TemperatureLine(s, result));

    const int shape = simulation::StoredValue(c.lineshape);
    std::string instrument = "Lineshape " + (shape <= 3 ? cat.LineshapeName.ValueAt(shape)
                                                        : std::string(simulation::kConvolvedLineshapeNames[shape - 4]));
    if (c.lineshape == simulation::Lineshape::Voigt) instrument += " (" + Number(c.lorentzPercent) + " % Lorentzian)";
    instrument += ", instrumental resolution " + Number(c.resolution) + " " + unit + " (FWHM)";
    std::vector<std::string> broadening;
    if (c.dopplerBroadening) broadening.push_back("Doppler");
    if (c.collisionalBroadening) broadening.push_back("collisional");
    if (c.predissociationBroadening) broadening.push_back("predissociation");
    if (!broadening.empty()) {
        instrument += ", with ";
        for (std::size_t i = 0; i < broadening.size(); ++i)
            instrument += (i == 0 ? "" : i + 1 == broadening.size() ? " and " : ", ") + broadening[i];
        instrument += " broadening: total width " + Format(result.widths.totalWidth, "##0.0###") + " " + unit;
    }
    instrument += "    Pressure " + Number(c.pressure) + " Torr";
    lines.push_back(instrument);

    const ExperimentState& e = s.exp;
    if (ExperimentShown(s) && e.ExpCurrent >= 0 && e.ExpCurrent < static_cast<int>(e.ExpFiles.size())) {
        lines.push_back("Experimental spectrum " + e.ExpFiles[static_cast<std::size_t>(e.ExpCurrent)].Title +
                        ": baseline correction " + Number(e.Baseline) + " %, wavelength correction " +
                        Number(e.WavelengthCorrection) + ", multiplied by " + Number(e.Multiply) + "    " +
                        Trim(e.LblCorrelation) + "    " + Trim(e.LblDeviation));
    }
    return lines;
}

void DrawSpectrumPage(PlotView s, Canvas& page, const PageSetup& setup) {
    PlotState& p = s.plot;
    if (!p.PlotReady) return;
    double y = PrintHeader(page, setup, SpectrumPageTitle(s));
    // The comparison statistics of the lines below are those of the plot as drawn now.
    if (s.exp.ExpCount > 0) experiment::CompareWithSimulation(s.exp, s.sim.result, s.plot.ZoomY);
    for (const std::string& condition : SpectrumPageConditions(s))
        for (const std::string& line : WrapToWidth(page, condition, TextBlockWidth(setup))) {
            y += page.TextHeight(line);
            page.Text(kPageLeft, y, line, Palette(0));
        }

    // Black on white for the page, with the level colours meant for a white background.
    const int scheme = p.intColor;
    p.intColor = 0;
    ApplyColorScheme(p);

    p.YMax = 100.0f;
    const double ymax = p.YMax, zy = p.ZoomY, extra = ResidualHeadroom(s);
    const double w = setup.widthTwips, h = setup.heightTwips;
    const double aspect = w > 0 && h > 0 ? std::max(w / h, h / w) : 1.0;
    const double L = p.ViewLeft, R = p.ViewRight, span = R - L;
    const double bottom = -35.0 / zy * aspect;
    double top = (105.0 + extra) / zy * aspect;
    // The frame starts a line below the text: share f of the page's height above it, so that
    // (top - frame) / (top - bottom) >= f.
    const double frameTop = (1.05 * ymax + extra) / zy;
    const double f = h > 0.0 ? std::min((y + 2.0 * page.TextHeight("VELMORA")) / h, 0.5) : 0.0;
    top = std::max(top, (frameTop - f * bottom) / (1.0 - f));
    page.SetScale(L - 0.2 * span, top, R + 0.2 * span, bottom);
    const Rgb black = Palette(0);
    page.Box(L, (1.05 * ymax + extra) / zy, R, -0.05 * ymax / zy, black, false);

    const std::string caption = AxisCaption(RangeShown(s).units);
    page.Text(L + span / 2.0 - page.TextWidth(caption) / 2.0, -0.08 * ymax / zy * aspect, caption, black);

    PlotContext ctx{page, page};
    ctx.labelTop = -0.04 * ymax / zy * aspect;
    ctx.labelLimitStart = L - 0.2 * span;
    ctx.labelLimitEnd = R + 0.2 * span;
    ctx.printing = true;
    const int wpx = page.WidthPixels(), hpx = page.HeightPixels();
    ctx.columnWidth = wpx > 0 ? 1.4 * span / wpx : 0.0;
    ctx.rowHeight = hpx > 0 ? (top - bottom) / hpx : 0.0;
    ctx.yLabels = &page;
    ctx.yLabelRight = L - 0.01 * span;
    ctx.yLabelsAspect = ctx.rowHeight > 0.0 ? ctx.columnWidth / ctx.rowHeight : 0.0;
    DrawXAxisTicks(s, ctx, -0.05 * ymax, 1.05 * ymax, true);
    DrawPlotContent(s, ctx);

    p.intColor = scheme;
    ApplyColorScheme(p);
}

std::vector<PrintLine> DatabaseTablePrintLines(PlotView s) {
    const Catalogue& cat = s.db.cat;
    const TableState& t = s.table;
    const int systemEntry = s.db.systemEntry;
    std::vector<PrintLine> lines;
    auto add = [&](std::string text, bool fixed = false) { lines.push_back({std::move(text), fixed, false}); };
    add("");
    add("RADICAL : " + cat.MoleculeName(systemEntry));
    add("SYSTEM : " + cat.SystemLabel(systemEntry));
    add("QUANTITY: " + (t.UntabulatedQuantity.empty() ? table::QuantityCaption(s.db, t) : t.UntabulatedQuantity));
    add("UNITS   : " + table::DisplayedUnit(s.db, t));
    add("");
    if (t.TableData.Empty()) return lines;

    if (!table::IsRotationalLayout(t)) {
        const std::string lead = "  " + cat.StateLabel(2, systemEntry) + " v''   ";
        std::string header = lead;
        for (int j = 0; j < t.TableCols; ++j)
            header += RightAlign(cat.StateLabel(1, systemEntry) + " v'=" + Format(j, "##0"), kColumn);
        add(header, true);
        for (int row = t.RowFirst; row <= t.RowLast; ++row) {
            std::string line = LeftAlign(Format(row - 1, "##0  "), lead.size());
            for (int c = 1; c <= t.TableCols; ++c) line += PrintedValue(s, t.TableData(row, c));
            add(line, true);
        }
        return lines;
    }

    const bool caseA = t.nomenclature != 0;
    if (t.icoef == 6)
        add("Vibrational Level:    " + Format(t.DbVUpper, " #0 "), true);
    else
        add("BAND:    " + Format(t.DbVUpper, " #0 -") + Format(t.DbVLower, " #0 "), true);
    const std::string lead = caseA ? "   J     " : "   N    ";
    const int labelColumn = s.db.cat.StateLambda(1, systemEntry) != 0 ? 1 : 0;
    for (int section = 0; section < 2; ++section) {
        const int first = 1 + 6 * section, last = std::min(6 + 6 * section, t.TableCols);
        if (first > last) break;
        add("");
        add(section == 0 ? "MAIN BRANCHES" : "SATELLITE BRANCHES", true);
        std::string header = lead;
        for (int c = first; c <= last; ++c)
            header +=
                RightAlign(t.icoef == 6 ? cat.TableLabel(labelColumn, c) : cat.BranchName(caseA ? 1 : 0, c), kColumn);
        add(header, true);
        for (int row = t.RowFirst; row <= t.RowLast; ++row) {
            const int N = table::RowLevel(t, row);
            std::string label;
            if (!caseA)
                label = Format(N, "##0  ");
            else
                label = N - 0.5 > 0 ? Format(N - 0.5, "#0.#  ") : std::string(6, ' ');
            if (const char parity = table::RowParity(s.db, t, row)) label.back() = parity;
            std::string line = LeftAlign(RightAlign(label, 6), lead.size());
            for (int c = first; c <= last; ++c) line += PrintedValue(s, t.TableData(row, c));
            add(line, true);
        }
    }
    return lines;
}

void DrawDatabaseTablePages(PlotView s, Canvas& page, const PageSetup& setup) {
    double y = PrintHeader(page, setup, "Database ");
    const double bottomMargin = setup.heightTwips - kPageTop;
    for (const PrintLine& line : DatabaseTablePrintLines(s)) {
        page.SetFontName(line.fixedPitch ? "Courier" : "Arial");
        const double lh = page.TextHeight("X");
        if (y + lh > bottomMargin) {
            page.NewPage();
            page.SetScale(0.0, 0.0, setup.widthTwips, setup.heightTwips);
            y = kPageTop;
        }
        if (!line.text.empty()) page.Text(kPageLeft, y, line.text, Palette(0));
        y += lh;
    }
}

void DrawClipboardPicture(PlotView s, Canvas& pic) {
    PlotState& p = s.plot;
    if (!p.PlotReady) return;
    const int W = pic.WidthPixels(), H = pic.HeightPixels();
    if (W <= 0 || H <= 0) return;
    pic.SetBackColor(Palette(p.BackColorIndex));
    pic.Clear();
    pic.SetFontSize(kClipboardFontSize);

    // Margins in pixels from the text they hold: intensity caption and labels on the left, the
    // wavelength labels and caption below, half a label on the right, half a line on top.
    pic.SetScale(0.0, 0.0, W, H);
    const double line = pic.TextHeight("0"), gap = 0.5 * pic.TextWidth("0");
    const double left = std::min(0.4 * W, gap + line + 2.0 * gap + pic.TextWidth("100.0") + gap);
    const double right = std::min(0.2 * W, 0.5 * pic.TextWidth("00000.00") + gap);
    const double top = std::min(0.2 * H, 0.5 * line + gap);
    const double bottom = std::min(0.4 * H, 2.0 * line + 3.0 * gap);

    p.YMax = 100.0f;
    const double ymax = p.YMax, zy = p.ZoomY, extra = ResidualHeadroom(s);
    const double L = p.ViewLeft, R = p.ViewRight, span = R - L;
    const double T = (1.05 * ymax + extra) / zy, B = -0.05 * ymax / zy;
    // The plot fills the picture inside the margins; the picture's scale follows from it.
    const double ux = span / (W - left - right), uy = (T - B) / (H - top - bottom);
    pic.SetScale(L - left * ux, T + top * uy, L + (W - left) * ux, T - (H - top) * uy);
    const Rgb fore = Palette(p.ForeColorIndex);

    PlotContext ctx{pic, pic};
    ctx.columnWidth = ux;
    ctx.rowHeight = uy;
    ctx.yLabels = &pic;
    ctx.yLabelRight = L - gap * ux;
    ctx.yLabelsAspect = ux / uy;
    DrawXAxisTicks(s, ctx, -0.05 * ymax, 1.05 * ymax, false);
    DrawPlotContent(s, ctx);
    pic.Box(L, T, R, B, fore, false);

    ctx.labelTop = B - gap * uy;
    ctx.labelLimitStart = L - left * ux;
    ctx.labelLimitEnd = L + (W - left) * ux;
    DrawXAxisLabels(s, ctx);
    const std::string caption = AxisCaption(RangeShown(s).units);
    pic.Text(L + span / 2.0 - pic.TextWidth(caption) / 2.0, B - (line + 2.0 * gap) * uy, caption, fore);
}

}  // namespace velmora::display

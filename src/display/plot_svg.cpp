#include "display/plot_svg.h"

#include <stdexcept>

#include "common/errors.h"
#include "display/plot_draw.h"
#include "display/plot_frame.h"
#include "display/svg_canvas.h"
#include "simulation/condition_view.h"

namespace velmora::display {

namespace {

constexpr double kTwipsPerPixel = 15.0;

/// The plot window as a document: the plot area and both axis strips at their window positions.
void DrawPlotDocument(PlotView s, SvgDocument& doc, int widthPixels, int heightPixels) {
    if (!s.plot.PlotReady) throw std::runtime_error("there is no simulation to draw");
    // The window layout is given in twips.
    const PlotWindowLayout l = LayOutPlotWindow(static_cast<int>(widthPixels * kTwipsPerPixel),
                                                static_cast<int>(heightPixels * kTwipsPerPixel));
    if (l.plotWidth <= 0 || l.plotHeight <= 0) throw std::runtime_error("the picture is too small");
    auto px = [](int twips) { return twips / kTwipsPerPixel; };
    SvgCanvas& plot = doc.AddRegion(px(l.plotLeft), px(l.plotTop), px(l.plotWidth), px(l.plotHeight));
    SvgCanvas& axis = doc.AddRegion(px(l.axisLeft), px(l.axisTop), px(l.axisWidth), px(l.axisHeight));
    SvgCanvas& yAxis = doc.AddRegion(px(l.yAxisLeft), px(l.yAxisTop), px(l.yAxisWidth), px(l.yAxisHeight));
    RedrawPlot(s, plot, axis, yAxis);
}

}  // namespace

std::string PlotSvg(PlotView s, int widthPixels, int heightPixels) {
    SvgDocument doc(widthPixels, heightPixels, PaletteColor(s.plot.BackColorIndex));
    doc.SetTitle(simulation::SimulationTitle(s.sim.result));
    DrawPlotDocument(s, doc, widthPixels, heightPixels);
    return doc.Markup();
}

void WritePlotSvg(PlotView s, const std::filesystem::path& path, int widthPixels, int heightPixels) {
    SvgDocument doc(widthPixels, heightPixels, PaletteColor(s.plot.BackColorIndex));
    doc.SetTitle(simulation::SimulationTitle(s.sim.result));
    try {
        DrawPlotDocument(s, doc, widthPixels, heightPixels);
    } catch (const std::runtime_error& e) {
        throw FileError::In(path.string(), e.what());
    }
    doc.Save(path);
}

}  // namespace velmora::display

// Printed pages and the clipboard picture, drawn onto a Canvas: the spectrum page (the plot
// drawn again for the page, black on white), the database-table pages and the clipboard copy.
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"
#include "display/plot_view.h"

namespace velmora::display {

/// The printer page as the shell reports it.
struct PageSetup {
    double widthTwips = 11906;   ///< printable width (A4 portrait by default)
    double heightTwips = 16838;  ///< printable height
    bool landscape = false;
    std::string date;  ///< today's date in the platform's short form
};

/// One text line of a printed document.
struct PrintLine {
    std::string text;
    bool fixedPitch = false;  ///< table body (Courier) rather than Arial
    bool rule = false;        ///< a horizontal rule under this line
};

/// "Simulation  <molecule><system>  <kind>", with the experimental file when one is shown.
std::string SpectrumPageTitle(PlotView s);

/// What was simulated, as the spectrum page prints it under its title: range and unit,
/// temperatures, lineshape, resolution and broadening, and the experimental file shown with its
/// corrections and comparison.
std::vector<std::string> SpectrumPageConditions(PlotView s);

/// The spectrum page: header line and rule, the conditions, then the plot with its frame,
/// captions, ticks, intensity scale and content, black on white whatever the scheme (restored
/// afterwards). Nothing without a simulation.
void DrawSpectrumPage(PlotView s, Canvas& page, const PageSetup& setup);

/// Lines of the database-table printout after the header line.
std::vector<PrintLine> DatabaseTablePrintLines(PlotView s);
/// The database-table pages; long tables run on to further pages.
void DrawDatabaseTablePages(PlotView s, Canvas& page, const PageSetup& setup);

/// Font size of the clipboard picture's labels and captions.
inline constexpr double kClipboardFontSize = 14;

/// The clipboard picture of the plot, filling the picture whatever its size: the plot with its
/// frame and intensity scale, the wavelength labels and caption below it, each margin as wide as
/// the text it holds.
void DrawClipboardPicture(PlotView s, Canvas& picture);

}  // namespace velmora::display

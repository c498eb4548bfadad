// Printed pages and the clipboard picture, drawn onto a Canvas: the spectrum page (the plot
// drawn again for the page, black on white), the database-table pages and the clipboard copy.
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"
#include "state/app_state.h"

namespace velmora::display {

/// The printer page as the shell reports it.
struct PageSetup {
    double widthTwips = 11906;   ///< printable width (A4 portrait by default)
    double heightTwips = 16838;  ///< printable height
    bool landscape = false;
    std::string date;            ///< today's date in the platform's short form
};

/// One text line of a printed document.
struct PrintLine {
    std::string text;
    bool fixedPitch = false;  ///< table body (Courier) rather than Arial
    bool rule = false;        ///< a horizontal rule under this line
};

/// "Simulation  <molecule><system>  <kind>", with the experimental file when one is shown.
std::string SpectrumPageTitle(const AppState& s);

/// The spectrum page: header line and rule, then the plot with its frame, caption, ticks and
/// content, black on white whatever the scheme (restored afterwards). Nothing without a
/// simulation.
void DrawSpectrumPage(AppState& s, Canvas& page, const PageSetup& setup);

/// Lines of the database-table printout after the header line.
std::vector<PrintLine> DatabaseTablePrintLines(const AppState& s);
/// The database-table pages; long tables run on to further pages.
void DrawDatabaseTablePages(const AppState& s, Canvas& page, const PageSetup& setup);

/// The clipboard picture of the plot: the plot in a unit square with a frame, the tick labels
/// (font size 14) and the caption below it. The shell sizes the picture 1.05 x the width and
/// 1.1 x the height of the plot area.
void DrawClipboardPicture(AppState& s, Canvas& picture);

}  // namespace velmora::display

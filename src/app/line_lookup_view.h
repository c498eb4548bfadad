// Which lines make a peak, shown at the plot: resting the pointer names the nearest line, a
// click (without dragging) lists the lines within the instrument's width there.
#pragma once

#include <QObject>
#include <QPoint>
#include <tuple>

#include "program/line_lookup.h"

namespace velmora::app {

class MDIVelmora;
class PictureBox;

class LineLookupView final : public QObject {
    Q_OBJECT
public:
    LineLookupView(MDIVelmora& window, PictureBox* plot);

    /// The text a click at plot x shows (empty without a simulation or lines there).
    QString ClickText(double x);
    /// The text resting the pointer at plot x shows.
    QString HoverText(double x);
    /// Marks the lines a click at plot x lists (none there: the marks go).
    void MarkLinesAt(double x);
    /// Peak labels: the strongest lines of the view marked and named, or the marks taken away.
    void LabelStrongestLines(bool on);
    /// A new simulation: marks of the old one go.
    void AfterSimulation();
    /// "Save line list": every line of the simulation shown, as CSV, to `path` (asked for when
    /// empty). False when nothing was written (a message says why, unless cancelled).
    bool SaveLineList(QString path = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The lines of the simulation now shown, listed again after each new simulation.
    const program::SimulatedLines& Lines();

    MDIVelmora& window_;
    PictureBox* plot_;
    program::SimulatedLines lines_;
    std::tuple<const void*, int, float, double, double> listedFor_{nullptr, -1, 0.0f, 0.0, 0.0};
    QPoint pressedAt_;
};

}  // namespace velmora::app

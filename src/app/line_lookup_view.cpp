#include "app/line_lookup_view.h"

#include <QFileDialog>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

#include "app/main_window.h"
#include "app/picture_box.h"

namespace velmora::app {

namespace {

/// Most lines a click lists.
constexpr std::size_t kListedLines = 12;
/// Lines named by the peak labels of a view.
constexpr std::size_t kLabelledLines = 10;

std::vector<PictureBox::Mark> MarksOf(const std::vector<program::LookedUpLine>& lines, std::size_t most) {
    std::vector<PictureBox::Mark> marks;
    for (std::size_t i = 0; i < lines.size() && i < most; ++i)
        marks.push_back({lines[i].position, QString::fromStdString(program::SimulatedLines::Label(lines[i]))});
    return marks;
}

}  // namespace

LineLookupView::LineLookupView(MDIVelmora& window, PictureBox* plot) : QObject(&window), window_(window), plot_(plot) {
    plot_->installEventFilter(this);
}

const program::SimulatedLines& LineLookupView::Lines() {
    const SimulationState& sim = window_.app_.sim;
    const simulation::Spectrum& shown = sim.result;
    const auto stamp = std::make_tuple(shown.total.Empty() ? nullptr : static_cast<const void*>(&shown.total(0)),
                                       shown.grid.last, shown.peak, shown.conditions.start, shown.conditions.end);
    if (stamp != listedFor_) {
        lines_ = program::SimulatedLines(window_.app_);
        listedFor_ = stamp;
    }
    return lines_;
}

QString LineLookupView::ClickText(double x) {
    const program::SimulatedLines& lines = Lines();
    const std::vector<program::LookedUpLine> found = lines.UnderClick(x);
    if (found.empty()) return {};
    QString text = QStringLiteral("Lines within the instrument width, by their share of the intensity:");
    for (std::size_t i = 0; i < found.size() && i < kListedLines; ++i)
        text += "\n" + QString::fromStdString(lines.Text(found[i]));
    if (found.size() > kListedLines) text += QString("\n… and %1 more").arg(found.size() - kListedLines);
    return text;
}

QString LineLookupView::HoverText(double x) {
    const program::SimulatedLines& lines = Lines();
    const auto nearest = lines.Nearest(x);
    return nearest ? QString::fromStdString(lines.Text(*nearest, false)) : QString();
}

void LineLookupView::MarkLinesAt(double x) { plot_->SetMarks(MarksOf(Lines().UnderClick(x), kListedLines)); }

void LineLookupView::LabelStrongestLines(bool on) {
    if (!on || !window_.app_.plot.PlotReady) {
        plot_->SetMarks({});
        return;
    }
    const double x0 = plot_->ToUser(QPointF(0, 0)).x(), x1 = plot_->ToUser(QPointF(plot_->width(), 0)).x();
    plot_->SetMarks(MarksOf(Lines().Strongest(x0, x1, kLabelledLines), kLabelledLines));
}

void LineLookupView::AfterSimulation() { plot_->SetMarks({}); }

bool LineLookupView::SaveLineList(QString path) {
    const program::SimulatedLines& lines = Lines();
    if (lines.Empty()) {
        window_.app_.dialogs->ShowMessage("There is no simulation with lines to save: calculate one first.");
        return false;
    }
    if (path.isEmpty())
        path = QFileDialog::getSaveFileName(&window_, tr("Save line list"), QString(), tr("Line list (*.csv)"));
    if (path.isEmpty()) return false;
    try {
        lines.Write(path.toStdString());
    } catch (const std::exception& e) {
        window_.app_.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

bool LineLookupView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_ || !window_.app_.plot.PlotReady) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString text = HoverText(plot_->ToUser(help->pos()).x());
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, plot_);
            return true;
        }
        case QEvent::MouseButtonPress:
            pressedAt_ = static_cast<QMouseEvent*>(event)->position().toPoint();
            break;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // A click, not the end of a dragged zoom rectangle.
            if (mouse->button() != Qt::LeftButton || (mouse->position().toPoint() - pressedAt_).manhattanLength() > 3)
                break;
            const double x = plot_->ToUser(mouse->position()).x();
            const QString text = ClickText(x);
            MarkLinesAt(x);
            if (!text.isEmpty()) QToolTip::showText(mouse->globalPosition().toPoint(), text, plot_);
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmora::app

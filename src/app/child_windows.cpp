#include "app/child_windows.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/qt_canvas.h"
#include "common/number_format.h"
#include "display/plot_frame.h"
#include "populations/populations_window.h"
#include "program/multiplet_populations_window.h"

namespace velmora::app {

namespace {

/// Twips per screen pixel (1440 twips per inch at 96 pixels per inch).
constexpr double kTwipsPerPixel = 15.0;

int Px(int twips) { return static_cast<int>(twips / kTwipsPerPixel + 0.5); }
int Twips(int px) { return static_cast<int>(px * kTwipsPerPixel); }

}  // namespace

QLineEdit* NamedEdit(QWidget* parent, const char* name, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(width);
    return e;
}

QComboBox* NamedCombo(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    return c;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

void SetEditText(QLineEdit* edit, const std::string& text) {
    const QString q = QStr(Trim(text));
    if (edit->text().trimmed() != q) {
        const QSignalBlocker block(edit);
        edit->setText(q);
    }
}

void SetComboItems(QComboBox* combo, const std::vector<std::string>& items, int index) {
    const QSignalBlocker block(combo);
    bool same = combo->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < combo->count(); ++i)
        same = combo->itemText(i) == QStr(items[static_cast<std::size_t>(i)]);
    if (!same) {
        combo->clear();
        for (const std::string& item : items) combo->addItem(QStr(item));
    }
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void SetComboIndex(QComboBox* combo, int index) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void SetChecked(QCheckBox* box, bool checked) {
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

// ---------------------------------------------------------------------------------------------

DatabaseWindow::DatabaseWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("Frmdatabase");
    setWindowTitle("Database");
    grid_ = new QTableWidget(this);
    grid_->setObjectName("FxGrid");
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->hide();
    grid_->setAlternatingRowColors(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
}

void DatabaseWindow::ShowTable(const AppState& app) {
    const TableState& t = app.table;
    const TableGrid& g = t.Grid;
    setWindowTitle(t.Caption.empty() ? QStringLiteral("Database") : QStr(t.Caption));
    // Refreshes follow every event; a table that did not change is not copied again.
    if (any_ && g.Cells == shown_.Cells && g.Bold == shown_.Bold && g.ColWidths == shown_.ColWidths) return;
    shown_ = g;
    any_ = true;
    const QSignalBlocker block(grid_);
    grid_->setUpdatesEnabled(false);
    QFont font = grid_->font();
    font.setPointSizeF(g.FontSize > 0 ? g.FontSize * 0.9 : 9.0);
    grid_->setFont(font);
    QFont bold = font;
    bold.setBold(true);
    const int rows = std::min<int>(g.Rows, static_cast<int>(g.Cells.size()));
    grid_->clearContents();
    grid_->setRowCount(rows);
    grid_->setColumnCount(g.Cols);
    for (int c = 0; c < g.Cols; ++c) {
        const int twips = c < static_cast<int>(g.ColWidths.size()) ? g.ColWidths[static_cast<std::size_t>(c)] : 1300;
        grid_->setColumnWidth(c, Px(twips));
    }
    for (int r = 0; r < rows; ++r) {
        const auto& cells = g.Cells[static_cast<std::size_t>(r)];
        for (int c = 0; c < g.Cols && c < static_cast<int>(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(QStr(cells[static_cast<std::size_t>(c)]));
            const bool isBold = r < static_cast<int>(g.Bold.size()) &&
                                c < static_cast<int>(g.Bold[static_cast<std::size_t>(r)].size()) &&
                                g.Bold[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            const bool fixed = r < g.FixedRows || c == 0;
            if (isBold || fixed) item->setFont(bold);
            if (fixed) item->setBackground(palette().button());
            item->setTextAlignment(c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
            grid_->setItem(r, c, item);
        }
    }
    grid_->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------------------------

SimulationWindow::SimulationWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("frmSimulation");
    setWindowTitle("Simulation");
    plot_ = new PictureBox(this);
    plot_->setObjectName("PicSimulation");
    plot_->setCursor(Qt::CrossCursor);
    axis_ = new PictureBox(this);
    axis_->setObjectName("PicAxis");
    axis_->setFocusPolicy(Qt::NoFocus);
    yAxis_ = new PictureBox(this);
    yAxis_->setObjectName("PicYAxis");
    yAxis_->setFocusPolicy(Qt::NoFocus);
    coordinates_ = new QLabel(this);
    coordinates_->setObjectName("LblCoordinates");
    coordinates_->setAutoFillBackground(true);
    coordinates_->setMargin(2);
    coordinates_->hide();
    setMinimumSize(200, 120);
}

void SimulationWindow::LayOut(AppState& app) {
    // Sizes in twips from the core; the axis strip is 350 twips wider than the plot.
    const display::PlotWindowLayout l = display::frmSimulation_Resize(app, Twips(width()), Twips(height()));
    plot_->setGeometry(Px(l.plotLeft), Px(l.plotTop), std::max(1, Px(l.plotWidth)), std::max(1, Px(l.plotHeight)));
    const int axisTop = plot_->geometry().bottom() + 1;
    axis_->setGeometry(Px(l.axisLeft), axisTop, std::max(1, Px(l.axisWidth)), std::max(1, Px(l.axisHeight)));
    yAxis_->setGeometry(Px(l.yAxisLeft), plot_->geometry().top(), std::max(1, plot_->geometry().left()),
                        plot_->height());
    PlaceReadout();
}

void SimulationWindow::PlaceReadout() {
    coordinates_->move(plot_->geometry().right() - coordinates_->width() - 4, plot_->geometry().top() + 4);
    coordinates_->raise();
}

void SimulationWindow::Redraw(AppState& app) {
    QImage plotImage = plot_->NewBuffer(), axisImage = axis_->NewBuffer(), yAxisImage = yAxis_->NewBuffer();
    QPainter plotPainter(&plotImage), axisPainter(&axisImage), yAxisPainter(&yAxisImage);
    QtCanvas plotCanvas(plotPainter, QRectF(0, 0, plotImage.width(), plotImage.height()));
    QtCanvas axisCanvas(axisPainter, QRectF(0, 0, axisImage.width(), axisImage.height()));
    QtCanvas yAxisCanvas(yAxisPainter, QRectF(0, 0, yAxisImage.width(), yAxisImage.height()));
    // Before the first simulation the plot area shows the scheme's background and the axis strips
    // stay white as the buffers come; afterwards the redraw clears every surface itself.
    if (!app.plot.PlotReady) {
        plotCanvas.SetBackColor(PaletteColor(app.plot.BackColorIndex));
        plotCanvas.Clear();
    }
    display::RedrawPlot(app, plotCanvas, axisCanvas, yAxisCanvas);
    // The corners beside the axis strips (and the pointer read-out) take the scheme's colours too.
    QPalette shade = palette();
    shade.setColor(QPalette::Window, ToQColor(PaletteColor(app.plot.BackColorIndex)));
    shade.setColor(QPalette::WindowText, ToQColor(PaletteColor(app.plot.ForeColorIndex)));
    setPalette(shade);
    setAutoFillBackground(true);
    plotPainter.end();
    axisPainter.end();
    yAxisPainter.end();
    plot_->SetPicture(plotImage, plotCanvas);
    axis_->SetPicture(axisImage, axisCanvas);
    yAxis_->SetPicture(yAxisImage, yAxisCanvas);
}

void SimulationWindow::resizeEvent(QResizeEvent*) { emit Resized(); }

// ---------------------------------------------------------------------------------------------

PopulationsWindow::PopulationsWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("frmPopulations");
    setWindowTitle("Populations");

    auto* controls = new QWidget(this);
    // A narrow column of controls leaves the histograms room beside the plot on a small screen:
    // a long label puts its field on the line below.
    controls->setMaximumWidth(220);
    auto* form = new QFormLayout(controls);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->setContentsMargins(4, 4, 4, 4);
    form->setVerticalSpacing(3);
    cmbVibLevel = NamedCombo(controls, "CmbVibLevel");
    cmbStructure = NamedCombo(controls, "CmbStructure");
    cmbRotational = NamedCombo(controls, "CmbRotational", {"Thermal", "Non-thermal"});
    cmbVibrational = NamedCombo(controls, "CmbVibrational", {"Thermal", "Non-thermal"});
    txtTRotational = NamedEdit(controls, "TxtTRotational");
    txtTVibrational = NamedEdit(controls, "TxtTVibrational");
    txtSetTemperature = NamedEdit(controls, "TxtSetTemperature");
    txtSpinCombination = NamedEdit(controls, "TxtSpinCombination");
    txtMinPopVib = NamedEdit(controls, "TxtMinPopVib", 90);
    cmdInitialize = new QPushButton("Initialize", controls);
    cmdInitialize->setObjectName("CmdInitialize");
    form->addRow("Vibrational level", cmbVibLevel);
    form->addRow("Rotational manifold", cmbStructure);
    form->addRow("Vibrational distribution", cmbVibrational);
    form->addRow("Temperature", txtTVibrational);
    form->addRow("Rotational distribution", cmbRotational);
    form->addRow("Temperature", txtTRotational);
    form->addRow("Set temperature to", txtSetTemperature);
    form->addRow("Spin-orbit combination factor", txtSpinCombination);
    form->addRow("Minimum population\nin simulation", txtMinPopVib);
    form->addRow(cmdInitialize);

    tabs = new QTabWidget(this);
    tabs->setObjectName("SSTab1");
    gridPop = new QTableWidget(tabs);
    gridPop->setObjectName("GridPop");
    gridPop->verticalHeader()->hide();
    gridPop->horizontalHeader()->hide();
    gridPop->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);

    auto* vibPage = new QWidget(tabs);
    picVibrational = new PictureBox(vibPage);
    picVibrational->setObjectName("PicVibrational");
    lblVib1 = NamedLabel(vibPage, "LblVib1");
    lblVib2 = NamedLabel(vibPage, "LblVib2");
    auto* vibLayout = new QVBoxLayout(vibPage);
    vibLayout->setContentsMargins(6, 6, 6, 6);
    vibLayout->addWidget(picVibrational, 1);
    auto* vibStatus = new QHBoxLayout;
    vibStatus->addWidget(lblVib1);
    vibStatus->addWidget(lblVib2);
    vibStatus->addStretch(1);
    vibLayout->addLayout(vibStatus);

    auto* rotPage = new QWidget(tabs);
    picRotational = new PictureBox(rotPage);
    picRotational->setObjectName("PicRotational");
    lblRot1 = NamedLabel(rotPage, "LblRot1");
    lblRot2 = NamedLabel(rotPage, "LblRot2");
    sldRotLimit = new QSlider(Qt::Horizontal, rotPage);
    sldRotLimit->setObjectName("SldRotLimit");
    sldRotLimit->setRange(5, 100);
    sldRotLimit->setValue(100);
    sldRotYMax = new QSlider(Qt::Vertical, rotPage);
    sldRotYMax->setObjectName("SldRotYMax");
    sldRotYMax->setRange(5, 100);
    sldRotYMax->setValue(100);
    sldRotYMax->setToolTip("Vertical range of the histogram");
    auto* rotLayout = new QGridLayout(rotPage);
    rotLayout->setContentsMargins(6, 6, 6, 6);
    rotLayout->addWidget(picRotational, 0, 0);
    rotLayout->addWidget(sldRotYMax, 0, 1);
    auto* rotStatus = new QHBoxLayout;
    rotStatus->addWidget(lblRot1);
    rotStatus->addWidget(lblRot2);
    rotStatus->addStretch(1);
    rotLayout->addLayout(rotStatus, 1, 0, 1, 2);
    auto* range = new QHBoxLayout;
    auto* rangeLabel = new QLabel("Rotational range (%)", rotPage);
    rangeLabel->setObjectName("LblRotRange");
    range->addWidget(rangeLabel);
    range->addWidget(sldRotLimit, 1);
    rotLayout->addLayout(range, 2, 0, 1, 2);

    // Short tab names, so that all three show whole in a narrow window; the tooltips say more.
    tabs->addTab(gridPop, "Table");
    tabs->addTab(vibPage, "Vibrational");
    tabs->addTab(rotPage, "Rotational");
    tabs->setTabToolTip(0, "Populations table");
    tabs->setTabToolTip(1, "Vibrational histogram");
    tabs->setTabToolTip(2, "Rotational histogram");

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(controls);
    layout->addWidget(tabs, 1);
    setMinimumSize(300, 200);
}

void PopulationsWindow::RedrawHistograms(AppState& app) {
    if (app.sim.Multiplet) {
        // Only the rotational histogram applies; the vibrational one is left empty.
        picVibrational->Render([&](Canvas& c) {
            c.SetBackColor(PaletteColor(app.plot.BackColorIndex));
            c.Clear();
        });
        picRotational->Render([&](Canvas& c) { program::DrawMultipletRotationalHistogram(app, c); });
        return;
    }
    picVibrational->Render([&](Canvas& c) { populations::DrawVibrationalHistogram(app, c); });
    picRotational->Render([&](Canvas& c) { populations::DrawRotationalHistogram(app, c); });
}

void PopulationsWindow::ShowState(const AppState& app) {
    if (app.sim.Multiplet) {
        ShowMultiplet(app);
        return;
    }
    const PopulationsWindowState& w = app.popwin;
    const PopulationState& pop = app.pop;
    setWindowTitle(QStr(w.Caption));
    SetComboItems(cmbVibLevel, w.VibLevelItems, pop.SelV);
    SetComboItems(cmbStructure, w.StructureItems, w.StructureIndex);
    SetComboIndex(cmbRotational, static_cast<int>(w.RotationalMode));
    SetComboIndex(cmbVibrational, static_cast<int>(w.VibrationalMode));
    SetEditText(txtTRotational, pop.TxtTRotational);
    SetEditText(txtTVibrational, pop.TxtTVibrational);
    SetEditText(txtSetTemperature, w.TxtSetTemperature);
    SetEditText(txtSpinCombination, pop.TxtSpinCombination);
    SetEditText(txtMinPopVib, w.TxtMinPopVib);
    OfferDoubletControls("", "");
    for (QWidget* c : std::initializer_list<QWidget*>{txtTRotational, txtSetTemperature, cmdInitialize})
        c->setToolTip(QString());
    txtTRotational->setEnabled(w.TxtTRotationalEnabled);
    txtTVibrational->setEnabled(w.TxtTVibrationalEnabled);
    txtSpinCombination->setEnabled(w.TxtSpinCombinationEnabled);
    {
        const QSignalBlocker b1(sldRotLimit), b2(sldRotYMax);
        sldRotLimit->setValue(w.SldRotLimit);
        sldRotYMax->setValue(w.SldRotYMax);
    }
    {
        const QSignalBlocker b(tabs);
        tabs->setCurrentIndex(std::clamp(pop.intTabPop, 0, 2));
    }
    lblVib1->setText(QStr(w.LblVib1));
    lblVib2->setText(QStr(w.LblVib2));
    lblRot1->setText(QStr(w.LblRot1));
    lblRot2->setText(QStr(w.LblRot2));
    ShowGrid(w.Grid, {80, 120, 125}, 1);
}

void PopulationsWindow::ShowMultiplet(const AppState& app) {
    const program::MultipletPopulationsView w = program::MultipletPopulationsWindow(app);
    setWindowTitle(QStr(w.caption));
    SetComboItems(cmbVibLevel, w.levelItems, w.levelIndex);
    SetComboItems(cmbStructure, w.componentItems, w.componentIndex);
    SetComboIndex(cmbRotational, static_cast<int>(w.rotationalMode));
    OfferDoubletControls(w.refusal, w.spinFactorRefusal);
    SetEditText(txtTRotational, w.rotationalTemperature);
    SetEditText(txtSetTemperature, w.setTemperature);
    txtTRotational->setEnabled(true);
    txtTRotational->setToolTip("The level shown, every component thermal at this temperature");
    txtSetTemperature->setToolTip("The component shown given the thermal shape at this temperature");
    cmdInitialize->setToolTip("Empties the component shown, to draw it anew");
    {
        const QSignalBlocker b1(sldRotLimit), b2(sldRotYMax);
        sldRotLimit->setValue(app.popwin.SldRotLimit);
        sldRotYMax->setValue(app.popwin.SldRotYMax);
    }
    if (tabs->currentIndex() == populations::kVibrationalTab) {
        const QSignalBlocker b(tabs);
        tabs->setCurrentIndex(populations::kTableTab);
    }
    lblRot1->setText(QStr(w.rotationalStatus1));
    lblRot2->setText(QStr(w.rotationalStatus2));
    gridPop->setToolTip(QStr(w.status));
    ShowGrid(w.grid, {60, 50, 125}, 2);
}

void PopulationsWindow::OfferDoubletControls(const std::string& vibrational, const std::string& spinFactor) {
    const QString tip = QStr(vibrational);
    for (QWidget* c : std::initializer_list<QWidget*>{cmbVibrational, txtTVibrational, txtMinPopVib}) {
        c->setEnabled(vibrational.empty());
        c->setToolTip(tip);
    }
    txtSpinCombination->setEnabled(spinFactor.empty());
    txtSpinCombination->setToolTip(QStr(spinFactor));
    for (QWidget* c : std::initializer_list<QWidget*>{txtSetTemperature, cmdInitialize}) c->setEnabled(true);
    tabs->setTabEnabled(populations::kVibrationalTab, vibrational.empty());
    tabs->setTabEnabled(populations::kRotationalTab, true);
    tabs->setTabToolTip(populations::kVibrationalTab, vibrational.empty() ? "Vibrational histogram" : tip);
    tabs->setTabToolTip(populations::kRotationalTab, "Rotational histogram");
    if (vibrational.empty()) gridPop->setToolTip(QString());
}

void PopulationsWindow::ShowGrid(const PopulationGrid& grid, const std::array<int, 3>& widths, int labelColumns) {
    // The table of levels; cells of levels not above the minimum population in red.
    // Not while a cell is being edited (its editor has the focus).
    if (QWidget* f = QApplication::focusWidget(); f && f != gridPop && gridPop->isAncestorOf(f)) return;
    if (grid.Cells == shown_.Cells && grid.Red == shown_.Red && gridPop->rowCount() > 0) return;
    shown_ = grid;
    const QSignalBlocker block(gridPop);
    const auto& cells = grid.Cells;
    gridPop->setRowCount(static_cast<int>(cells.size()));
    gridPop->setColumnCount(3);
    for (int c = 0; c < 3; ++c) gridPop->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    QFont bold = gridPop->font();
    bold.setBold(true);
    for (int r = 0; r < static_cast<int>(cells.size()); ++r) {
        for (int c = 0; c < 3; ++c) {
            const auto& row = cells[static_cast<std::size_t>(r)];
            auto* item = new QTableWidgetItem(c < static_cast<int>(row.size()) ? QStr(row[static_cast<std::size_t>(c)])
                                                                               : QString());
            if (r == 0 || c < labelColumns) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                item->setFont(bold);
                item->setBackground(palette().button());
            } else {
                item->setForeground(grid.Red[static_cast<std::size_t>(r)] ? QColor(ToQColor(PaletteColor(4)))
                                                                          : QColor(Qt::black));
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            gridPop->setItem(r, c, item);
        }
    }
}

}  // namespace velmora::app

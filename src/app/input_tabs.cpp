#include "app/input_tabs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/child_windows.h"
#include "app/flow_layout.h"
#include "experiment/spectrum_formats.h"
#include "experiment/spectrum_units.h"
#include "program/main_window.h"

namespace velmora::app {

namespace {

/// A small grid-based form: rows of "caption: control" with helpers that name every control.
class Form {
public:
    explicit Form(QGroupBox* box) : box_(box), grid_(new QGridLayout(box)) {
        grid_->setContentsMargins(6, 4, 6, 4);
        grid_->setHorizontalSpacing(6);
        grid_->setVerticalSpacing(2);
    }
    QComboBox* Combo(const char* name, const QString& caption, const QStringList& items = {}, int span = 1) {
        auto* c = NamedCombo(box_, name, items);
        Place(caption, c, span);
        return c;
    }
    QLineEdit* Text(const char* name, const QString& caption, int width = 70) {
        auto* t = NamedEdit(box_, name, width);
        Place(caption, t);
        return t;
    }
    QCheckBox* Check(const char* name, const QString& caption) {
        auto* c = new QCheckBox(caption, box_);
        c->setObjectName(QString::fromLatin1(name));
        grid_->addWidget(c, row_++, 0, 1, 3);
        return c;
    }
    QPushButton* Button(const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, box_);
        b->setObjectName(QString::fromLatin1(name));
        grid_->addWidget(b, row_++, 0, 1, 3);
        return b;
    }
    QLabel* Label(const char* name, const QString& text = {}) {
        auto* l = NamedLabel(box_, name, text);
        grid_->addWidget(l, row_++, 0, 1, 3);
        return l;
    }
    /// Places a widget across the whole row.
    void Wide(QWidget* w) { grid_->addWidget(w, row_++, 0, 1, 3); }
    /// Places several widgets on one row.
    void Row(std::initializer_list<QWidget*> widgets) {
        int col = 0;
        for (QWidget* w : widgets) grid_->addWidget(w, row_, col++);
        ++row_;
    }
    QGroupBox* box() const { return box_; }

private:
    void Place(const QString& caption, QWidget* w, int span = 1) {
        if (!caption.isEmpty()) grid_->addWidget(new QLabel(caption, box_), row_, 0);
        grid_->addWidget(w, row_, caption.isEmpty() ? 0 : 1, 1, span);
        ++row_;
    }
    QGroupBox* box_;
    QGridLayout* grid_;
    int row_ = 0;
};

QGroupBox* Group(QWidget* parent, const char* name, const QString& title) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

/// The groups of a tab in columns, each a list of groups stacked one above the other. The
/// columns run left to right and wrap onto further rows in a narrow window; the whole sits in a
/// scroll area, so that a low window scrolls the tab rather than squeezing the plot.
QWidget* FlowColumns(QWidget* tab, std::initializer_list<std::initializer_list<QWidget*>> columns) {
    auto* inner = new QWidget;
    auto* flow = new FlowLayout(inner, 6);
    flow->setContentsMargins(4, 2, 4, 2);
    for (const auto& stack : columns) {
        auto* column = new QWidget(inner);
        auto* groups = new QVBoxLayout(column);
        groups->setContentsMargins(0, 0, 0, 0);
        groups->setSpacing(4);
        for (QWidget* g : stack) groups->addWidget(g);
        groups->addStretch(1);
        flow->addWidget(column);
    }
    auto* scroll = new QScrollArea(tab);
    scroll->setObjectName(tab->objectName() + QStringLiteral("Scroll"));
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    return inner;
}

void BuildDatabaseTab(QWidget* tab) {
    auto* quantity = Group(tab, "FrameQuantity", QObject::tr("Database quantity"));
    Form q(quantity);
    q.Combo("CmbInformation", QObject::tr("Information"), {"Transition", "Upper state", "Ground state"});
    q.Combo("CmbQuantity", QObject::tr("Quantity"));
    q.Combo("CmbDatabaseUnits", QObject::tr("Units"));

    auto* band = Group(tab, "FrameBand", QObject::tr("Bands"));
    Form b(band);
    b.Combo("CmbResolution", QObject::tr("Resolution"), {"Vibrational", "Rotational"});
    b.Combo("CmbUpper", QObject::tr("Upper level v'"));
    b.Combo("CmbLower", QObject::tr("Lower level v''"));
    b.Combo("CmbNomenclature", QObject::tr("Nomenclature"), {"Hund's case b (N)", "Hund's case a (J)"});

    auto* quench = Group(tab, "FrameQuenching", QObject::tr("Quenching"));
    Form qu(quench);
    qu.Combo("CmbQuenching", QObject::tr("Source"),
             {"No quenching", "Single value for all levels", "From files (rotational resolution)", "Gas composition"});
    qu.Text("TxtQuenching", QObject::tr("Rate constant"));
    qu.Combo("CmbQuenchingUnits", QObject::tr("Units"), {"us-1Torr-1"});
    // The collision partners of the gas composition: formula and mole fraction per row.
    auto* gas = new QTableWidget(6, 2, quench);
    gas->setObjectName(QStringLiteral("GrdComposition"));
    gas->setHorizontalHeaderLabels({QObject::tr("Partner"), QObject::tr("Mole fraction")});
    gas->verticalHeader()->setVisible(false);
    gas->horizontalHeader()->setStretchLastSection(true);
    // Rows as tall as a line of text, and room for all six without a scroll bar.
    const int row = gas->fontMetrics().height() + 4;
    gas->verticalHeader()->setMinimumSectionSize(row);
    gas->verticalHeader()->setDefaultSectionSize(row);
    gas->setMinimumHeight(gas->horizontalHeader()->sizeHint().height() + 6 * row + 2 * gas->frameWidth());
    gas->setMaximumHeight(gas->minimumHeight());
    qu.Wide(gas);
    auto* rate = qu.Label("LblQuenchingCaption");
    rate->setWordWrap(true);

    auto* view = Group(tab, "FrameView", QObject::tr("Windows"));
    Form v(view);
    QStringList views;
    for (const char* item : program::kScreenViewItems) views << QString::fromLatin1(item);
    v.Combo("CmbWindowView", QObject::tr("Screen view"), views);
    v.Button("CmdPopulations", QObject::tr("Population distributions"));

    FlowColumns(tab, {{quantity}, {band}, {quench}, {view}});
}

void BuildSimulationTab(QWidget* tab) {
    // Range, kind and thermodynamic conditions.
    auto* range = Group(tab, "FrmRange", QObject::tr("Range in"));
    Form r(range);
    r.Text("TxtStart", QObject::tr("Start"), 80);
    r.Text("TxtEnd", QObject::tr("End"), 80);
    r.Combo("CmbUnits", QObject::tr("Units"));
    r.Combo("CmbKind", QObject::tr("Kind"));

    auto* conditions = Group(tab, "FrameConditions", QObject::tr("Conditions"));
    Form c(conditions);
    c.Text("TxtTemperature", QObject::tr("Temperature (K)"));
    c.Check("ChkThermal", QObject::tr("Thermalized system"));
    c.Text("TxtPressure", QObject::tr("Pressure"));
    c.Combo("CmbPressure", QObject::tr("Pressure units"), {"Torr", "atm", "mbar", "bar", "Pa", "kPa"});

    auto* instrumental = Group(tab, "FrameInstrumental", QObject::tr("Instrumental"));
    Form i(instrumental);
    i.Combo("CmbLineshape", QObject::tr("Lineshape"));
    i.Text("TxtResolution", QObject::tr("Resolution"));
    i.Text("TxtLorentzian", QObject::tr("Lorentzian (%)"));
    i.Combo("CmbPointDensity", QObject::tr("Point density"), {"Low", "Standard", "High", "Very high"});
    // Convolved instrument functions: trapezoid top, dispersion, measured function.
    i.Text("TxtTrapezoidTop", QObject::tr("Flat top"));
    i.Text("TxtResolutionSlope", QObject::tr("Width change per unit"));
    i.Button("CmdSlitFile", QObject::tr("Instrument function file..."));
    i.Combo("CmbSlitUnits", QObject::tr("Offsets in"), {"Axis unit", "nm"});
    i.Text("TxtSlitScale", QObject::tr("Width scale"));
    i.Row({NamedLabel(instrumental, "LblSlit")});

    // Broadening: the collisional row reads "coefficient *(P/760)*(300/T)^ exponent = width".
    auto* broadening = Group(tab, "FrmBroadening", QObject::tr("Total resolution"));
    Form b(broadening);
    b.Check("ChkDoppler", QObject::tr("Doppler broadening"));
    auto* chkColl = new QCheckBox(QObject::tr("Collisional"), broadening);
    chkColl->setObjectName("ChkCollisional");
    b.Row({chkColl, NamedEdit(broadening, "TxtCollB1", 60), NamedLabel(broadening, "LblBroadening"),
           NamedEdit(broadening, "TxtCollB2", 40), NamedLabel(broadening, "LblCollision")});
    b.Check("ChkPredissociation", QObject::tr("Predissociation broadening"));

    auto* shift = Group(tab, "FrameShift", QObject::tr("Wavelength/Frequency shift"));
    Form s(shift);
    auto* chkDopShift = new QCheckBox(QObject::tr("Doppler"), shift);
    chkDopShift->setObjectName("ChkDopplerShift");
    s.Row({chkDopShift, NamedEdit(shift, "TxtDopplerShift", 60), NamedLabel(shift, "LblDopplerShift")});
    auto* chkCollShift = new QCheckBox(QObject::tr("Collisional"), shift);
    chkCollShift->setObjectName("ChkCollisionalShift");
    s.Row({chkCollShift, NamedEdit(shift, "TxTShiftA", 60), NamedLabel(shift, "LblCollisionalShiftTerm"),
           NamedEdit(shift, "TxtShiftB", 40), NamedLabel(shift, "LblCollisionalShift")});

    auto* absolute = Group(tab, "FrameAbsorption", QObject::tr("Absolute absorption"));
    Form ab(absolute);
    ab.Combo("CmbAbsorptionUnits", QObject::tr("Absorption units"),
             {"Relative", "Cross section (cm2)", "Absorbance", "Transmittance"});
    ab.Text("TxtColumnDensity", QObject::tr("Column density (cm-2)"));
    ab.Text("TxtNumberDensity", QObject::tr("or number density (cm-3)"));
    ab.Text("TxtPathLength", QObject::tr("times path length (cm)"));
    ab.Row({NamedLabel(absolute, "LblAbsolute")});

    auto* lif = Group(tab, "FrameLIFconditions", QObject::tr("LIF conditions"));
    Form l(lif);
    l.Combo("CmbLIFregime", QObject::tr("Regime"), {"Linear", "Partially saturated", "Saturated", "Rate equations"});
    // The excitation laser: line shape (axis unit) and irradiance, for the rate equations.
    l.Row({NamedLabel(lif, "LblLaserWidths", QObject::tr("Laser G/L FWHM")), NamedEdit(lif, "TxtLaserGauss", 60),
           NamedEdit(lif, "TxtLaserLorentz", 60)});
    l.Row({NamedLabel(lif, "LblPulse", QObject::tr("Pulse mJ / ns")), NamedEdit(lif, "TxtPulseEnergy", 60),
           NamedEdit(lif, "TxtPulseDuration", 60)});
    l.Row({NamedLabel(lif, "LblBeam", QObject::tr("Area cm2 / I W cm-2/cm-1")), NamedEdit(lif, "TxtBeamArea", 60),
           NamedEdit(lif, "TxtSpectralIrradiance", 60)});
    l.Combo("CmbGate", QObject::tr("Detection"), {"Total integration", "Time resolved"});
    l.Row({NamedLabel(lif, "LblDelay", QObject::tr("Delay (ns)")), NamedEdit(lif, "TxtDelay", 60),
           NamedLabel(lif, "LblGate", QObject::tr("Gate (ns)")), NamedEdit(lif, "TxtGate", 60)});
    l.Combo("CmbSpectralWindow", QObject::tr("Spectral window"), {"Full", "Window"});
    l.Row({NamedLabel(lif, "LblWindow", QObject::tr("From/to (Å)")), NamedEdit(lif, "TxtStartWindow", 60),
           NamedEdit(lif, "TxtEndWindow", 60)});
    l.Row({NamedLabel(lif, "LblDetectionFilter", QObject::tr("Filter")), NamedLabel(lif, "LblDetectionFilterFile"),
           [lif] {
               auto* b = new QPushButton(QObject::tr("File..."), lif);
               b->setObjectName("CmdDetectionFilter");
               return b;
           }(),
           [lif] {
               auto* b = new QPushButton(QObject::tr("None"), lif);
               b->setObjectName("CmdNoDetectionFilter");
               return b;
           }()});
    l.Combo("CmbFluorescenceYield", QObject::tr("Fluorescence yield"),
            {"Included in simulation", "Excluded", "Exclude predissociation", "Exclude quenching"});

    auto* assignment = Group(tab, "FrameAssignment", QObject::tr("Assignment"));
    Form a(assignment);
    a.Check("ChkShowAssignment", QObject::tr("Show assignment"));
    a.Combo("CmbAssignment", QObject::tr("Kind"), {"Vibrational", "Rotational"});
    a.Combo("CmbUpperBand", QObject::tr("v'"));
    a.Combo("CmbLowerBand", QObject::tr("v''"));
    a.Combo("CmbRotationalBranches", QObject::tr("Branches"));

    // The short groups share columns, so that a wide window holds the page in one row.
    FlowColumns(tab, {{range, conditions}, {instrumental}, {broadening, shift}, {lif}, {assignment}});
}

/// The measured spectra, their comparison with the simulation (and the fit), and the plot's view.
void BuildExperimentTab(QWidget* tab) {
    auto* experimental = Group(tab, "FrameExperimental", QObject::tr("Experimental data"));
    Form e(experimental);
    auto* files = new QComboBox(experimental);
    files->setObjectName("CmbExpFile");
    files->setMinimumWidth(160);
    auto* updFile = new QSpinBox(experimental);
    updFile->setObjectName("UpDExpFile");
    updFile->setRange(0, 0);
    e.Row({files, updFile});
    // How the file shown is read: the unit of its x and, for files of several columns or frames,
    // the intensity column; changing either reads the file again.
    QStringList xUnits;
    for (const std::string& item : experiment::SpectrumXUnitItems()) xUnits << QString::fromStdString(item);
    e.Combo("CmbExpXUnit", QObject::tr("x column in"), xUnits)
        ->setToolTip(QObject::tr("Unit of the file's x values; a file that declares its unit (JCAMP-DX, SPE) is read "
                                 "in that unit"));
    auto* column = new QSpinBox(experimental);
    column->setObjectName("UpDExpColumn");
    column->setRange(0, experiment::kMaxIntensityColumn);
    column->setSpecialValueText(QObject::tr("Auto"));
    column->setKeyboardTracking(false);  // a typed number is read once, when complete
    column->setToolTip(
        QObject::tr("Column (counted from 1) or frame holding the intensity; Auto: the last column, "
                    "the sum of the frames"));
    e.Row({NamedLabel(experimental, "LblExpColumn", QObject::tr("Intensity column")), column});
    e.Text("TxtBaseline", QObject::tr("Baseline correction (%)"))
        ->setToolTip(QObject::tr("Subtracted from every intensity, in percent of the spectrum's largest value"));
    e.Text("TxtWavelength", QObject::tr("Wavelength correction"))
        ->setToolTip(QObject::tr("Subtracted from every x of the spectrum, in the axis unit: a positive value moves "
                                 "the spectrum to the left (shorter wavelengths, smaller wavenumbers)"));
    e.Text("TxtMultiply", QObject::tr("Multiply by"))
        ->setToolTip(QObject::tr("Factor on every intensity after the baseline correction"));
    e.Text("TxtNoise", QObject::tr("Noise"));
    // Intensity calibration by a spectral response.
    e.Button("CmdResponse", QObject::tr("Response file..."));
    e.Button("CmdNoResponse", QObject::tr("No response correction"));
    e.Label("LblResponse");

    auto* comparison = Group(tab, "FrameComparison", QObject::tr("Comparison"));
    Form e2(comparison);
    auto* smooth = new QPushButton(QObject::tr("Smooth spectra"), comparison);
    smooth->setObjectName("CmdSmooth");
    auto* subtract = new QPushButton(QObject::tr("Subtract simulation"), comparison);
    subtract->setObjectName("CmdSubtraction");
    e2.Row({smooth, subtract});
    auto* clear = new QPushButton(QObject::tr("Clear"), comparison);
    clear->setObjectName("CmdClear");
    auto* clearAll = new QPushButton(QObject::tr("Clear all"), comparison);
    clearAll->setObjectName("CmdClearAll");
    e2.Row({clear, clearAll});
    auto* fit = new QPushButton(QObject::tr("Fit…"), comparison);
    fit->setObjectName("CmdFit");
    fit->setToolTip(QObject::tr("Fit temperatures, scale, baseline, axis and instrument widths to the spectrum"));
    auto* fitFrame = new QPushButton(QObject::tr("Fit frame…"), comparison);
    fitFrame->setObjectName("CmdFitFrame");
    fitFrame->setToolTip(QObject::tr("Fit every row of a spectrograph frame, or every ring of its Abel inversion"));
    auto* lifImage = new QPushButton(QObject::tr("LIF image…"), comparison);
    lifImage->setObjectName("CmdLifImage");
    lifImage->setToolTip(QObject::tr("A temperature image from LIF images excited on two or more lines"));
    e2.Row({fit, fitFrame, lifImage});
    e2.Check("ChkExpLimits", QObject::tr("Use file limits in simulation"));
    e2.Check("ChkShowSpectra", QObject::tr("Show spectra"));
    auto* chkRes = new QCheckBox(QObject::tr("Show residuals"), comparison);
    chkRes->setObjectName("ChkResiduals");
    auto* cmbRes = new QComboBox(comparison);
    cmbRes->setObjectName("CmbResiduals");
    cmbRes->addItems({"Auto", "1%", "2%", "5%", "10%", "20%", "50%"});
    e2.Row({chkRes, cmbRes});
    e2.Label("LblCorrelation");
    e2.Label("LblDeviation");

    auto* display = Group(tab, "FrameZoom", QObject::tr("Zoom"));
    Form d(display);
    for (const auto& [axis, caption] : {std::pair{"X", QObject::tr("Zoom X")}, std::pair{"Y", QObject::tr("Zoom Y")}}) {
        const QString name = QStringLiteral("Zoom") + QLatin1String(axis);
        auto* box = NamedEdit(display, ("Txt" + name).toLatin1().constData(), 60);
        auto* arrows = new UpDownButtons(display);
        arrows->setObjectName(QStringLiteral("UpD") + name);
        d.Row({NamedLabel(display, ("Lbl" + name).toLatin1().constData(), caption), box, arrows});
    }
    auto* sld = new QSlider(Qt::Horizontal, display);
    sld->setObjectName("SldX");
    sld->setRange(program::kSliderMin, program::kSliderMax);
    sld->setInvertedAppearance(true);  // 0 centres the view on the range end, 100 on its start
    d.Row({NamedLabel(display, "LblSldX", QObject::tr("X axis center")), sld});
    d.Button("CmdResetZoom", QObject::tr("Reset Zoom"));

    auto* look = Group(tab, "FrameDisplay", QObject::tr("Display"));
    Form d2(look);
    d2.Combo("CmbView", QObject::tr("Display mode"), {"Total", "Contours", "Areas"});
    d2.Combo("CmbComparison", QObject::tr("Comparison"), {"Overlapped", "Separated"});
    d2.Combo("CmbLegend", QObject::tr("Legend"), {"Right", "Center", "Left"});
    d2.Combo("CmbColorScheme", QObject::tr("Color scheme"), {"Light", "Dark"});

    FlowColumns(tab, {{experimental}, {comparison}, {display, look}});
}

}  // namespace

UpDownButtons::UpDownButtons(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto make = [this, layout](Qt::ArrowType arrow, int step) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFixedSize(18, 11);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, step] {
            if (onStep) onStep(step);
        });
        layout->addWidget(b);
        return b;
    };
    up_ = make(Qt::UpArrow, +1);
    down_ = make(Qt::DownArrow, -1);
}

void BuildInputTabs(QTabWidget* tabs) {
    tabs->setObjectName("SSTabMain");
    auto* database = new QWidget;
    database->setObjectName("TabDatabase");
    BuildDatabaseTab(database);
    auto* simulation = new QWidget;
    simulation->setObjectName("TabSimulation");
    BuildSimulationTab(simulation);
    auto* experiment = new QWidget;
    experiment->setObjectName("TabExperiment");
    BuildExperimentTab(experiment);
    tabs->addTab(database, QObject::tr("Database"));
    tabs->addTab(simulation, QObject::tr("Simulation"));
    tabs->addTab(experiment, QObject::tr("Experiment"));
}

}  // namespace velmora::app

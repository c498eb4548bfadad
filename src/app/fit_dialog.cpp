#include "app/fit_dialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/qt_canvas.h"
#include "display/fit_plot.h"
#include "experiment/spectrum_formats.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"

namespace velmora::app {

namespace {

/// The axis unit of a fit's spectrum as it was fitted (not the unit shown since), and its label
/// on a chart.
std::string AxisUnitOf(const fit::FitResult& r) {
    return fit::ParameterUnit(fit::ParameterKind::Shift, r.conditions.unit);
}
std::string AxisLabel(const fit::FitResult& r) { return "x (" + AxisUnitOf(r) + ")"; }

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.trimmed().toStdString(); }

}  // namespace

FitDialog::FitDialog(AppState& app, program::KeyValueStore& store, std::function<void()> applied,
                     program::FileChooser* files, PrintPage print, QWidget* parent)
    : QDialog(parent),
      app_(app),
      store_(store),
      applied_(std::move(applied)),
      files_(files),
      print_(std::move(print)),
      state_(program::NewFitDialog(app)) {
    setObjectName("frmFit");
    setWindowTitle(tr("Fit the spectrum"));
    program::LoadFitDialog(state_, store_);

    grid_ = new QTableWidget(static_cast<int>(state_.rows.size()), 4, this);
    grid_->setObjectName("GrdFitParameters");
    grid_->setHorizontalHeaderLabels({tr("Free"), tr("Value"), tr("Min"), tr("Max")});
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const program::FitDialogRow& row = state_.rows[static_cast<std::size_t>(r)];
        grid_->setVerticalHeaderItem(r, new QTableWidgetItem(Q(row.name)));
        auto* free = new QTableWidgetItem;
        free->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        free->setCheckState(row.free ? Qt::Checked : Qt::Unchecked);
        grid_->setItem(r, 0, free);
        grid_->setItem(r, 1, new QTableWidgetItem(Q(row.value)));
        grid_->setItem(r, 2, new QTableWidgetItem(Q(row.min)));
        grid_->setItem(r, 3, new QTableWidgetItem(Q(row.max)));
    }
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    exclusions_ = new QLineEdit(Q(state_.exclusions), this);
    exclusions_->setObjectName("TxtFitExclude");
    exclusions_->setPlaceholderText(tr("e.g. 3090:3095, 3130:3131"));
    systems_ = new QLineEdit(Q(state_.extraSystems), this);
    systems_->setObjectName("TxtFitSystems");
    systems_->setPlaceholderText(tr("catalogue entries, e.g. 5, 7"));
    weights_ = new QComboBox(this);
    weights_->setObjectName("CmbFitWeights");
    weights_->addItems({tr("Uniform"), tr("1/σ² from a column"), tr("1/σ² from a noise estimate")});
    weights_->setCurrentIndex(state_.weighting);
    // The column of the file that holds the uncertainties; none is taken unless chosen.
    sigmaColumn_ = new QSpinBox(this);
    sigmaColumn_->setObjectName("UpDFitSigmaColumn");
    sigmaColumn_->setRange(0, experiment::kMaxIntensityColumn);
    sigmaColumn_->setSpecialValueText(tr("choose"));
    sigmaColumn_->setPrefix(tr("column "));
    sigmaColumn_->setValue(state_.sigmaColumn);
    sigmaColumn_->setEnabled(state_.weighting == static_cast<int>(fit::Weighting::FileColumn));
    connect(weights_, qOverload<int>(&QComboBox::currentIndexChanged), sigmaColumn_,
            [this](int index) { sigmaColumn_->setEnabled(index == static_cast<int>(fit::Weighting::FileColumn)); });
    auto* weightsRow = new QHBoxLayout;
    weightsRow->addWidget(weights_, 1);
    weightsRow->addWidget(sigmaColumn_);
    convention_ = new QComboBox(this);
    convention_->setObjectName("CmbFitConvention");
    convention_->addItems({tr("Photon counts"), tr("Energy")});
    convention_->setCurrentIndex(state_.convention);
    // Block-bootstrap uncertainties from this many resamples fitted again (none: 0).
    bootstrap_ = new QSpinBox(this);
    bootstrap_->setObjectName("UpDFitBootstrap");
    bootstrap_->setRange(0, 10000);
    bootstrap_->setSingleStep(50);
    bootstrap_->setSpecialValueText(tr("none"));
    bootstrap_->setSuffix(tr(" resamples"));
    bootstrap_->setValue(state_.bootstrap);
    components_ = new QComboBox(this);
    components_->setObjectName("CmbFitComponents");
    components_->addItems({tr("Per band system"), tr("Per band (v', v'')"), tr("Per branch")});
    components_->setCurrentIndex(state_.components);
    auto* form = new QFormLayout;
    form->addRow(tr("Excluded ranges"), exclusions_);
    form->addRow(tr("Extra band systems"), systems_);
    form->addRow(tr("Weights"), weightsRow);
    form->addRow(tr("Intensity"), convention_);
    form->addRow(tr("Bootstrap"), bootstrap_);
    form->addRow(tr("Components"), components_);

    run_ = new QPushButton(tr("Run"), this);
    run_->setObjectName("CmdFitRun");
    cancelButton_ = new QPushButton(tr("Cancel"), this);
    cancelButton_->setObjectName("CmdFitCancel");
    cancelButton_->setEnabled(false);
    apply_ = new QPushButton(tr("Apply"), this);
    apply_->setObjectName("CmdFitApply");
    apply_->setEnabled(false);
    save_ = new QPushButton(tr("Save…"), this);
    save_->setObjectName("CmdFitSave");
    save_->setToolTip(tr("Save the fit results, their residuals or the Boltzmann data"));
    save_->setEnabled(false);
    auto* close = new QPushButton(tr("Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {run_, cancelButton_, apply_, save_, close}) buttons->addWidget(b);
    // The Boltzmann plot of one upper vibrational level of an emission spectrum.
    boltzmann_ = new QPushButton(tr("Boltzmann plot of v' ="), this);
    boltzmann_->setObjectName("CmdFitBoltzmann");
    level_ = new QSpinBox(this);
    level_->setObjectName("UpDFitLevel");
    level_->setRange(0, 30);
    identify_ = new QPushButton(tr("Identify species"), this);
    identify_->setObjectName("CmdFitIdentify");
    identify_->setToolTip(tr("Fits, then tries every other band system of the database on the residual"));
    auto* boltzmannRow = new QHBoxLayout;
    boltzmannRow->addWidget(boltzmann_);
    boltzmannRow->addWidget(level_);
    boltzmannRow->addStretch();
    boltzmannRow->addWidget(identify_);
    // What is kept of a result.
    auto* keepRow = new QHBoxLayout;
    const std::pair<const char*, QString> keep[] = {{"CmdFitView", tr("Show fit")},
                                                    {"CmdFitSaveResults", tr("Save results…")},
                                                    {"CmdFitSaveResiduals", tr("Save residuals…")},
                                                    {"CmdFitCopy", tr("Copy report")},
                                                    {"CmdFitPrint", tr("Print…")}};
    const std::function<void()> actions[] = {[this] { ShowView(); }, [this] { SaveResults(); },
                                             [this] { SaveResiduals(); }, [this] { CopyReport(); },
                                             [this] { PrintResult(); }};
    for (std::size_t k = 0; k < std::size(keep); ++k) {
        auto* b = new QPushButton(keep[k].second, this);
        b->setObjectName(keep[k].first);
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, actions[k]);
        keepRow->addWidget(b);
        keep_.push_back(b);
    }
    progress_ = new QProgressBar(this);
    progress_->setObjectName("BarFit");
    progress_->setRange(0, 100);
    status_ = new QLabel(this);
    status_->setObjectName("LblFitStatus");
    status_->setWordWrap(true);
    results_ = new QTableWidget(0, 3, this);
    results_->setObjectName("GrdFitResults");
    results_->setHorizontalHeaderLabels({tr("Parameter"), tr("Value ± uncertainty"), tr("")});
    results_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    warnings_ = new QPlainTextEdit(this);
    warnings_->setObjectName("TxtFitWarnings");
    warnings_->setReadOnly(true);
    warnings_->setMaximumHeight(160);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addLayout(boltzmannRow);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(results_);
    layout->addWidget(warnings_);
    layout->addLayout(keepRow);
    resize(560, 780);

    connect(run_, &QPushButton::clicked, this, &FitDialog::Run);
    connect(cancelButton_, &QPushButton::clicked, this, &FitDialog::Cancel);
    connect(apply_, &QPushButton::clicked, this, &FitDialog::Apply);
    connect(boltzmann_, &QPushButton::clicked, this, &FitDialog::PlotBoltzmann);
    connect(identify_, &QPushButton::clicked, this, &FitDialog::IdentifySpecies);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(save_, &QPushButton::clicked, this, [this] {
        const QStringList filters = {tr("Fit results (*.txt)"), tr("Fit residuals (*.csv)"),
                                     tr("Boltzmann data (*.csv)")};
        QString chosen;
        const QString path = QFileDialog::getSaveFileName(this, tr("Save fit"), QString(), filters.join(";;"), &chosen);
        if (!path.isEmpty()) SaveResult(path, std::max(0, static_cast<int>(filters.indexOf(chosen))));
    });
}

FitDialog::~FitDialog() {
    cancel_ = true;
    Join();
}

void FitDialog::Join() {
    if (worker_.joinable()) worker_.join();
}

void FitDialog::ReadGrid() {
    for (int r = 0; r < grid_->rowCount(); ++r) {
        program::FitDialogRow& row = state_.rows[static_cast<std::size_t>(r)];
        row.free = grid_->item(r, 0)->checkState() == Qt::Checked;
        row.value = S(grid_->item(r, 1)->text());
        row.min = S(grid_->item(r, 2)->text());
        row.max = S(grid_->item(r, 3)->text());
    }
    state_.exclusions = S(exclusions_->text());
    state_.extraSystems = S(systems_->text());
    state_.weighting = weights_->currentIndex();
    state_.sigmaColumn = sigmaColumn_->value();
    state_.convention = convention_->currentIndex();
    state_.bootstrap = bootstrap_->value();
    state_.components = components_->currentIndex();
    program::SaveFitDialog(state_, store_);
}

void FitDialog::Run() {
    Start(tr("Fitting…"), [](const fit::FitRequest& request, Outcome& out) {
        out.result = fit::FitSpectrum(request);
        out.status = out.result->undetermined ? tr("Fitted, but the data do not determine every free parameter")
                                              : tr("Fitted: %1").arg(Q(out.result->stopReason));
    });
}

void FitDialog::PlotBoltzmann() {
    const int v = level_->value();
    Start(tr("Fitting the populations of v' = %1…").arg(v), [v](const fit::FitRequest& request, Outcome& out) {
        out.plot = fit::FitBoltzmannPlot(request, v);
        out.result = out.plot->spectrumFit;
        out.status = tr("Boltzmann plot of v' = %1: T = %2 K")
                         .arg(v)
                         .arg(Q(fit::ValueWithUncertainty(out.plot->temperature, out.plot->temperatureSigma, true)));
    });
}

void FitDialog::IdentifySpecies() {
    // The catalogue is copied for the worker, which touches no program state.
    auto catalogue = std::make_shared<const DatabaseState>(app_.db);
    Start(tr("Fitting, then trying every band system on the residual…"),
          [catalogue](const fit::FitRequest& request, Outcome& out) {
              out.result = fit::FitSpectrum(request);
              out.search = fit::IdentifySpecies(request, *out.result, *catalogue);
              out.status = out.search->candidates.empty()
                               ? tr("No other band system has lines in the fitted range")
                               : tr("Best candidate for the residual: %1")
                                     .arg(Q(fit::CandidateLines(*out.search, AxisUnitOf(*out.result)).front()));
          });
}

void FitDialog::SaveResults() {
    if (result_ && files_) program::CmdFitSaveResults_Click(app_, *files_, *result_);
}

void FitDialog::SaveResiduals() {
    if (result_ && files_) program::CmdFitSaveResiduals_Click(app_, *files_, *result_);
}

void FitDialog::CopyReport() {
    if (result_) QGuiApplication::clipboard()->setText(Q(program::FitReportText(*result_)));
}

void FitDialog::PrintResult() {
    if (!result_ || !print_) return;
    const std::vector<std::string> report = fit::ResultLines(*result_);
    const fit::FitResult result = *result_;
    const std::string axis = AxisLabel(result);
    const auto detail = static_cast<fit::ComponentDetail>(components_->currentIndex());
    print_(tr("Fit"), [&](Canvas& page) { display::DrawFitPage(page, result, axis, detail, report); });
}

void FitDialog::ShowView() {
    if (!result_) return;
    if (!fitView_) fitView_ = new FitView(this);
    fitView_->Show(*result_, AxisLabel(*result_), static_cast<fit::ComponentDetail>(components_->currentIndex()));
}

FitView::FitView(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmFitView");
    setWindowTitle(tr("Fit"));
    resize(900, 620);
}

void FitView::Show(const fit::FitResult& result, const std::string& axisLabel, fit::ComponentDetail detail) {
    result_ = result;
    axisLabel_ = axisLabel;
    detail_ = detail;
    show();
    raise();
    update();
}

void FitView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!result_) return;
    QtCanvas canvas(painter, QRectF(rect()));
    canvas.SetScale(0, 0, width(), height());
    for (const display::Chart& c : display::FitCharts(*result_, axisLabel_, width(), height(), detail_))
        display::DrawChart(canvas, c);
}

void FitDialog::Start(const QString& working, std::function<void(const fit::FitRequest&, Outcome&)> job) {
    if (IsRunning()) return;
    Join();
    ReadGrid();
    fit::FitRequest request;
    try {
        request = program::FitRequestFromDialog(app_, state_);
    } catch (const std::exception& e) {
        status_->setText(tr("Cannot fit: %1").arg(Q(e.what())));
        emit fitEnded();
        return;
    }
    cancel_ = false;
    finished_ = false;
    request.options.cancel = &cancel_;
    QPointer<FitDialog> self(this);
    request.options.progress = [self](double percent) {
        QMetaObject::invokeMethod(
            self,
            [self, percent] {
                if (self) self->progress_->setValue(static_cast<int>(percent));
            },
            Qt::QueuedConnection);
    };
    for (QPushButton* b : {run_, boltzmann_, apply_, identify_}) b->setEnabled(false);
    for (QPushButton* b : keep_) b->setEnabled(false);
    cancelButton_->setEnabled(true);
    progress_->setValue(0);
    status_->setText(working);
    // The request holds copies and shared read-only models: the worker touches no program state.
    worker_ = std::thread([this, request = std::move(request), job = std::move(job)] {
        Outcome out;
        try {
            job(request, out);
        } catch (const fit::FitCancelled&) {
            out = Outcome{{}, {}, {}, tr("Cancelled")};
        } catch (const fit::FitConvergenceError& e) {
            out = Outcome{{}, {}, {}, tr("Not converged: %1").arg(Q(e.what()))};
        } catch (const std::exception& e) {
            out = Outcome{{}, {}, {}, tr("Cannot fit: %1").arg(Q(e.what()))};
        }
        QMetaObject::invokeMethod(
            this, [this, out = std::move(out)]() mutable { Finish(std::move(out)); }, Qt::QueuedConnection);
    });
}

void FitDialog::Finish(Outcome out) {
    finished_ = true;
    Join();
    // Cancel pressed after the worker ended but before its result was shown: no result either.
    if (cancel_ && (out.result || out.plot || out.search)) out = Outcome{{}, {}, {}, tr("Cancelled")};
    result_ = std::move(out.result);
    run_->setEnabled(true);
    boltzmann_->setEnabled(true);
    identify_->setEnabled(true);
    cancelButton_->setEnabled(false);
    apply_->setEnabled(result_.has_value());
    for (QPushButton* b : keep_) b->setEnabled(result_.has_value());
    save_->setEnabled(result_.has_value());
    status_->setText(out.status);
    if (result_) {
        progress_->setValue(100);
        ShowResult();
        if (fitView_ && fitView_->isVisible()) ShowView();
    }
    if (out.search && result_) {
        // A suggestion with its evidence, never added to the fit.
        QString text = warnings_->toPlainText() + "\n\n" + tr("Band systems tried on the residual, best first:");
        for (const std::string& line : fit::CandidateLines(*out.search, AxisUnitOf(*result_))) text += "\n" + Q(line);
        warnings_->setPlainText(text);
    }
    if (out.plot) {
        if (!plotView_) plotView_ = new BoltzmannView(this);
        plotView_->Show(std::move(*out.plot));
    }
    emit fitEnded();
}

BoltzmannView::BoltzmannView(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmBoltzmann");
    setWindowTitle(tr("Boltzmann plot"));
    resize(640, 460);
}

void BoltzmannView::Show(fit::BoltzmannPlot plot) {
    plot_ = std::move(plot);
    show();
    raise();
    update();
}

void BoltzmannView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!plot_) return;
    QtCanvas canvas(painter, QRectF(rect()));
    canvas.SetScale(0, 0, width(), height());
    display::DrawChart(canvas, display::BoltzmannChart(*plot_, width(), height()));
}

void FitDialog::ShowResult() {
    const auto rows = program::FitResultTable(*result_);
    results_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < results_->rowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            results_->setItem(r, c,
                              new QTableWidgetItem(Q(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])));
    // The report below the parameters: goodness of fit, misfit, methods, notes and warnings.
    const std::vector<std::string> report = fit::ResultLines(*result_);
    QString text;
    for (std::size_t k = result_->parameters.size(); k < report.size(); ++k)
        text += (text.isEmpty() ? "" : "\n") + Q(report[k]);
    warnings_->setPlainText(text);
}

bool FitDialog::SaveResult(const QString& path, int what) {
    const std::string file = path.toStdString();
    try {
        if (what == 2) {
            if (!plotView_ || !plotView_->Plot()) throw std::invalid_argument("no Boltzmann plot has been made yet");
            fit::WriteBoltzmannCsv(file, *plotView_->Plot());
        } else {
            if (!result_) throw std::invalid_argument("no fit result to save");
            if (what == 1)
                fit::WriteResidualsCsv(file, *result_);
            else
                fit::WriteFitResults(file, *result_);
        }
    } catch (const std::exception& e) {
        app_.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

void FitDialog::Cancel() { cancel_ = true; }

void FitDialog::Apply() {
    if (!result_ || IsRunning()) return;
    const std::vector<std::string> notes = program::ApplyFitResult(app_, *result_);
    if (applied_) applied_();
    // What the program cannot hold is said, not dropped.
    ShowResult();
    QString text = warnings_->toPlainText() + "\n" + tr("Applied to the simulation and the corrections.");
    for (const std::string& n : notes) text += "\n" + Q(n);
    warnings_->setPlainText(text);
}

}  // namespace velmora::app

#include "app/frame_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/qt_canvas.h"
#include "display/frame_plots.h"
#include "experiment/spectrum_frame.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"

namespace velmora::app {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.trimmed().toStdString(); }

constexpr const char* kFrameFilter = "Frames (*.fits *.fit *.fts *.tif *.tiff *.spe *.asc *.csv *.txt);;All files (*)";

/// A line edit with a Browse button beside it.
QWidget* WithBrowse(QWidget* parent, QLineEdit* edit, std::function<void()> browse) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    auto* button = new QPushButton(QObject::tr("Browse…"), row);
    QObject::connect(button, &QPushButton::clicked, row, browse);
    layout->addWidget(button);
    return row;
}

QLineEdit* Edit(QWidget* parent, const char* name, const std::string& text, const QString& hint = {}) {
    auto* e = new QLineEdit(Q(text), parent);
    e->setObjectName(name);
    e->setPlaceholderText(hint);
    return e;
}

QSpinBox* Spin(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setValue(value);
    return s;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent) { setMinimumSize(360, 220); }

void PictureView::ShowCharts(std::function<std::vector<display::Chart>(double, double)> make) {
    charts_ = std::move(make);
    map_.reset();
    update();
}

void PictureView::ShowMap(display::MapImage map) {
    map_ = std::move(map);
    charts_ = nullptr;
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    QtCanvas canvas(painter, QRectF(rect()));
    canvas.SetScale(0, 0, width(), height());
    if (map_) display::DrawMap(canvas, *map_, 0, 0, width(), height());
    if (charts_)
        for (const display::Chart& c : charts_(width(), height())) display::DrawChart(canvas, c);
}

void Worker::Start(QObject* context, std::function<void()> job, std::function<void()> done) {
    Join();
    cancel = false;
    finished_ = false;
    thread_ = std::thread([this, context, job = std::move(job), done = std::move(done)] {
        job();
        QMetaObject::invokeMethod(
            context,
            [this, done] {
                finished_ = true;
                Join();
                done();
            },
            Qt::QueuedConnection);
    });
}

void Worker::Join() {
    if (thread_.joinable()) thread_.join();
}

WorkerDialog::~WorkerDialog() {
    worker_.cancel = true;
    worker_.Join();
}

// ---- Fit frame ---------------------------------------------------------------------------------

FitFrameDialog::FitFrameDialog(AppState& app, program::KeyValueStore& store, QWidget* parent)
    : WorkerDialog(parent), app_(app), store_(store) {
    setObjectName("frmFitFrame");
    setWindowTitle(tr("Fit frame"));
    program::LoadFitFrameDialog(state_, store_);
    const auto& s = state_;
    frameFile_ = Edit(this, "TxtFrameFile", s.frame);
    axis_ = Edit(this, "TxtFrameAxis", s.axis, tr("the file's calibration"));
    dark_ = Edit(this, "TxtFrameDark", s.dark, tr("none"));
    response_ = Edit(this, "TxtFrameResponse", s.response, tr("none"));
    rowsField_ = Edit(this, "TxtFrameRows", s.rows, tr("all, or e.g. 20:480"));
    positions_ = Edit(this, "TxtFramePositions", s.positions, tr("the file's, or first:step:unit"));
    centre_ = Edit(this, "TxtAbelCentre", s.centre, tr("found"));
    regularisation_ = Edit(this, "TxtAbelRegularisation", s.regularisation);
    image_ = Spin(this, "UpDFrameImage", 0, 100000, s.image);
    bin_ = Spin(this, "UpDFrameBin", 1, 10000, s.bin);
    block_ = Spin(this, "UpDFrameBlock", 1, 10000, s.block);
    jobs_ = Spin(this, "UpDFrameJobs", 0, 256, s.jobs);
    jobs_->setSpecialValueText(tr("every core"));
    abel_ = new QCheckBox(tr("Abel inversion (side-on frame of an axisymmetric source)"), this);
    abel_->setObjectName("ChkAbel");
    abel_->setChecked(s.abel);
    halves_ = new QComboBox(this);
    halves_->setObjectName("CmbAbelHalves");
    halves_->addItems({tr("Averaged"), tr("Lower half"), tr("Upper half"), tr("Both, kept apart")});
    halves_->setCurrentIndex(s.halves);

    auto* form = new QFormLayout;
    form->addRow(tr("Frame"), WithBrowse(this, frameFile_, [this] { Choose(frameFile_, tr("Frame")); }));
    form->addRow(tr("Image of a stack (0: sum)"), image_);
    form->addRow(tr("Axis file"), WithBrowse(this, axis_, [this] { Choose(axis_, tr("Axis file")); }));
    form->addRow(tr("Dark frame"), WithBrowse(this, dark_, [this] { Choose(dark_, tr("Dark frame")); }));
    form->addRow(tr("Response (flat field)"),
                 WithBrowse(this, response_, [this] { Choose(response_, tr("Response")); }));
    form->addRow(tr("Rows"), rowsField_);
    form->addRow(tr("Rows binned"), bin_);
    form->addRow(tr("Positions"), positions_);
    form->addRow(abel_);
    form->addRow(tr("Axis of the source"), centre_);
    form->addRow(tr("Halves"), halves_);
    form->addRow(tr("Regularisation"), regularisation_);
    form->addRow(tr("Rows per block"), block_);
    form->addRow(tr("Threads"), jobs_);
    auto* note = new QLabel(tr("Free parameters, values, bounds and weights are those of the Fit dialog."), this);
    note->setWordWrap(true);

    run_ = Button(this, "CmdFrameRun", tr("Run"));
    cancel_ = Button(this, "CmdFrameCancel", tr("Cancel"));
    cancel_->setEnabled(false);
    saveCsv_ = Button(this, "CmdFrameSaveCsv", tr("Save CSV…"));
    saveSvg_ = Button(this, "CmdFrameSaveSvg", tr("Save profiles (SVG)…"));
    saveCsv_->setEnabled(false), saveSvg_->setEnabled(false);
    auto* close = new QPushButton(tr("Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {run_, cancel_, saveCsv_, saveSvg_, close}) buttons->addWidget(b);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("BarFrame");
    status_ = new QLabel(this);
    status_->setObjectName("LblFrameStatus");
    status_->setWordWrap(true);
    profiles_ = new PictureView(this);
    profiles_->setObjectName("PicFrameProfiles");
    table_ = new QTableWidget(0, 0, this);
    table_->setObjectName("GrdFrameResults");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);  // the first column numbers the rows

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(note);
    left->addLayout(buttons);
    left->addWidget(progress_);
    left->addWidget(status_);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(profiles_, 3);
    right->addWidget(table_, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 2);
    layout->addLayout(right, 3);
    resize(1100, 720);

    connect(run_, &QPushButton::clicked, this, &FitFrameDialog::Run);
    connect(cancel_, &QPushButton::clicked, this, [this] { worker_.cancel = true; });
    connect(saveCsv_, &QPushButton::clicked, this, [this] { Save(false); });
    connect(saveSvg_, &QPushButton::clicked, this, [this] { Save(true); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

QString FitFrameDialog::Choose(QLineEdit* field, const QString& title) {
    const QString file = QFileDialog::getOpenFileName(this, title, field->text(), tr(kFrameFilter));
    if (!file.isEmpty()) field->setText(file);
    return file;
}

void FitFrameDialog::ReadFields() {
    auto& s = state_;
    s.frame = S(frameFile_->text()), s.axis = S(axis_->text()), s.dark = S(dark_->text());
    s.response = S(response_->text()), s.rows = S(rowsField_->text()), s.positions = S(positions_->text());
    s.centre = S(centre_->text()), s.regularisation = S(regularisation_->text());
    s.image = image_->value(), s.bin = bin_->value(), s.block = block_->value(), s.jobs = jobs_->value();
    s.abel = abel_->isChecked(), s.halves = halves_->currentIndex();
    program::SaveFitFrameDialog(state_, store_);
}

void FitFrameDialog::Run() {
    if (IsRunning()) return;
    ReadFields();
    program::FitDialogState fitDialog = program::NewFitDialog(app_);
    program::LoadFitDialog(fitDialog, store_);
    program::FrameFitJob job;
    try {
        job = program::FrameFitJobFromDialog(app_, state_, fitDialog);
    } catch (const std::exception& e) {
        status_->setText(tr("Cannot fit: %1").arg(Q(e.what())));
        emit runEnded();
        return;
    }
    unit_ = job.request.conditions.unit;
    job.options.cancel = &worker_.cancel;
    QPointer<FitFrameDialog> self(this);
    job.options.progress = [self](int done, int total) {
        QMetaObject::invokeMethod(
            self,
            [self, done, total] {
                if (self) self->progress_->setValue(100 * done / std::max(total, 1));
            },
            Qt::QueuedConnection);
    };
    run_->setEnabled(false), cancel_->setEnabled(true), saveCsv_->setEnabled(false), saveSvg_->setEnabled(false);
    progress_->setValue(0);
    status_->setText(tr("Reading and fitting the frame…"));
    auto outcome = std::make_shared<QString>();
    auto frame = std::make_shared<fit::FrameSpectra>();
    auto rows = std::make_shared<std::vector<fit::FrameRow>>();
    // The job holds copies and shared read-only models: the worker touches no program state.
    worker_.Start(
        this,
        [job = std::move(job), outcome, frame, rows] {
            try {
                *frame = fit::PrepareFrame(job.how, job.request.conditions.unit);
                *rows = fit::FitFrame(job.request, *frame, job.options);
                const auto fitted = std::count_if(rows->begin(), rows->end(), [](const fit::FrameRow& r) {
                    return r.fit.outcome == fit::BatchOutcome::Fitted;
                });
                *outcome = tr("%1 of %2 rows fitted. %3").arg(fitted).arg(rows->size()).arg(Q(frame->detail));
            } catch (const fit::FitCancelled&) {
                *outcome = tr("Cancelled");
                rows->clear();
            } catch (const std::exception& e) {
                *outcome = tr("Cannot fit: %1").arg(Q(e.what()));
                rows->clear();
            }
        },
        [this, outcome, frame, rows] {
            frame_ = std::move(*frame), rows_ = std::move(*rows);
            run_->setEnabled(true), cancel_->setEnabled(false);
            saveCsv_->setEnabled(!rows_.empty()), saveSvg_->setEnabled(!rows_.empty());
            if (!rows_.empty()) progress_->setValue(100);
            status_->setText(*outcome);
            ShowResults();
            emit runEnded();
        });
}

void FitFrameDialog::ShowResults() {
    const auto table = program::FrameResultTable(frame_, rows_, unit_);
    table_->clear();
    table_->setColumnCount(static_cast<int>(table.front().size()));
    table_->setRowCount(static_cast<int>(table.size()) - 1);
    QStringList header;
    for (const std::string& h : table.front()) header << Q(h);
    table_->setHorizontalHeaderLabels(header);
    for (std::size_t r = 1; r < table.size(); ++r)
        for (std::size_t c = 0; c < table[r].size(); ++c)
            table_->setItem(static_cast<int>(r) - 1, static_cast<int>(c), new QTableWidgetItem(Q(table[r][c])));
    table_->resizeColumnsToContents();
    profiles_->ShowCharts(
        [this](double w, double h) { return display::FrameProfileCharts(frame_, rows_, unit_, w, h); });
}

void FitFrameDialog::Save(bool svg) {
    const QString file = QFileDialog::getSaveFileName(this, svg ? tr("Save profiles") : tr("Save results"), {},
                                                      svg ? tr("SVG pictures (*.svg)") : tr("CSV files (*.csv)"));
    if (file.isEmpty()) return;
    try {
        if (svg)
            display::WriteFrameProfilesSvg(S(file), frame_, rows_, unit_);
        else
            fit::WriteFrameCsv(S(file), frame_, rows_);
        status_->setText(tr("Saved %1").arg(file));
    } catch (const std::exception& e) {
        status_->setText(tr("Not saved: %1").arg(Q(e.what())));
    }
}

// ---- LIF temperature image ---------------------------------------------------------------------

LifImageDialog::LifImageDialog(AppState& app, program::KeyValueStore& store, QWidget* parent)
    : WorkerDialog(parent), app_(app), store_(store) {
    setObjectName("frmLifImage");
    setWindowTitle(tr("LIF temperature image"));
    program::LoadLifImageDialog(state_, store_);
    const auto& s = state_;
    images_ = Edit(this, "TxtLifImages", s.images, tr("one image per line, or one stack (files separated by ;)"));
    lines_ = Edit(this, "TxtLifLines", s.lines, tr("laser positions, e.g. 2822.532, 2856.282"));
    backgrounds_ = Edit(this, "TxtLifBackgrounds", s.backgrounds, tr("none, one, or one per image"));
    energies_ = Edit(this, "TxtLifEnergies", s.energies, tr("mJ per image; empty: equal"));
    noise_ = Edit(this, "TxtLifNoise", s.noise, tr("counts; empty: estimated"));
    threshold_ = Edit(this, "TxtLifThreshold", s.threshold);
    gain_ = Edit(this, "TxtLifGain", s.gain);
    temperatures_ = Edit(this, "TxtLifTemperatures", s.temperatures);
    auto chooseMany = [this](QLineEdit* field, const QString& title) {
        const QStringList files = QFileDialog::getOpenFileNames(this, title, {}, tr(kFrameFilter));
        if (!files.isEmpty()) field->setText(files.join(";"));
    };
    auto* form = new QFormLayout;
    form->addRow(tr("Images"),
                 WithBrowse(this, images_, [this, chooseMany] { chooseMany(images_, tr("LIF images")); }));
    form->addRow(tr("Excitation lines"), lines_);
    form->addRow(tr("Backgrounds"),
                 WithBrowse(this, backgrounds_, [this, chooseMany] { chooseMany(backgrounds_, tr("Backgrounds")); }));
    form->addRow(tr("Sheet energies"), energies_);
    form->addRow(tr("Read noise"), noise_);
    form->addRow(tr("Gain (counts per photoelectron)"), gain_);
    form->addRow(tr("Mask below (fraction of the signal)"), threshold_);
    form->addRow(tr("Temperatures of the curve (K)"), temperatures_);
    auto* note =
        new QLabel(tr("The band system, LIF regime, quenching and laser are those of the Simulation tab."), this);
    note->setWordWrap(true);
    run_ = Button(this, "CmdLifRun", tr("Run"));
    cancel_ = Button(this, "CmdLifCancel", tr("Cancel"));
    cancel_->setEnabled(false);
    saveCsv_ = Button(this, "CmdLifSaveCsv", tr("Save CSV…"));
    saveSvg_ = Button(this, "CmdLifSaveSvg", tr("Save map (SVG)…"));
    savePng_ = Button(this, "CmdLifSavePng", tr("Save image (PNG)…"));
    for (QPushButton* b : {saveCsv_, saveSvg_, savePng_}) b->setEnabled(false);
    auto* close = new QPushButton(tr("Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {run_, cancel_, saveCsv_, saveSvg_, savePng_, close}) buttons->addWidget(b);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("BarLif");
    status_ = new QLabel(this);
    status_->setObjectName("LblLifStatus");
    status_->setWordWrap(true);
    map_ = new PictureView(this);
    map_->setObjectName("PicLifMap");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addLayout(buttons);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(map_, 1);
    resize(760, 860);

    connect(run_, &QPushButton::clicked, this, &LifImageDialog::Run);
    connect(cancel_, &QPushButton::clicked, this, [this] { worker_.cancel = true; });
    connect(saveCsv_, &QPushButton::clicked, this, [this] { Save(0); });
    connect(saveSvg_, &QPushButton::clicked, this, [this] { Save(1); });
    connect(savePng_, &QPushButton::clicked, this, [this] { Save(2); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void LifImageDialog::ReadFields() {
    auto& s = state_;
    s.images = S(images_->text()), s.lines = S(lines_->text()), s.backgrounds = S(backgrounds_->text());
    s.energies = S(energies_->text()), s.noise = S(noise_->text()), s.threshold = S(threshold_->text());
    s.gain = S(gain_->text()), s.temperatures = S(temperatures_->text());
    program::SaveLifImageDialog(state_, store_);
}

void LifImageDialog::Run() {
    if (IsRunning()) return;
    ReadFields();
    fit::LifImageRequest q;
    try {
        q = program::LifImageRequestFromDialog(app_, state_);
    } catch (const std::exception& e) {
        status_->setText(tr("Cannot compute: %1").arg(Q(e.what())));
        emit runEnded();
        return;
    }
    system_ = q.system.label;
    q.cancel = &worker_.cancel;
    QPointer<LifImageDialog> self(this);
    q.progress = [self](double percent) {
        QMetaObject::invokeMethod(
            self,
            [self, percent] {
                if (self) self->progress_->setValue(static_cast<int>(percent));
            },
            Qt::QueuedConnection);
    };
    run_->setEnabled(false), cancel_->setEnabled(true);
    for (QPushButton* b : {saveCsv_, saveSvg_, savePng_}) b->setEnabled(false);
    progress_->setValue(0);
    status_->setText(tr("Computing the temperature image…"));
    auto outcome = std::make_shared<QString>();
    auto result = std::make_shared<std::optional<fit::LifImageResult>>();
    worker_.Start(
        this,
        [q = std::move(q), outcome, result] {
            try {
                *result = fit::LifTemperatureImage(q);
                *outcome = tr("%1 of %2 pixels with a temperature").arg((*result)->valid).arg((*result)->mask.size());
                for (const std::string& n : (*result)->notes) *outcome += "; " + Q(n);
            } catch (const fit::FitCancelled&) {
                *outcome = tr("Cancelled");
            } catch (const std::exception& e) {
                *outcome = tr("Cannot compute: %1").arg(Q(e.what()));
            }
        },
        [this, outcome, result] {
            result_ = std::move(*result);
            run_->setEnabled(true), cancel_->setEnabled(false);
            for (QPushButton* b : {saveCsv_, saveSvg_, savePng_}) b->setEnabled(result_.has_value());
            status_->setText(*outcome);
            if (result_) {
                progress_->setValue(100);
                map_->ShowMap(display::LifTemperatureMap(*result_, system_));
            }
            emit runEnded();
        });
}

void LifImageDialog::Save(int kind) {
    if (!result_) return;
    const QString filters[] = {tr("CSV files (*.csv)"), tr("SVG pictures (*.svg)"), tr("PNG images (*.png)")};
    const QString file = QFileDialog::getSaveFileName(this, tr("Save the temperature image"), {}, filters[kind]);
    if (file.isEmpty()) return;
    try {
        const display::MapImage map = display::LifTemperatureMap(*result_, system_);
        if (kind == 0)
            fit::WriteLifImageCsv(S(file), *result_, result_->temperature);
        else if (kind == 1)
            display::WriteMapSvg(S(file), map);
        else
            display::WriteMapPng(S(file), map);
        status_->setText(tr("Saved %1").arg(file));
    } catch (const std::exception& e) {
        status_->setText(tr("Not saved: %1").arg(Q(e.what())));
    }
}

}  // namespace velmora::app

// The windows of spatially resolved diagnostics: Fit frame (every row of a spectrograph frame
// fitted, or every ring of its Abel inversion, with the profiles and the table of results) and
// LIF temperature image (a temperature map from LIF images on two or more lines). Each runs its
// work on a worker thread with progress and Cancel; the rules live in program/frame_dialogs.h.
#pragma once

#include <QDialog>
#include <QWidget>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "display/map_plot.h"
#include "display/xy_chart.h"
#include "fit/frame_fit.h"
#include "fit/lif_image.h"
#include "program/frame_dialogs.h"
#include "program/settings.h"
#include "state/app_state.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace velmora::app {

/// A picture drawn by the core onto the widget: charts stacked, or a map.
class PictureView final : public QWidget {
public:
    explicit PictureView(QWidget* parent);
    /// The charts, laid out for the widget's size by `make` at every paint.
    void ShowCharts(std::function<std::vector<display::Chart>(double width, double height)> make);
    void ShowMap(display::MapImage map);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<std::vector<display::Chart>(double, double)> charts_;
    std::optional<display::MapImage> map_;
};

/// A worker thread for one run at a time, its result handed back on the window's thread.
class Worker {
public:
    ~Worker() { Join(); }
    bool Running() const { return thread_.joinable() && !finished_; }
    /// Runs `job` on its thread; `done` then runs on the thread of `context`.
    void Start(QObject* context, std::function<void()> job, std::function<void()> done);
    void Join();
    std::atomic<bool> cancel{false};

private:
    std::thread thread_;
    bool finished_ = true;
};

/// A window that runs one piece of work at a time on a worker; closing it cancels the work.
class WorkerDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    ~WorkerDialog() override;
    virtual void Run() = 0;
    bool IsRunning() const { return worker_.Running(); }

signals:
    /// The run ended: done, failed or cancelled (the status label says which).
    void runEnded();

protected:
    Worker worker_;
};

class FitFrameDialog final : public WorkerDialog {
    Q_OBJECT
public:
    FitFrameDialog(AppState& app, program::KeyValueStore& store, QWidget* parent = nullptr);
    void Run() override;

private:
    void ReadFields();
    void ShowResults();
    QString Choose(QLineEdit* field, const QString& title);
    void Save(bool svg);

    AppState& app_;
    program::KeyValueStore& store_;
    program::FitFrameDialogState state_;
    simulation::AxisUnit unit_ = simulation::AxisUnit::AngstromVacuum;
    fit::FrameSpectra frame_;
    std::vector<fit::FrameRow> rows_;

    QLineEdit *frameFile_ = nullptr, *axis_ = nullptr, *dark_ = nullptr, *response_ = nullptr;
    QLineEdit *rowsField_ = nullptr, *positions_ = nullptr, *centre_ = nullptr, *regularisation_ = nullptr;
    QSpinBox *image_ = nullptr, *bin_ = nullptr, *block_ = nullptr, *jobs_ = nullptr;
    QCheckBox* abel_ = nullptr;
    QComboBox* halves_ = nullptr;
    QPushButton *run_ = nullptr, *cancel_ = nullptr, *saveCsv_ = nullptr, *saveSvg_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    PictureView* profiles_ = nullptr;
    QTableWidget* table_ = nullptr;
};

class LifImageDialog final : public WorkerDialog {
    Q_OBJECT
public:
    LifImageDialog(AppState& app, program::KeyValueStore& store, QWidget* parent = nullptr);
    void Run() override;

private:
    void ReadFields();
    void Save(int kind);

    AppState& app_;
    program::KeyValueStore& store_;
    program::LifImageDialogState state_;
    std::optional<fit::LifImageResult> result_;
    std::string system_;

    QLineEdit *images_ = nullptr, *lines_ = nullptr, *backgrounds_ = nullptr, *energies_ = nullptr;
    QLineEdit *noise_ = nullptr, *threshold_ = nullptr, *gain_ = nullptr, *temperatures_ = nullptr;
    QPushButton *run_ = nullptr, *cancel_ = nullptr, *saveCsv_ = nullptr, *saveSvg_ = nullptr, *savePng_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    PictureView* map_ = nullptr;
};

}  // namespace velmora::app

// The Fit dialog: the parameter grid (free, value, min, max), excluded ranges and extra band
// systems, Run with progress and Cancel (the fit runs on a worker thread, the window stays
// responsive), the result table with uncertainties, diagnostics and warnings, Apply, the species
// search on the residual, the fit's view (spectrum, components, residual strip), and the result
// saved, copied and printed. Its rules live in program/fit_dialog.h; this window only shows them.
#pragma once

#include <QDialog>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "common/canvas.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_spectrum.h"
#include "fit/identify.h"
#include "program/file_commands.h"
#include "program/fit_dialog.h"
#include "program/settings.h"
#include "state/app_state.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace velmora::app {

/// A window with the Boltzmann plot of a fit: ln(N/g) of the upper rotational levels against
/// their energy and the straight line of the temperature.
class BoltzmannView final : public QWidget {
public:
    explicit BoltzmannView(QWidget* parent);
    void Show(fit::BoltzmannPlot plot);
    const std::optional<fit::BoltzmannPlot>& Plot() const { return plot_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<fit::BoltzmannPlot> plot_;
};

/// A window with the fit: the measured spectrum, the model and its components (as the dialog's
/// choice of components asks), and the residual strip.
class FitView final : public QWidget {
public:
    explicit FitView(QWidget* parent);
    void Show(const fit::FitResult& result, const std::string& axisLabel, fit::ComponentDetail detail);
    /// The label of the x axis of the charts shown.
    const std::string& AxisLabel() const { return axisLabel_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<fit::FitResult> result_;
    std::string axisLabel_;
    fit::ComponentDetail detail_ = fit::ComponentDetail::Bands;
};

/// How the dialog prints: a title and what to draw on the page (the main window's printing).
using PrintPage = std::function<bool(const QString& title, const std::function<void(Canvas&)>& draw)>;

class FitDialog final : public QDialog {
    Q_OBJECT
public:
    /// `applied` runs after Apply changed the state (the main window refreshes its controls);
    /// `files` chooses the files the results are saved to and `print` prints a page.
    FitDialog(AppState& app, program::KeyValueStore& store, std::function<void()> applied, program::FileChooser* files,
              PrintPage print, QWidget* parent = nullptr);
    ~FitDialog() override;

    void Run();
    void Cancel();
    void Apply();
    /// Fits the populations of the upper rotational levels of the chosen v' one by one and
    /// shows their Boltzmann plot in its own window.
    void PlotBoltzmann();
    /// Fits, then tries every other band system of the catalogue on the residual and lists them,
    /// the best first.
    void IdentifySpecies();
    /// The last result: its table and its residuals with components as CSV, its report on the
    /// clipboard, its page printed, its view shown.
    void SaveResults();
    void SaveResiduals();
    void CopyReport();
    void PrintResult();
    void ShowView();
    /// Saves the result shown (text), its residuals (CSV) or the Boltzmann data (CSV) to `path`,
    /// by `what`: 0, 1 or 2. False (and a message) when there is nothing to save or it cannot
    /// be written.
    bool SaveResult(const QString& path, int what);
    bool IsRunning() const { return worker_.joinable() && !finished_; }

signals:
    /// The fit ended: with a result, an error or cancelled (the status label says which).
    void fitEnded();

private:
    /// What a worker hands back: a fit, a Boltzmann plot (with its fit), or neither, and the status.
    struct Outcome {
        std::optional<fit::FitResult> result;
        std::optional<fit::BoltzmannPlot> plot;
        std::optional<fit::SpeciesSearch> search;
        QString status;
    };
    /// Reads the grid, makes the request and runs `job` on the worker thread.
    void Start(const QString& working, std::function<void(const fit::FitRequest&, Outcome&)> job);
    void ReadGrid();
    void ShowResult();
    void Finish(Outcome out);
    void Join();

    AppState& app_;
    program::KeyValueStore& store_;
    std::function<void()> applied_;
    program::FileChooser* files_;
    PrintPage print_;
    program::FitDialogState state_;
    std::optional<fit::FitResult> result_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool finished_ = true;

    QTableWidget* grid_ = nullptr;
    QLineEdit* exclusions_ = nullptr;
    QLineEdit* systems_ = nullptr;
    QComboBox* weights_ = nullptr;
    QSpinBox* sigmaColumn_ = nullptr;
    QComboBox* convention_ = nullptr;
    QSpinBox* bootstrap_ = nullptr;
    QComboBox* components_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* results_ = nullptr;
    QPlainTextEdit* warnings_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* boltzmann_ = nullptr;
    QPushButton* identify_ = nullptr;
    std::vector<QPushButton*> keep_;  ///< the buttons that need a result: save, copy, print, view
    QSpinBox* level_ = nullptr;
    BoltzmannView* plotView_ = nullptr;
    FitView* fitView_ = nullptr;
};

}  // namespace velmora::app

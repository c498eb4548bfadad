// The three child windows of the main frame: the database table, the spectrum plot and the
// populations window. They hold the widgets (named after the program's controls) and copy what
// the core computed into them; the main window forwards their events to the core.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>
#include <array>
#include <string>

#include "app/picture_box.h"
#include "state/app_state.h"

namespace velmora::app {

/// Frmdatabase: the database table FxGrid.
class DatabaseWindow final : public QWidget {
    Q_OBJECT
public:
    explicit DatabaseWindow(QWidget* parent = nullptr);
    /// Copies the table grid and caption of the state into the widget.
    void ShowTable(const AppState& app);
    QTableWidget* grid() const { return grid_; }

private:
    QTableWidget* grid_;
    TableGrid shown_;  ///< the grid as last copied (unchanged grids are not copied again)
    bool any_ = false;
};

/// frmSimulation: the plot PicSimulation, the wavelength-axis strip PicAxis below it, the
/// intensity-axis strip PicYAxis on its left and the pointer read-out LblCoordinates.
class SimulationWindow final : public QWidget {
    Q_OBJECT
public:
    explicit SimulationWindow(QWidget* parent = nullptr);
    /// Lays out the controls for the window size and draws the plot (when a simulation exists).
    void Redraw(AppState& app);
    /// Lays out the plot and axis strip as the core sizes them for this window (the core asks
    /// for a redraw meanwhile, which the caller performs once the sizes are set).
    void LayOut(AppState& app);
    /// Puts the pointer read-out in the plot's upper right corner.
    void PlaceReadout();
    PictureBox* plot() const { return plot_; }
    PictureBox* axis() const { return axis_; }
    PictureBox* yAxis() const { return yAxis_; }
    QLabel* coordinates() const { return coordinates_; }

signals:
    void Resized();

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    PictureBox* plot_;
    PictureBox* axis_;
    PictureBox* yAxis_;
    QLabel* coordinates_;
};

/// frmPopulations: the table of levels, the two histograms, their selectors and text boxes.
class PopulationsWindow final : public QWidget {
    Q_OBJECT
public:
    explicit PopulationsWindow(QWidget* parent = nullptr);
    /// Draws both histograms.
    void RedrawHistograms(AppState& app);
    /// Copies the window state (lists, selections, texts, status lines, table) into the widgets.
    void ShowState(const AppState& app);
    /// The next ShowState copies the table even when the state's table did not change (after
    /// an edit in the table that the program refused).
    void ForgetTable() { shown_ = {}; }

    QTabWidget* tabs = nullptr;       ///< SSTab1
    QTableWidget* gridPop = nullptr;  ///< GridPop
    PictureBox* picVibrational = nullptr;
    PictureBox* picRotational = nullptr;
    QComboBox* cmbVibLevel = nullptr;
    QComboBox* cmbStructure = nullptr;
    QComboBox* cmbRotational = nullptr;
    QComboBox* cmbVibrational = nullptr;
    QLineEdit* txtTRotational = nullptr;
    QLineEdit* txtTVibrational = nullptr;
    QLineEdit* txtSetTemperature = nullptr;
    QLineEdit* txtSpinCombination = nullptr;
    QLineEdit* txtMinPopVib = nullptr;
    QPushButton* cmdInitialize = nullptr;
    QSlider* sldRotLimit = nullptr;
    QSlider* sldRotYMax = nullptr;
    QLabel *lblVib1 = nullptr, *lblVib2 = nullptr, *lblRot1 = nullptr, *lblRot2 = nullptr;

private:
    /// The window while a band system of any multiplicity is selected: one component of one
    /// level in the table and the rotational histogram, the vibrational controls disabled.
    void ShowMultiplet(const AppState& app);
    /// Enables the vibrational controls and the spin-orbit combination factor, or disables
    /// them with the reason (empty: enabled).
    void OfferDoubletControls(const std::string& vibrational, const std::string& spinFactor);
    /// Copies a three-column table; its first `labelColumns` columns are not typed in.
    void ShowGrid(const PopulationGrid& grid, const std::array<int, 3>& widths, int labelColumns);

    PopulationGrid shown_;  ///< the table as last copied
};

/// A line edit with the object name of its control, `width` pixels wide.
QLineEdit* NamedEdit(QWidget* parent, const char* name, int width = 70);
/// A combo box with the object name of its control and its fixed items.
QComboBox* NamedCombo(QWidget* parent, const char* name, const QStringList& items = {});
/// A label with the object name of its control.
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text = {});
/// Sets a line edit's text unless it already shows it (ignoring surrounding blanks), so that
/// typing is not disturbed; the program's leading blanks are not shown.
void SetEditText(QLineEdit* edit, const std::string& text);
/// Replaces the items of a combo box when they differ and selects `index`, without signals.
void SetComboItems(QComboBox* combo, const std::vector<std::string>& items, int index);
/// Selects an index of a combo box without signals.
void SetComboIndex(QComboBox* combo, int index);
/// Sets a check box without signals.
void SetChecked(QCheckBox* box, bool checked);

}  // namespace velmora::app

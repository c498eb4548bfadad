// The simulation side of the program's state: the conditions of the next simulation (the
// document the controls, the command line, the settings and an applied fit edit), what only the
// screen shows of them (widths, captions), and the last simulated spectrum with the conditions
// it was simulated under.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/numerics.h"
#include "simulation/broadening.h"
#include "simulation/conditions.h"
#include "simulation/simulate.h"

namespace velmora {

namespace simulation {
struct BandSystemModel;
struct MultipletBandSystem;
}  // namespace simulation
namespace database {
struct ImportedLineList;
}  // namespace database
namespace populations {
struct Populations;
}  // namespace populations

/// Captions the program computes from the conditions; the shell copies them into the controls.
struct ConditionCaptions {
    std::string ChkDoppler;           ///< "Doppler broadening = ..."
    std::string LblCollision;         ///< " = ..." (collisional width)
    std::string FrmBroadening;        ///< "Total resolution (instrumental + broadening) = ..."
    std::string LblDopplerShift;      ///< "km/s = ..."
    std::string LblCollisionalShift;  ///< " = ..." (collisional shift)
    std::string FrameShift;           ///< "Wavelength/Frequency shift = ..."
    std::string FrmRange;             ///< "Range in " + unit
    std::string FrameInstrumental;    ///< "Instrumental  " + unit
    std::string LblPressureTerm;      ///< pressure formula beside the broadening and shift coefficients
    std::string LblSlit;              ///< the measured function's file and FWHM, or why it is missing
    std::string LblQuenching;         ///< quenching rate of the gas composition and its warnings
};

struct SimulationState {
    /// The conditions of the next simulation.
    simulation::SimulationConditions conditions;

    // What only the screen holds.
    /// The measured instrument function's file, also one that could not be read (the conditions
    /// then hold none and the caption says why).
    std::string SlitFile;
    /// Unit the quenching box shows its rate constant in (the catalogue offers one).
    int QuenchingUnits = 0;
    /// The table of the gas composition as typed: (row, 0 partner formula / 1 mole fraction).
    std::array<std::array<std::string, 2>, 10> GrdComposition;
    /// Noise added to a written or drawn simulation (not a condition of the spectrum).
    float NoiseLevel = 0.0f;
    GaussianDeviate Noise;

    /// Widths and shifts at the centre of the range of the conditions, as the captions show them.
    simulation::Broadening widths;
    ConditionCaptions captions;

    /// The last simulated spectrum and the conditions it was simulated under; empty before the
    /// first simulation and after one that failed.
    simulation::Spectrum result;
    /// Its total in the absolute unit of an absorption spectrum, if one was chosen (i 0..last).
    std::vector<double> SimAbsolute;
    std::string LblAbsoluteCaption;  ///< the peak (or the lowest transmittance) of SimAbsolute
    int MaxPoints = 0;               ///< the point budget per level of the last simulation

    /// The band system as the simulation reads it, built at the first simulation after a
    /// band-system selection and shared by the simulations that follow.
    std::shared_ptr<const simulation::BandSystemModel> Model;
    /// A line list read from files that is simulated in place of the catalogue's band system
    /// while it is set (program/line_list_system.h).
    std::shared_ptr<const database::ImportedLineList> LineList;
    /// A catalogue band system of any multiplicity (program/multiplet_band_system.h), simulated
    /// in place of the database's system while it is set.
    std::shared_ptr<const simulation::MultipletBandSystem> Multiplet;
    /// Its edited (or loaded) populations of the populated state, drawn while the system is not
    /// thermalised; empty until a level is edited (the populations are then thermal at the
    /// temperature of the conditions).
    std::shared_ptr<const populations::Populations> MultipletEdited;
};

}  // namespace velmora

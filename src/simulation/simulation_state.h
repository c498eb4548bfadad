// Simulation conditions, widths and shifts, the point grid and the simulated spectra.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/bounded_array.h"
#include "common/numerics.h"

namespace velmora {

namespace simulation {
struct BandSystemModel;
struct MeasuredSlit;
}  // namespace simulation

struct SimulationState {
    // Kind and range.
    // Modes hold the integers the controls and the settings store: the values of the enumerations
    // of simulation/conditions.h (SpectrumKind, AxisUnit, Lineshape ...).
    int Kind = 1;   ///< 1 emission, 2 absorption, 3 LIF excitation, 4 four-wave mixing
    int Units = 1;  ///< 1 Å vacuum, 2 Å air, 3 cm-1, 4 nm vacuum, 5 nm air
    std::string TxtStart = " 3050";
    std::string TxtEnd = " 3150";
    float Xini = 3050.0f, Xend = 3150.0f;

    // Conditions.
    float Pressure = 0.0f;  ///< Torr
    int PressureUnits = 0;
    int Lineshape = 1;  ///< 1 Gaussian, 2 Lorentzian, 3 Voigt, 4 triangle, 5 trapezoid, 6 measured
    float InstrumentalResolution = 1.0f;
    float LorentzPercent = 0.0f;
    int PointDensity = 1;
    int PointsPerWidth = 7;
    int DopplerBroadening = 0, CollisionalBroadening = 0, PredissociationBroadening = 1;
    int DopShiftOn = 0, CollShiftOn = 0;
    float CollisionalBroad1 = 0.0f, CollisionalBroad2 = 1.0f;
    float CollisionalShiftA = 0.0f, CollisionalShiftB = 1.0f;
    float DopplerShift = 0.0f;  ///< km/s

    // Convolved instrument functions: triangle, trapezoid and measured (instrument_inputs.h).
    float TrapezoidTop = 0.0f;                             ///< flat-top width of a trapezoid, axis units
    float ResolutionSlope = 0.0f;                          ///< change of the instrumental FWHM per axis unit
    std::string SlitFile;                                  ///< file of the measured instrument function
    int SlitUnits = 0;                                     ///< its offsets: 0 in axis units, 1 in nm
    float SlitScale = 1.0f;                                ///< width factor of the measured function
    std::shared_ptr<const simulation::MeasuredSlit> Slit;  ///< as read from SlitFile
    std::string TxtTrapezoidTop = " 0", TxtResolutionSlope = " 0", TxtSlitScale = " 1";
    std::string LblSlitCaption;           ///< the measured function's file and FWHM, or why it is missing
    bool TrapezoidTopEnabled = false;     ///< TxtTrapezoidTop: trapezoid only
    bool SlitControlsEnabled = false;     ///< CmbSlitUnits, TxtSlitScale: measured function only
    bool ResolutionSlopeEnabled = false;  ///< TxtResolutionSlope: convolved functions only

    // Absolute absorption (absorption_inputs.h).
    int AbsorptionUnits = 0;  ///< 0 relative, 1 cross section, 2 absorbance, 3 transmittance
    float ColumnDensity = 0.0f, NumberDensity = 0.0f, PathLength = 0.0f;  ///< cm-2, cm-3, cm
    std::string TxtColumnDensity = " 0", TxtNumberDensity = " 0", TxtPathLength = " 0";
    bool AbsorptionControlsEnabled = false;  ///< the absorption kind only
    std::vector<double> SimAbsolute;         ///< (i 0..NPoints) the total in the absolute unit, if one is chosen
    std::string LblAbsoluteCaption;          ///< the peak (or the lowest transmittance) of SimAbsolute

    // LIF and yields.
    int LIFRegime = 0, GateMode = 0, WindowMode = 0, YieldMode = 0;
    float GateDelay = 0.0f, GateWidth = 10.0f;
    float WindowStart = 0.0f, WindowEnd = 0.0f;

    // Texts of the numeric boxes that the program itself rewrites (range boxes above).
    std::string TxtResolution = " 1";
    std::string TxtPressure = " 0";
    std::string TxtQuenching = " 0";
    std::string TxtStartWindow = " 0";
    std::string TxtEndWindow = " 0";
    /// The table of the gas composition as typed: (row, 0 partner formula / 1 mole fraction).
    std::array<std::array<std::string, 2>, 10> GrdComposition;

    // The excitation laser of LIF by rate equations, and the detection filter.
    float LaserGaussWidth = 0.0f, LaserLorentzWidth = 0.0f;  ///< FWHM, axis units (0, 0: the instrument function)
    float PulseEnergy = 1.0f;                                ///< mJ
    float PulseDuration = 10.0f;                             ///< ns
    float BeamArea = 0.1f;                                   ///< cm2
    float SpectralIrradiance = 0.0f;  ///< W cm-2 per cm-1 at the laser's centre (0: from the pulse)
    std::string DetectionFilterFile;  ///< transmission file; empty for the detection window
    std::vector<std::pair<double, double>> DetectionFilter;  ///< its (wavelength Å, transmission)

    // Captions computed by the program; the shell copies them into the controls.
    std::string ChkDopplerCaption;           ///< "Doppler broadening = ..."
    std::string LblCollisionCaption;         ///< " = ..." (collisional width)
    std::string FrmBroadeningCaption;        ///< "Total resolution (instrumental + broadening) = ..."
    std::string LblDopplerShiftCaption;      ///< "km/s = ..."
    std::string LblCollisionalShiftCaption;  ///< " = ..." (collisional shift)
    std::string FrameShiftCaption;           ///< "Wavelength/Frequency shift = ..."
    std::string FrmRangeCaption;             ///< "Range in " + unit
    std::string FrameInstrumentalCaption;    ///< "Instrumental  " + unit
    std::string LblCollisionalShiftTerm;     ///< pressure formula beside the shift coefficient
    std::string LblBroadening;               ///< pressure formula beside the broadening coefficient
    std::string LblQuenchingCaption;         ///< quenching rate of the gas composition and its warnings

    // Which controls are offered (enabled) in the current state.
    bool TxtLorentzianEnabled = false;  ///< Voigt only
    bool GateTimesEnabled = false;      ///< TxtDelay and TxtGate: time-resolved gate
    bool WindowLimitsEnabled = false;   ///< TxtStartWindow and TxtEndWindow: "Window"
    bool LIFControlsEnabled = false;    ///< FrameLIFconditions, CmbLIFregime, CmbGate, CmbSpectralWindow
    bool YieldControlsEnabled = true;   ///< CmbFluorescenceYield and the quenching controls

    // Widths and shifts (axis units).
    float DopplerWidth = 0, CollWidth = 0, LorentzWidth = 0, GaussWidthSq = 0;
    float TotalWidth = 1.0f, LorentzFraction = 0;
    int ProfileKind = 1;
    float DopShift = 0, CollShift = 0, LineShift = 0;

    // Grid and results.
    float GridWidth = 1.0f;  ///< grid step = GridWidth / PointsPerWidth
    int MaxPoints = 0;
    int NPoints = 0;
    Array2<float> SimBand;   ///< (k 1..NVibSel, i 0..NPoints)
    Array1<float> SimTotal;  ///< (i 0..NPoints)
    float YMax = 0.0f;
    Array1<float> WindowFactor;  ///< (v')
    std::string SimTitle;
    float NoiseLevel = 0.0f;
    GaussianDeviate Noise;

    int LinesDrawn = 0;           ///< lines added onto the grid by the last synthesis
    long long ProfilePoints = 0;  ///< grid points those lines covered together

    /// The band system as the simulation reads it, built at the first simulation after a
    /// band-system selection and shared by the simulations that follow.
    std::shared_ptr<const simulation::BandSystemModel> Model;
};

}  // namespace velmora

// The x unit of an experimental spectrum file and its conversion to the axis unit of the plot.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "experiment/column_table.h"
#include "experiment/experiment_state.h"

namespace velmora::experiment {

/// x unit of a file: the axis unit codes 1 Å vacuum, 2 Å air, 3 cm-1, 4 nm vacuum, 5 nm air, and
/// 0 automatic: values below 1000 are nm (read as Å), the rest are in the axis unit.
inline constexpr int kAutomaticXUnit = 0;

/// The unit in which the reader leaves the x of a file of unit `fileUnit` (automatic: Å in
/// the medium of the axis, or cm-1 on a cm-1 axis; a named unit as it is).
int ReadXUnit(int fileUnit, int axisUnits);

/// The axis unit code of the x of a file that declares its unit: that unit, whatever `chosen`
/// says; a wavelength in the medium of `chosen` when the user named a wavelength unit, else in
/// the medium of the axis (vacuum on a cm-1 axis). Without a declaration, ReadXUnit.
int DeclaredReadUnit(int chosen, DeclaredXUnit declared, int axisUnits);

/// True when the user named a unit other than the one the file declares (cm-1 for a file in nm,
/// Å for one in nm, ...); the medium of a wavelength does not count, files never state it.
bool ContradictsDeclaredUnit(int chosen, DeclaredXUnit declared);

/// Captions of the x units, index = code.
const std::vector<std::string>& SpectrumXUnitItems();

/// Smallest and largest corrected x of the current spectrum (0, 0 without points).
std::pair<double, double> SpectrumExtent(const ExperimentState& exp);

/// Turns the x of the spectrum just read (ExpXRaw 0..ExpPoints; in automatic mode the reader made
/// values below 1000 into Å from nm, otherwise they are as written) from the file's unit into the
/// axis unit. Wavelengths of a file in air become
/// vacuum ones for a vacuum axis and the reverse; wavenumbers and wavelengths convert through
/// 1E8 / x, which reverses the order of the points.
void ConvertSpectrumX(ExperimentState& exp, int fileUnit, int axisUnits);

/// The axis unit changed from `oldUnits` to `newUnits`: the spectrum shown and every file's
/// wavelength correction follow (a correction becomes the same shift at the centre `centre` of
/// the old range, its sign turning between wavelength and wavenumber), and the corrections are
/// applied again.
void ConvertSpectraToAxis(ExperimentState& exp, int oldUnits, int newUnits, double centre);

}  // namespace velmora::experiment

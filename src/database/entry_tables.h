// Tables of the program that name catalogue entries by number.
//
// These belong to the entry order of the shipped catalogue (data/VELMORA.SYS): whoever reorders
// or extends the catalogue must set them again here. Each entry's values follow from the e/f
// selection rule and the parity convention of our data (parity block p = 1 is e).
#pragma once

namespace velmora::database {

/// Parity blocks of the lower state used by the line-position branches of a Σ upper state.
struct LowerParity {
    int l1 = 2;
    int l2 = 1;
};

/// The lower parity indices (l1, l2) of a catalogue entry.
LowerParity LowerParityIndices(int entry);

/// True when the synthesis replaces the lower components of branches 1..12 for this entry
/// (populated lower Π state).
bool UsesLowerComponentException(int entry);

/// True when the upper state of the entry is a 2Σ⁻ state (its F1 levels are f, F2 levels e): CH B.
bool UpperStateIsSigmaMinus(int entry);

/// True when the lower state of the entry is a 2Σ⁻ state (its F1 levels are f, F2 levels e);
/// the line positions of a band with a Π or Δ upper state pick the upper parity block from it.
/// No entry of the shipped catalogue has one: every Σ lower state is Σ⁺.
bool LowerStateIsSigmaMinus(int entry);

}  // namespace velmora::database

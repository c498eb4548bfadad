// The physical bounds of the values the database files hold, written once, and the checks the
// loaders make of every record: a record stands complete on a line of its own, and its values
// lie within bounds no diatomic radical leaves. A damaged file (a value lost, a row repeated or
// renumbered, a digit slipped into an exponent) is refused with its file and line instead of
// giving a plausible but wrong spectrum.
#pragma once

#include <string>

#include "common/list_reader.h"

namespace velmora::database {

/// An accepted range lo..hi of a physical value, in its unit.
struct PhysicalBound {
    double lo, hi;
    const char* unit;
    bool Contains(double v) const { return v >= lo && v <= hi; }
};

/// Radiative lifetimes (level files, ns; 0 there means "computed") and the reference lifetimes
/// of the catalogue: from 1 ps (a strongly allowed transition in the vacuum ultraviolet lives
/// about 1 ns) to 1000 s (metastable levels).
inline constexpr PhysicalBound kLifetimeBound{1e-3, 1e12, "ns"};
/// Molecular masses: from the lightest diatomic (H2+, 2 u) to beyond the heaviest (Bi2, 418 u).
inline constexpr PhysicalBound kMassBound{1.0, 500.0, "u"};
/// Band strengths |Re(v',v'')|² of the transition-probability files: up to 100 debye², a
/// transition moment of 10 D (the strongest bands of the database are below 3 debye²).
inline constexpr PhysicalBound kBandStrengthBound{0.0, 100.0, "debye^2"};
/// The (0, 0) band of an electronic system: its upper state's lowest level (term value of the
/// constants file and the catalogue's upper origin) above the lower state's, from 1000 cm-1
/// (10 µm; below lie vibrational, not electronic, transitions) to 200000 cm-1 (50 nm).
inline constexpr PhysicalBound kElectronicOriginBound{1e3, 2e5, "cm-1"};
/// Predissociation rates of the level files: up to 1e14 s-1 (a level that lives 10 fs).
inline constexpr PhysicalBound kPredissociationBound{0.0, 1e14, "s-1"};
/// Quenching rate constants of the level files: up to 1000 µs-1 Torr-1, a hundred times the
/// gas-kinetic collision rate.
inline constexpr PhysicalBound kQuenchingConstantBound{0.0, 1e3, "us-1 Torr-1"};

/// Throws FileError "<file>, line <n>: <what> <value> <unit> lies outside <lo>..<hi> <unit>"
/// when the value is outside the bound (or not a number).
void CheckBound(double value, const PhysicalBound& bound, const std::string& what, const std::string& file, int line);

/// The values of one record of a database file, which stands on a line of its own: every value
/// read must lie on the line of the first, and End() refuses values left on it. A lost value
/// is then told at its line, instead of taking the next record's first value and shifting
/// every row after it.
class LineRecord {
public:
    /// `what` names the record in messages ("the record of v = 3"); `count` values are expected.
    LineRecord(ListReader& in, std::string what, int count);

    int Int();
    float Float();
    double Double();
    /// Throws when more values follow on the record's line.
    void End();
    /// The line of the record (after its first value).
    int Line() const { return line_; }
    const std::string& Source() const { return in_.Source(); }

private:
    void Next();    ///< before a value: the file must not end inside the record
    void Placed();  ///< after a value: it must stand on the record's line
    ListReader& in_;
    std::string what_;
    int count_;
    int read_ = 0;
    int line_ = 0;
};

}  // namespace velmora::database

// Columns of numbers in text files as measuring software writes them: how a line splits into
// fields, which decimal mark the file uses (a point, or a comma as many locales write it), and
// how one field reads as a number. The spectrum reader builds on this; so can any reader of
// column data with other header or column conventions.
#pragma once

#include <string>
#include <string_view>

namespace velmora::experiment {

/// The character between the integer and fraction digits of the numbers of a file.
enum class DecimalMark { Point, Comma };

/// The first two fields of a line. With a decimal point the separator is a tab if the line holds
/// one, else a semicolon, else a comma, else a blank; with a decimal comma the comma never
/// separates. The first field ends at the first separator; the second is the rest, trimmed, up to
/// the next separator (so runs of blanks or tabs count as one). `separated` is false for a line
/// of one field.
struct LineFields {
    std::string_view first, second;
    bool separated = false;
};
LineFields SplitFields(std::string_view line, DecimalMark mark);

/// What a line says about the file's decimal mark: nothing (no fraction digits, or a comma that
/// may separate columns), a point, a comma (a comma between two digits of a field in a line whose
/// columns are separated otherwise), or both at once.
enum class MarkEvidence { None, Point, Comma, Mixed };
MarkEvidence DecimalMarkOf(std::string_view line);

/// Decides a file's decimal mark from its lines, in reading order. Lines before the first that
/// tells are read with a point (they read alike either way); afterwards a line with the other
/// mark is a contradiction, reported with the line that decided.
class DecimalMarkDetector {
public:
    /// Takes the evidence of one line; returns false for a line that contradicts the mark decided
    /// (or mixes both marks), and leaves the decision unchanged.
    bool Observe(std::string_view line, long long lineNumber);
    /// What is wrong with a line that Observe refused: both marks in it, or the other mark than
    /// the line that decided.
    std::string Contradiction(std::string_view line) const;
    DecimalMark Mark() const { return mark_; }
    bool Decided() const { return decidedAt_ > 0; }
    /// Line on which the mark was decided; 0 while undecided.
    long long DecidedAt() const { return decidedAt_; }

private:
    DecimalMark mark_ = DecimalMark::Point;
    long long decidedAt_ = 0;
};

/// How a field reads as a number.
enum class FieldValue {
    Number,      ///< a leading number (what follows it is ignored)
    NotANumber,  ///< no number at its start (a heading, an empty field)
    NonFinite,   ///< "nan", "inf", "infinity", "1.#INF" and the like
};

/// Reads the leading number of a field (blanks and one double quote before it are skipped;
/// sign, digits, decimal mark, exponent with E or D). `value` is set for FieldValue::Number; a
/// number beyond double range gives an infinity there.
FieldValue ReadField(std::string_view field, DecimalMark mark, double& value);

/// A field as it may stand in a message: at most 24 characters, control bytes as '?'.
std::string QuotedField(std::string_view field);

/// The text without blanks and tabs at both ends (a view, no copy).
std::string_view TrimView(std::string_view s);

/// A line without blanks, tabs and carriage returns at both ends: a line of a file written with
/// CR-LF line ends, as the header and table readers take it.
std::string_view TrimLine(std::string_view s);

}  // namespace velmora::experiment

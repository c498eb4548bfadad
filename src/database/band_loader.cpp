#include "database/band_loader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "common/errors.h"
#include "common/list_reader.h"
#include "common/number_format.h"
#include "database/catalogue.h"
#include "database/data_checks.h"
#include "database/line_positions.h"
#include "database/line_strengths.h"
#include "database/terms.h"

namespace velmora::database {

namespace {

constexpr int kConstantsPerLevel = 18;
constexpr int kPolynomialTerms = 10;

/// Constants of one electronic state as read from its file: (v, k) with k = 0..20.
struct StateConstants {
    Array2<double> values;
    int convention = 0;
    int originLine = 0;  ///< line of the v = 0 term value in the file
};

/// The vibrational term values of a state rise with v: a repeated or exchanged level (or
/// polynomials that turn over within the catalogue's levels) is refused.
void CheckRisingTerms(const Array2<double>& M, int vMax, const std::string& file, const std::vector<int>& lines) {
    for (int v = 1; v <= vMax; ++v)
        if (!(M(v, 0) > M(v - 1, 0)))
            throw FileError::At(
                file, lines[static_cast<std::size_t>(std::min<int>(v, static_cast<int>(lines.size()) - 1))],
                "the term value of v = " + std::to_string(v) + ", " + Trim(Str(static_cast<float>(M(v, 0)))) +
                    " cm-1, is not above that of v = " + std::to_string(v - 1) + ", " +
                    Trim(Str(static_cast<float>(M(v - 1, 0)))) + " cm-1 (a level repeated, exchanged or out of order)");
}

/// Converts 2Π constants of the second convention (an effective Hamiltonian with the Λ-doubling
/// folded into B, T, A and γ differently) to the first, for v = 0..vMax. The correction h is the
/// same for every level: it is always formed from the v = 0 constants as read.
void ConvertPiConstants(Array2<double>& M, int vMax, const std::string& file) {
    const double h = static_cast<double>(M(0, 6)) * M(0, 12) / (8.0 * M(0, 1));
    for (int v = 0; v <= vMax; ++v) {
        const double T = M(v, 0), B = M(v, 1), D = M(v, 2), A = M(v, 6), AD = M(v, 7);
        const double gamma = M(v, 9), p = M(v, 12), q = M(v, 15);
        const double d = (A - h) - 2.0 * B - q;
        if (d == 0.0)
            throw FileError::In(
                file, "the 2Pi constants of v = " + std::to_string(v) + " cannot be converted (A - h - 2B - q is 0)");
        M(v, 0) = h / 2.0 + (T - B) + (A - h) * p / (4.0 * d);
        if (AD > 0.0) M(v, 7) = AD + (q / 2.0 + B) * p / d;
        M(v, 6) = (A - h) * (1.0 - p / (2.0 * d));
        M(v, 9) = gamma - p / 2.0;
        M(v, 1) = B + 2.0 * D + q / 2.0;
        M(v, 4) = -M(v, 4);
        M(v, 10) = -M(v, 10);
    }
}

/// A constant as written, in double precision; like every number of the data files it must lie
/// within the range of single precision (the line data are stored in it).
double ReadConstant(LineRecord& line) {
    const double value = line.Double();
    if (std::fabs(value) > std::numeric_limits<float>::max())
        throw FileError::At(line.Source(), line.Line(), "value out of range for a single-precision number");
    return value;
}

/// Reads the .SPC file of state s of an entry. Levels 0..NMaxVib(entry, s) must be present.
StateConstants ReadConstantsFile(const DatabaseState& db, int entry, int s) {
    const Catalogue& cat = db.cat;
    const int vStore = db.MolConst.Hi(1);
    const int vNeeded = cat.NMaxVib(entry, s);
    StateConstants out;
    out.values.Resize(0, vStore, 0, 20);

    ListReader in = ListReader::FromFile(ConstantsFileName(db, entry, s));
    if (in.AtEnd()) throw FileError::In(in.Source(), "the file is empty");
    LineRecord head(in, "the first line (format code and convention)", 2);
    const int format = head.Int();
    out.convention = head.Int();
    head.End();

    int levels = 0;          // levels whose constants are known
    std::vector<int> lines;  // line of each level's term value
    if (format == 1) {
        // One record of 18 constants per vibrational level, one line each, until the end of the file.
        for (int v = 0; !in.AtEnd(); ++v) {
            std::array<double, kConstantsPerLevel> record{};
            LineRecord line(in, "the record of v = " + std::to_string(v), kConstantsPerLevel);
            for (double& value : record) value = ReadConstant(line);
            line.End();
            if (v > vStore) continue;
            for (int k = 0; k < kConstantsPerLevel; ++k) out.values(v, k) = record[static_cast<std::size_t>(k)];
            lines.push_back(line.Line());
            levels = v + 1;
        }
    } else if (format == 2) {
        // A polynomial in (v + 1/2) of ten coefficients for every constant: the origin on a line
        // of its own, then one line per constant.
        LineRecord originLine(in, "the term origin", 1);
        const double origin = ReadConstant(originLine);
        originLine.End();
        lines.push_back(originLine.Line());
        double c[kConstantsPerLevel][kPolynomialTerms];
        for (int k = 0; k < kConstantsPerLevel; ++k) {
            LineRecord line(in, "the polynomial of constant " + std::to_string(k), kPolynomialTerms);
            for (double& coefficient : c[k]) coefficient = ReadConstant(line);
            line.End();
        }
        if (!in.AtEnd())
            throw FileError::At(in.Source(), in.Line(),
                                "values after the 18 polynomials (a file of the other format code?)");
        for (int v = 0; v <= vNeeded; ++v) {
            const double x = v + 0.5;
            for (int k = 0; k < kConstantsPerLevel; ++k) {
                double sum = 0.0, power = 1.0;
                for (int m = 0; m < kPolynomialTerms; ++m, power *= x) sum += c[k][m] * power;
                if (!(std::fabs(sum) <= std::numeric_limits<float>::max()))
                    throw FileError::In(in.Source(),
                                        "the polynomial of constant " + std::to_string(k) +
                                            " gives a value beyond single precision at v = " + std::to_string(v));
                out.values(v, k) = sum;
            }
        }
        levels = vNeeded + 1;
        // The upper state's vibrational terms are put on the given v = 0 term value.
        if (s == 1) {
            const double t0 = out.values(0, 0);
            out.values(0, 0) = origin;
            for (int v = 1; v <= vNeeded; ++v) out.values(v, 0) = origin + (out.values(v, 0) - t0);
        }
    } else {
        throw FileError::In(in.Source(), "format code " + std::to_string(format) + " (1 or 2 expected)");
    }

    if (levels < vNeeded + 1)
        throw FileError::In(in.Source(), "holds constants for " + std::to_string(levels) +
                                             " vibrational levels; the catalogue needs v = 0.." +
                                             std::to_string(vNeeded));
    for (int v = 0; v <= vNeeded; ++v)
        if (!(out.values(v, 1) > 0.0f))
            throw FileError::In(in.Source(), "the rotational constant B of v = " + std::to_string(v) + " is " +
                                                 Trim(Str(out.values(v, 1))) + " (it must be above 0)");
    CheckRisingTerms(out.values, levels - 1, in.Source(), lines);
    out.originLine = lines.front();

    if (cat.StateLambda(s, entry) == 1 && out.convention == 2) ConvertPiConstants(out.values, vNeeded, in.Source());
    return out;
}

/// Transition probabilities of one band by lower row, in the five branch groups
/// G7 (branch 7), G1 (1, 2, 9), G3 (3, 4, 8, 11), G5 (5, 6, 10) and G12 (12).
struct BandProbabilities {
    int firstRow = 0;
    std::vector<std::array<float, 5>> rows;  ///< rows firstRow, firstRow + 1, ...
};

/// One transition probability as read: a band strength within its bound.
float ReadProbability(LineRecord& record) {
    const float value = record.Float();
    if (value < 0.0f)
        throw FileError::At(record.Source(), record.Line(),
                            "the transition probability " + Trim(Str(value)) + " is negative");
    CheckBound(value, kBandStrengthBound, "the transition probability", record.Source(), record.Line());
    return value;
}

BandProbabilities ReadBandProbabilities(const DatabaseState& db, int vUp, int vLow, int entry) {
    const Catalogue& cat = db.cat;
    const int lastRow = cat.NMaxRot(entry, vUp);
    ListReader in = ListReader::FromFile(ProbabilityFileName(db, entry, vUp, vLow));
    if (in.AtEnd()) throw FileError::In(in.Source(), "holds no transition probabilities");

    BandProbabilities out;
    if (cat.IntFormat(entry, 1) == 1) {
        // One record per lower row from N = Λ'': (G7, G1, G3, G5, G12) or (G1, G3, G5). Every
        // row up to the catalogue's last must be there; records beyond it are not read.
        out.firstRow = cat.StateLambda(2, entry);
        const bool fiveValues = cat.IntFormat(entry, 2) == 1;
        const std::string rows = "the catalogue needs rows " + std::to_string(out.firstRow) + ".." +
                                 std::to_string(lastRow) + " (" + std::to_string(lastRow - out.firstRow + 1) +
                                 " records)";
        for (int row = out.firstRow; row <= lastRow; ++row) {
            if (in.AtEnd())
                throw FileError::At(in.Source(), in.FieldLine(),
                                    "the file ends after " + std::to_string(out.rows.size()) + " records; " + rows);
            LineRecord record(in, "the record of row N = " + std::to_string(row), fiveValues ? 5 : 3);
            std::array<float, 5> g{};
            if (fiveValues) {
                for (float& value : g) value = ReadProbability(record);
            } else {
                const float b = ReadProbability(record), c = ReadProbability(record), d = ReadProbability(record);
                g = {b, b, c, d, d};
            }
            record.End();
            out.rows.push_back(g);
        }
        // A record more than the rows: one repeated, every row after it shifted.
        if (!in.AtEnd()) throw FileError::At(in.Source(), in.Line(), "more records than rows; " + rows);
    } else {
        // Records (v', v'', value), one per band of the system; the band's value holds for every
        // branch and row. A missing, repeated or impossible band is an error.
        std::map<std::pair<int, int>, int> lineOf;
        std::optional<float> value;
        while (!in.AtEnd()) {
            LineRecord record(in, "the record", 3);
            const int up = record.Int();
            const int line = record.Line();
            const int low = record.Int();
            const float v = ReadProbability(record);
            record.End();
            if (up < 0 || up > cat.MaxVUpper || low < 0 || low > cat.MaxVLower)
                throw FileError::At(in.Source(), line,
                                    "the band (" + std::to_string(up) + ", " + std::to_string(low) +
                                        ") is outside the catalogue's v' 0.." + std::to_string(cat.MaxVUpper) +
                                        ", v'' 0.." + std::to_string(cat.MaxVLower));
            const auto [it, added] = lineOf.emplace(std::make_pair(up, low), line);
            if (!added)
                throw FileError::At(in.Source(), line,
                                    "a second record for the band (" + std::to_string(up) + ", " + std::to_string(low) +
                                        ") (the first is on line " + std::to_string(it->second) + ")");
            if (up == vUp && low == vLow) value = v;
        }
        // Every band of the system must be there, not only the one asked for.
        for (int up = 0; up <= cat.NMaxVib(entry, 1); ++up)
            for (int low = 0; low <= cat.NMaxVib(entry, 2); ++low)
                if (!lineOf.count({up, low}))
                    throw FileError::In(in.Source(), "holds no record for the band (" + std::to_string(up) + ", " +
                                                         std::to_string(low) + ")");
        if (!value)
            throw FileError::In(in.Source(), "holds no record for the band (" + std::to_string(vUp) + ", " +
                                                 std::to_string(vLow) + ")");
        out.firstRow = 0;
        out.rows.assign(static_cast<std::size_t>(lastRow + 1), {*value, *value, *value, *value, *value});
    }
    return out;
}

void StoreProbabilities(DatabaseState& db, const BandProbabilities& p) {
    static constexpr int kGroupOfBranch[13] = {0, 1, 1, 2, 2, 3, 3, 0, 2, 1, 3, 2, 4};
    for (std::size_t r = 0; r < p.rows.size(); ++r) {
        const int N = p.firstRow + static_cast<int>(r);
        for (int b = 1; b <= 12; ++b) db.LineData(3, b, N) = p.rows[r][static_cast<std::size_t>(kGroupOfBranch[b])];
    }
    db.RotRows = p.firstRow + static_cast<int>(p.rows.size()) - 1;
    // The P and O lines of the top upper level (N' = RotRows) end on lower rows RotRows + 1 and
    // + 2, which no record covers; they take the probabilities of the last row (they vary slowly
    // with N), so that level radiates through all its branches like the others.
    const int top = db.RotRows;
    for (int extra = 1; extra <= 2; ++extra)
        if (top >= p.firstRow && db.LineData.Contains(3, 12, top + extra))
            for (int b = 1; b <= 12; ++b) db.LineData(3, b, top + extra) = db.LineData(3, b, top);
}

/// Case (a) re-indexing of a 2Π state: F1 rows move one down, F2 rows one up, so that row N
/// holds F1 with J = N + 1/2 and F2 with J = N - 1/2.
void ReindexCaseA(TermTable& t, int rotRows) {
    for (int p = 1; p <= 2; ++p)
        for (int N = 1; N <= rotRows + 2; ++N) t(N - 1, 1, p) = t(N, 1, p);
    for (int p = 1; p <= 2; ++p)
        for (int N = rotRows + 2; N >= 0; --N) t(N + 1, 2, p) = t(N, 2, p);
}

/// Clears what is not a line of the system, so that (b, N) is a line exactly when its position is
/// above 0. A line joins an upper level within the catalogue's rotational rows of v' (N' <=
/// RotRows; its P and O lines end on lower rows RotRows + 1 and + 2, which the term tables hold)
/// to a lower level, with a Hönl-London factor above 0: a slot of the term tables that holds no
/// level of the molecule gives none, and its position goes. Beyond the top upper level nothing
/// stays but the transition probabilities of the rows the file gives.
void KeepLinesOfTheSystem(DatabaseState& db) {
    auto& L = db.LineData;
    for (int b = 1; b <= std::min(24, L.Hi(1)); ++b)
        for (int N = L.Lo(2); N <= L.Hi(2); ++N) {
            if (N + BranchShapeOf(b).deltaN > db.RotRows) {
                for (int q : {1, 2, 4, 5}) L(q, b, N) = 0.0f;
                if (N > db.RotRows) L(3, b, N) = 0.0f;  // the repeated last record
            } else if (L(5, b, N) == 0.0f) {
                L(1, b, N) = L(2, b, N) = L(4, b, N) = 0.0f;
            }
        }
}

/// Everything LoadBand writes, kept to be put back when a band turns out unusable.
class LoadedBand {
public:
    explicit LoadedBand(const DatabaseState& db)
        : lower_(db.LowerTerm),
          upper_(db.UpperTerm),
          lines_(db.LineData),
          level_(db.LevelConst),
          zero_(db.EnergyZero),
          rows_(db.RotRows),
          vUp_(db.LoadedVUpper),
          vLow_(db.LoadedVLower),
          entry_(db.LoadedEntry) {}
    void RestoreTo(DatabaseState& db) const {
        db.LowerTerm = lower_, db.UpperTerm = upper_, db.LineData = lines_;
        db.LevelConst = level_, db.EnergyZero = zero_, db.RotRows = rows_;
        db.LoadedVUpper = vUp_, db.LoadedVLower = vLow_, db.LoadedEntry = entry_;
    }

private:
    TermTable lower_, upper_;
    Array3<float> lines_;
    std::array<double, 18> level_;
    std::array<double, 2> zero_;
    int rows_, vUp_, vLow_, entry_;
};

void CheckBand(const DatabaseState& db, int vUp, int vLow, int entry) {
    const Catalogue& cat = db.cat;
    CheckEntry(cat, entry);
    if (vUp < 0 || vUp > cat.NMaxVib(entry, 1) || vLow < 0 || vLow > cat.NMaxVib(entry, 2))
        throw std::invalid_argument("band (" + std::to_string(vUp) + ", " + std::to_string(vLow) +
                                    ") is outside entry " + std::to_string(entry) + " (v' 0.." +
                                    std::to_string(cat.NMaxVib(entry, 1)) + ", v'' 0.." +
                                    std::to_string(cat.NMaxVib(entry, 2)) + ")");
}

}  // namespace

std::string ConstantsFileName(const DatabaseState& db, int entry, int s) {
    const std::string& m = db.cat.MoleculeCode(entry);
    return db.AppPath + m + "/" + m + db.cat.StateLabel(s, entry) + ".SPC";
}

std::string ProbabilityFileName(const DatabaseState& db, int entry, int vUp, int vLow) {
    const std::string& m = db.cat.MoleculeCode(entry);
    const std::string ul = db.cat.StateLabel(1, entry) + db.cat.StateLabel(2, entry);
    std::string name = db.AppPath + m + "/" + ul + "/" + m + ul;
    if (db.cat.IntFormat(entry, 1) == 1) name += std::to_string(vUp) + std::to_string(vLow);
    return name + ".INT";
}

void ReadStateConstants(DatabaseState& db, int entry) {
    if (entry < 1 || entry > db.cat.CatalogueCount)
        throw std::invalid_argument("entry " + std::to_string(entry) + " is not in the catalogue");
    const StateConstants upper = ReadConstantsFile(db, entry, 1);
    const StateConstants lower = ReadConstantsFile(db, entry, 2);
    // The upper state's lowest level above the lower state's: the (0, 0) band of an electronic
    // system, T'(0) + the catalogue's upper origin - T''(0).
    const double origin = upper.values(0, 0) + db.cat.UpperTermOrigin(entry) - lower.values(0, 0);
    if (!kElectronicOriginBound.Contains(origin))
        throw FileError::At(ConstantsFileName(db, entry, 1), upper.originLine,
                            "the term value of v = 0, " + Trim(Str(static_cast<float>(upper.values(0, 0)))) +
                                " cm-1, puts the (0, 0) band at " + Trim(Str(static_cast<float>(origin))) +
                                " cm-1 (with the catalogue's upper origin and the lower state's v = 0), outside the " +
                                Trim(Str(kElectronicOriginBound.lo)) + ".." + Trim(Str(kElectronicOriginBound.hi)) +
                                " cm-1 of an electronic band system");
    db.MolConst.Fill(0.0f);
    for (int v = 0; v <= db.MolConst.Hi(1); ++v)
        for (int k = 0; k <= 20; ++k) {
            db.MolConst(1, v, k) = upper.values(v, k);
            db.MolConst(2, v, k) = lower.values(v, k);
        }
    db.SpcConvention(1, entry) = upper.convention;
    db.SpcConvention(2, entry) = lower.convention;
    db.ConstantsEntry = entry;
}

void SelectLevel(DatabaseState& db, int s, int v) {
    for (int k = 0; k < kConstantsPerLevel; ++k) db.LevelConst[static_cast<std::size_t>(k)] = db.MolConst(s, v, k);
}

bool IsBandLoaded(const DatabaseState& db, int vUp, int vLow, int entry) {
    return db.LoadedVUpper == vUp && db.LoadedVLower == vLow && db.LoadedEntry == entry;
}

void LoadBand(DatabaseState& db, int vUp, int vLow, int entry) {
    CheckBand(db, vUp, vLow, entry);
    if (db.ConstantsEntry != entry) ReadStateConstants(db, entry);
    // Every file is read before anything of the loaded band changes.
    const BandProbabilities probabilities = ReadBandProbabilities(db, vUp, vLow, entry);

    const Catalogue& cat = db.cat;
    const int lamUp = cat.StateLambda(1, entry);
    const int lamLow = cat.StateLambda(2, entry);
    const bool isSiH = cat.MoleculeCode(entry) == "SiH";
    const LoadedBand before(db);

    // 1-2. The band and its transition probabilities.
    db.LoadedVUpper = vUp;
    db.LoadedVLower = vLow;
    db.LoadedEntry = entry;
    // No line of the band loaded before may survive in rows this band does not write.
    db.LineData.Fill(0.0f);
    StoreProbabilities(db, probabilities);
    const int rows = db.RotRows;

    // 3. Lower terms and the spin-orbit ratio A''/B'' of the lower level.
    SelectLevel(db, 2, vLow);
    ComputeTerms(db, lamLow, rows, db.LowerTerm, db.SpcConvention(2, entry));
    const float yLow = SpinOrbitRatio(db, 2, vLow);

    // 4. Lower energy zero: the lowest level of the (0, 0) band's lower state.
    if (vUp == 0 && vLow == 0)
        db.EnergyZero[0] = yLow > 0.0f && yLow < 4.0f ? db.LowerTerm(lamLow, 2, 1) : db.LowerTerm(lamLow, 1, 1);

    // 5-6. Upper terms; the upper zero makes the lowest upper level of v' = 0 sit at its
    // vibrational term value.
    SelectLevel(db, 1, vUp);
    ComputeTerms(db, lamUp, rows, db.UpperTerm, db.SpcConvention(1, entry));
    if (vUp == 0 && vLow == 0) db.EnergyZero[1] = db.UpperTerm(lamUp, 1, 1) - db.MolConst(1, 0, 0);

    // 7. SiH keeps absolute energies.
    if (isSiH) db.EnergyZero = {0.0f, 0.0f};

    // 8. Common zero; the upper state is raised by its electronic term energy.
    const double origin = cat.UpperTermOrigin(entry);
    for (int N = 0; N <= rows + 2; ++N)
        for (int F = 1; F <= 2; ++F)
            for (int p = 1; p <= 2; ++p) {
                db.LowerTerm(N, F, p) -= db.EnergyZero[0];
                db.UpperTerm(N, F, p) = db.UpperTerm(N, F, p) - db.EnergyZero[1] + origin;
                if (!isSiH && db.LowerTerm(N, F, p) < -1.0f) db.LowerTerm(N, F, p) = 0.0f;  // no such level
            }

    // 9-10. Case (a) re-indexing of a 2Π lower or upper state (both tested on the lower ratio).
    if (lamLow == 1 && yLow >= 4.0f) {
        ReindexCaseA(db.LowerTerm, rows);
        if (!isSiH)
            for (int p = 1; p <= 2; ++p) db.LowerTerm(1, 2, p) = 0.0f;
    }
    if (lamUp == 1 && yLow >= 4.0f) {
        ReindexCaseA(db.UpperTerm, rows);
        for (int p = 1; p <= 2; ++p) db.UpperTerm(0, 2, p) = 0.0f;
    }

    // 11. Lines. All positions are computed before any strength, so that a line removed by a
    // low-row correction of a later row also gets no emission or absorption coefficient.
    const int firstRow = lamLow == 1 && yLow > 4.0f ? lamLow - 1 : lamLow;
    const int sets = cat.LambdaFactor(entry) > 1.0f ? 2 : 1;
    const int lastRow = std::min(rows + 2, db.LineData.Hi(2));
    CopyCaseAFirstRowProbabilities(db, entry, vLow);
    for (int N = firstRow; N <= lastRow; ++N)
        for (int set = 1; set <= sets; ++set) ComputeLinePositions(db, entry, N, set);
    ComputeLineStrengths(db, entry, firstRow, lastRow);
    KeepLinesOfTheSystem(db);

    // Constants or probabilities that are finite but absurd can still overflow single precision
    // on the way: such a band has no usable line, and the band loaded before comes back.
    if (!AllFinite(db.LineData) || !AllFinite(db.UpperTerm) || !AllFinite(db.LowerTerm)) {
        before.RestoreTo(db);
        throw FileError(ProbabilityFileName(db, entry, vUp, vLow) + ": the band (" + std::to_string(vUp) + ", " +
                        std::to_string(vLow) +
                        ") gives term values or line strengths beyond single precision; check "
                        "its transition probabilities and the constants in " +
                        ConstantsFileName(db, entry, 1) + " and " + ConstantsFileName(db, entry, 2));
    }
}

}  // namespace velmora::database

#include "table/multiplet_table.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/text_writer.h"
#include "database/state_descriptions.h"

namespace velmora::table {

namespace {

using database::MultipletLine;
using database::Parity;

constexpr const char* kDashes = "-----";

/// Widths (twips) of the label column and of a value column: a term value "123456.7890" or a
/// position, a Hönl-London factor and an Einstein A in a 10-point font.
constexpr int kLabelWidth = 900, kValueWidth = 1300, kNameWidth = 1000;

char ParityLetter(Parity p) { return p == Parity::e ? 'e' : 'f'; }

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Scientific(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4E", value);
    return text;
}

/// A grid of the given header and rows, the first column the row label.
void SetGrid(TableState& t, const std::vector<std::string>& header, std::vector<std::vector<std::string>> rows,
             const std::vector<int>& widths) {
    TableGrid& g = t.Grid;
    g = TableGrid();
    rows.insert(rows.begin(), header);
    g.Rows = static_cast<int>(rows.size());
    g.Cols = static_cast<int>(header.size());
    g.FixedRows = 1;
    g.ColWidths = widths;
    g.Cells = std::move(rows);
    g.Bold.assign(g.Cells.size(), std::vector<bool>(header.size(), false));
}

/// A grid of one line of text: what the selection does not have.
void SayMissing(TableState& t, const std::string& text) { SetGrid(t, {text}, {}, {kLabelWidth * 8}); }

void WriteTermValues(const database::MultipletSystem& system, const std::string& title, TableState& t) {
    const bool upper = t.Information == 1;
    const int v = upper ? t.DbVUpper : t.DbVLower;
    const auto& states = upper ? system.upper : system.lower;
    const StateDescription& state = upper ? system.description.upper : system.description.lower;
    t.Caption = title + "  " + (upper ? "upper" : "lower") + " state, v = " + std::to_string(v) +
                ": term values (cm-1) by J, spin component F and parity e/f";
    const auto it = states.find(v);
    if (it == states.end()) return SayMissing(t, title + " has no level v = " + std::to_string(v));

    // Columns: the (F, parity) blocks that hold levels, F1 e first.
    std::map<std::pair<int, int>, std::size_t> column;
    for (const database::RotationalLevel& l : it->second.Levels()) column[{l.F, static_cast<int>(l.parity)}] = 0;
    std::vector<std::string> header = {"J"};
    std::vector<int> widths = {kLabelWidth};
    for (auto& [key, index] : column) {
        index = header.size();
        header.push_back("F" + std::to_string(key.first) + " " + ParityLetter(static_cast<Parity>(key.second)));
        widths.push_back(kValueWidth);
    }
    std::map<int, std::vector<std::string>> byJ;
    for (const database::RotationalLevel& l : it->second.Levels()) {
        auto& row = byJ[l.twoJ];
        if (row.empty()) {
            row.assign(header.size(), kDashes);
            row[0] = HalfInteger(l.twoJ);
        }
        if (database::LevelNuclearWeight(system.description, state, l) > 0.0)
            row[column.at({l.F, static_cast<int>(l.parity)})] = Fixed(l.energy, 4);
    }
    std::vector<std::vector<std::string>> rows;
    for (auto& [twoJ, row] : byJ) rows.push_back(std::move(row));
    SetGrid(t, header, std::move(rows), widths);
}

void WriteLines(const database::MultipletSystem& system, const std::string& title, TableState& t) {
    const std::pair<int, int> key{t.DbVUpper, t.DbVLower};
    t.Caption = title + "  band (" + std::to_string(key.first) + "," + std::to_string(key.second) +
                "): lines by branch; position (cm-1, vacuum), Hönl-London factor, Einstein A (s-1)";
    const auto band = system.bands.find(key);
    if (band == system.bands.end())
        return SayMissing(
            t, title + " has no band (" + std::to_string(key.first) + "," + std::to_string(key.second) + ")");
    struct Named {
        std::string branch;
        const MultipletLine* line;
    };
    std::vector<Named> lines;
    for (const MultipletLine& l : band->second.lines)
        lines.push_back({database::BranchNameOf(system.description, l), &l});
    std::stable_sort(lines.begin(), lines.end(), [](const Named& a, const Named& b) {
        return std::tie(a.branch, a.line->lower.twoJ, a.line->lower.parity) <
               std::tie(b.branch, b.line->lower.twoJ, b.line->lower.parity);
    });
    std::vector<std::vector<std::string>> rows;
    for (const Named& n : lines) {
        const MultipletLine& l = *n.line;
        rows.push_back({n.branch, HalfInteger(l.lower.twoJ), std::to_string(l.lower.N),
                        std::string(1, ParityLetter(l.lower.parity)), Fixed(l.nu, 4), Fixed(l.honlLondon, 4),
                        system.description.absoluteScale ? Scientific(l.einsteinA) : kDashes});
    }
    SetGrid(t, {"Branch", "J''", "N''", "e/f''", "Position", "Honl-London", "Einstein A"}, std::move(rows),
            {kNameWidth, kLabelWidth, kLabelWidth, kLabelWidth, kValueWidth, kValueWidth, kValueWidth});
}

void WriteBandCoefficients(const database::MultipletSystem& system, const std::string& title, TableState& t) {
    t.Caption = title + "  band Einstein coefficients A(v', v'') (s-1); rows v'', columns v'";
    // Relative strengths only: the coefficients are nominal and not shown.
    if (!system.description.absoluteScale)
        return SayMissing(t, database::NoAbsoluteScaleText(title, "the upper state"));
    int vUpMax = -1, vLowMax = -1;
    for (const auto& [key, band] : system.bands)
        vUpMax = std::max(vUpMax, key.first), vLowMax = std::max(vLowMax, key.second);
    std::vector<std::string> header = {"v'' \\ v'"};
    std::vector<int> widths = {kLabelWidth};
    for (int vu = 0; vu <= vUpMax; ++vu) header.push_back(std::to_string(vu)), widths.push_back(kValueWidth);
    std::vector<std::vector<std::string>> rows;
    for (int vl = 0; vl <= vLowMax; ++vl) {
        std::vector<std::string> row = {std::to_string(vl)};
        for (int vu = 0; vu <= vUpMax; ++vu) {
            const auto band = system.bands.find({vu, vl});
            row.push_back(band == system.bands.end() || !(band->second.bandA > 0.0) ? kDashes
                                                                                    : Scientific(band->second.bandA));
        }
        rows.push_back(std::move(row));
    }
    SetGrid(t, header, std::move(rows), widths);
}

}  // namespace

void WriteMultipletTable(const database::MultipletSystem& system, const std::string& title, TableState& t) {
    if (t.Information == 1 || t.Information == 2)
        WriteTermValues(system, title, t);
    else if (t.tableKind == 2)
        WriteLines(system, title, t);
    else
        WriteBandCoefficients(system, title, t);
}

void SaveMultipletTable(const TableState& t, const std::filesystem::path& path) {
    const TableGrid& g = t.Grid;
    if (g.Cells.size() < 2) throw FileError::In(path.string(), "there is no table to save");
    AtomicTextWriter out(path);
    out.WriteLine(t.Caption);
    for (const auto& row : g.Cells) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) line += (c ? "," : "") + (row[c] == kDashes ? "" : row[c]);
        out.WriteLine(line);
    }
    out.Commit();
}

}  // namespace velmora::table

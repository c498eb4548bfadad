#include "populations/multiplet_population_files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "common/errors.h"
#include "common/file_kind.h"
#include "common/number_format.h"
#include "common/text_writer.h"

namespace velmora::populations {

namespace {

/// Largest rotational file read (six columns of a few hundred J are some tens of kilobytes).
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        out.push_back(
            Trim(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

/// Calls row(lineNumber, line, fields) for every line of text that is not blank (a carriage
/// return before its newline dropped), with the line's comma-separated fields.
template <class Row>
void ForEachRow(const std::string& text, Row&& row) {
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!Trim(line).empty()) row(lineNumber, line, Fields(line));
    }
}

/// A field as a number: the whole field must be one.
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

/// The level of column c at J = twoJ/2 of one vibrational level, or nullptr.
const database::RotationalLevel* LevelAt(const database::StateLevels& levels, int twoS, int twoJ, int c) {
    const int n = twoS + 1;
    const database::Parity parity = c > n ? database::Parity::f : database::Parity::e;
    return levels.Find(twoJ, c > n ? c - n : c, parity);
}

}  // namespace

std::string MultipletRotationalHeader(int twoS) {
    const int n = twoS + 1;
    std::string header = "J";
    for (const char* parity : {"e", "f"})
        for (int F = 1; F <= n; ++F)
            header += n == 1 ? std::string(", ") + parity : ", F" + std::to_string(F) + " " + parity;
    return header;
}

void WriteMultipletRotational(const StateDescription& state, const database::StateLevels& levels,
                              const Array3<double>& rotational, int v, const std::string& path) {
    if (levels.Levels().empty()) throw FileError::In(path, "vibrational level " + std::to_string(v) + " has no levels");
    const int columns = 2 * state.Multiplicity();
    AtomicTextWriter out(path);
    out.WriteLine(MultipletRotationalHeader(state.twoS));
    const int twoJMin = levels.Levels().front().twoJ, twoJMax = levels.Levels().back().twoJ;
    char number[40];
    for (int twoJ = twoJMin; twoJ <= twoJMax; twoJ += 2) {
        std::string line = HalfInteger(twoJ);
        for (int c = 1; c <= columns; ++c) {
            const database::RotationalLevel* l = LevelAt(levels, state.twoS, twoJ, c);
            const double p = l ? rotational.ValueAt(v, c, l->N) : 0.0;
            std::snprintf(number, sizeof number, ", %.17g", p);
            line += number;
        }
        out.WriteLine(line);
    }
    out.Commit();
}

void ReadMultipletRotational(const StateDescription& state, const database::StateLevels& levels,
                             Array3<double>& rotational, int v, const std::string& path) {
    const std::string text = ReadFileText(path, kMaxFileBytes);
    const int columns = 2 * state.Multiplicity();
    const std::string header = MultipletRotationalHeader(state.twoS);
    // Every population of the file by (c, N), checked before the level changes.
    std::map<std::pair<int, int>, double> read;
    std::map<int, int> lineOfJ;
    bool headerSeen = false;
    ForEachRow(text, [&](int lineNumber, std::string_view line, const std::vector<std::string>& fields) {
        if (!headerSeen) {
            if (fields != Fields(header))
                throw FileError::At(path, lineNumber,
                                    "the columns \"" + Excerpt(line) + "\" are not those of this state (\"" + header +
                                        "\"): the file belongs to another state or is not a rotational distribution");
            headerSeen = true;
            return;
        }
        if (static_cast<int>(fields.size()) != columns + 1)
            throw FileError::At(path, lineNumber,
                                std::to_string(fields.size()) + " fields where J and " + std::to_string(columns) +
                                    " populations belong");
        double J = 0;
        if (!ParseNumber(fields[0], J) || !(J >= 0) || std::fabs(2 * J - std::round(2 * J)) > 1e-9)
            throw FileError::At(path, lineNumber, "\"" + Excerpt(fields[0]) + "\" is not a J");
        const int twoJ = static_cast<int>(std::lround(2 * J));
        if (levels.OfJ(twoJ).second == 0)
            throw FileError::At(path, lineNumber, "the state has no level of J = " + fields[0]);
        if (const auto [at, fresh] = lineOfJ.emplace(twoJ, lineNumber); !fresh)
            throw FileError::At(
                path, lineNumber,
                "J = " + fields[0] + " is given again (first on line " + std::to_string(at->second) + ")");
        for (int c = 1; c <= columns; ++c) {
            const std::string& field = fields[static_cast<std::size_t>(c)];
            double p = 0;
            if (!ParseNumber(field, p) || !std::isfinite(p) || p < 0)
                throw FileError::At(path, lineNumber,
                                    "\"" + Excerpt(field) + "\" in column " + std::to_string(c + 1) +
                                        " is not a population (a number of 0 or more)");
            const database::RotationalLevel* l = LevelAt(levels, state.twoS, twoJ, c);
            if (!l) {
                if (p != 0)
                    throw FileError::At(path, lineNumber,
                                        "column " + std::to_string(c + 1) + " gives a population to a level J = " +
                                            fields[0] + " the state does not have");
                continue;
            }
            if (!rotational.Contains(v, c, l->N))
                throw FileError::At(path, lineNumber, "J = " + fields[0] + " lies beyond the levels simulated");
            read[{c, l->N}] = p;
        }
    });
    if (!headerSeen) throw FileError::In(path, "the file is empty");
    double sum = 0;
    for (const auto& [key, p] : read) sum += p;
    if (!(sum > 0)) throw FileError::In(path, "the file holds no population");
    // The level becomes the file's: every component of v cleared, then filled.
    for (int c = rotational.Lo(1); c <= rotational.Hi(1); ++c)
        for (int N = rotational.Lo(2); N <= rotational.Hi(2); ++N) rotational(v, c, N) = 0.0;
    const double scale = std::fabs(sum - 1.0) > 1e-6 ? 1.0 / sum : 1.0;
    for (const auto& [key, p] : read) rotational(v, key.first, key.second) = scale == 1.0 ? p : p * scale;
}

void WriteMultipletVibrational(const std::vector<int>& levels, const std::map<int, double>& weights,
                               const std::string& path) {
    if (levels.empty()) throw FileError::In(path, "the state has no vibrational levels");
    AtomicTextWriter out(path);
    char line[64];
    for (const int v : levels) {
        const auto at = weights.find(v);
        std::snprintf(line, sizeof line, "%d,  %.17g", v, at == weights.end() ? 0.0 : at->second);
        out.WriteLine(line);
    }
    out.Commit();
}

std::map<int, double> ReadMultipletVibrational(const std::vector<int>& levels, const std::string& path) {
    const std::string text = ReadFileText(path, kMaxFileBytes);
    std::map<int, double> read;
    std::map<int, int> lineOfV;
    ForEachRow(text, [&](int lineNumber, std::string_view, const std::vector<std::string>& fields) {
        if (fields.size() != 2)
            throw FileError::At(path, lineNumber,
                                std::to_string(fields.size()) + " fields where v and its population belong");
        double v = 0;
        if (!ParseNumber(fields[0], v) || v != std::floor(v) || v < 0 || v > 1000)
            throw FileError::At(path, lineNumber, "\"" + Excerpt(fields[0]) + "\" is not a vibrational level");
        const int level = static_cast<int>(v);
        if (std::find(levels.begin(), levels.end(), level) == levels.end())
            throw FileError::At(path, lineNumber, "the state has no vibrational level v = " + fields[0]);
        if (const auto [at, fresh] = lineOfV.emplace(level, lineNumber); !fresh)
            throw FileError::At(
                path, lineNumber,
                "v = " + fields[0] + " is given again (first on line " + std::to_string(at->second) + ")");
        double p = 0;
        if (!ParseNumber(fields[1], p) || !std::isfinite(p) || p < 0)
            throw FileError::At(path, lineNumber,
                                "\"" + Excerpt(fields[1]) + "\" is not a population (a number of 0 or more)");
        read[level] = p;
    });
    double sum = 0;
    for (const auto& [v, p] : read) sum += p;
    if (!(sum > 0)) throw FileError::In(path, "the file holds no population");
    if (std::fabs(sum - 1.0) > 1e-6)
        for (auto& [v, p] : read) p /= sum;
    return read;
}

}  // namespace velmora::populations

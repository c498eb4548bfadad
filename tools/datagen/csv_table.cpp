#include "csv_table.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "common/number_format.h"

namespace velmora::datagen {

bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return !quoted;
}

std::string ReadSourceFile(const std::filesystem::path& path, const std::string& name) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError::In(name, "file not found or not readable");
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

CsvTable CsvTable::Read(const std::filesystem::path& path, const std::string& name) {
    return Parse(ReadSourceFile(path, name), name);
}

CsvTable CsvTable::Parse(std::string_view text, const std::string& name) {
    CsvTable table;
    table.name_ = name;
    int lineNumber = 0;
    std::size_t pos = 0;
    bool haveHeader = false;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line).empty()) continue;
        std::vector<std::string> fields;
        if (!SplitCsvLine(line, fields)) throw FileError::At(name, lineNumber, "a quoted field is not closed");
        if (!haveHeader) {
            for (auto& f : fields) f = Trim(f);
            table.header_ = std::move(fields);
            haveHeader = true;
            continue;
        }
        if (fields.size() != table.header_.size())
            throw FileError::At(name, lineNumber,
                                "has " + std::to_string(fields.size()) + " fields, the header has " +
                                    std::to_string(table.header_.size()));
        table.rows_.push_back(CsvRow{lineNumber, std::move(fields)});
    }
    if (!haveHeader) throw FileError::In(name, "the file is empty (no header line)");
    return table;
}

bool CsvTable::HasColumn(std::string_view header) const {
    for (const auto& h : header_)
        if (h == header) return true;
    return false;
}

int CsvTable::Column(std::string_view header) const {
    for (std::size_t i = 0; i < header_.size(); ++i)
        if (header_[i] == header) return static_cast<int>(i);
    throw FileError::At(name_, 1, "the header has no column \"" + std::string(header) + "\"");
}

void CsvTable::Fail(const CsvRow& row, int column, const std::string& problem) const {
    const std::string col = column >= 0 && column < static_cast<int>(header_.size())
                                ? header_[static_cast<std::size_t>(column)]
                                : std::to_string(column + 1);
    throw FileError::At(name_, row.line, "field \"" + col + "\": " + problem);
}

std::string CsvTable::Text(const CsvRow& row, int column) const {
    return Trim(row.fields.at(static_cast<std::size_t>(column)));
}

bool CsvTable::IsEmpty(const CsvRow& row, int column) const { return Text(row, column).empty(); }

double CsvTable::Number(const CsvRow& row, int column) const {
    const std::string t = Text(row, column);
    if (t.empty()) Fail(row, column, "a value is required here but the field is empty");
    double v = 0.0;
    if (!ParseDecimal(t, v) || !std::isfinite(v)) Fail(row, column, "\"" + t + "\" is not a number");
    return v;
}

double CsvTable::NumberOr(const CsvRow& row, int column, double fallback) const {
    if (IsEmpty(row, column)) return fallback;
    return Number(row, column);
}

int CsvTable::Integer(const CsvRow& row, int column) const {
    const double v = Number(row, column);
    if (v != std::floor(v) || std::fabs(v) > 1e6)
        Fail(row, column, "\"" + Text(row, column) + "\" is not a whole number");
    return static_cast<int>(v);
}

}  // namespace velmora::datagen

// Reading the curated comma-separated tables of data-src/ with exact error locations.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::datagen {

/// One data row of a table: its line in the file and its fields (quotes removed).
struct CsvRow {
    int line = 0;
    std::vector<std::string> fields;
};

/// A comma-separated table with a header line. Every accessor that finds a problem throws
/// FileError naming the file, the line and the column.
class CsvTable {
public:
    /// Reads a table; `name` is the file name used in messages.
    static CsvTable Read(const std::filesystem::path& path, const std::string& name);
    /// Parses a table from text (used by Read and by tests).
    static CsvTable Parse(std::string_view text, const std::string& name);

    const std::string& Name() const { return name_; }
    const std::vector<CsvRow>& Rows() const { return rows_; }

    /// Index of a header column; throws when the column is missing.
    int Column(std::string_view header) const;
    bool HasColumn(std::string_view header) const;

    /// The field text, trimmed.
    std::string Text(const CsvRow& row, int column) const;
    bool IsEmpty(const CsvRow& row, int column) const;
    /// A number; an empty field is an error ("required").
    double Number(const CsvRow& row, int column) const;
    /// A number; an empty field gives the fallback.
    double NumberOr(const CsvRow& row, int column, double fallback) const;
    /// A whole number; empty is an error.
    int Integer(const CsvRow& row, int column) const;

    /// Throws FileError at a row and column with the given problem.
    [[noreturn]] void Fail(const CsvRow& row, int column, const std::string& problem) const;

private:
    std::string name_;
    std::vector<std::string> header_;
    std::vector<CsvRow> rows_;
};

/// The whole content of a file of data-src (as bytes); throws FileError naming it by `name`
/// when it cannot be read.
std::string ReadSourceFile(const std::filesystem::path& path, const std::string& name);

/// Splits one line of comma-separated text into fields (double quotes protect commas; a doubled
/// quote inside quotes is one quote). Returns false when a quote is not closed.
bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields);

}  // namespace velmora::datagen

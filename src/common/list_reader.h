// Free-format list input: the reader behind every data, catalogue and population file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

/// Reads values one after another from a text, separated by commas, blanks, tabs or line ends.
/// Strings may be enclosed in double quotes (then they may hold separators); an unquoted string
/// ends at the next separator. Two commas with nothing between them give an empty field (0 for a
/// number). A number joined by a comma to the digits after it ("674,566") in a line whose values
/// are otherwise separated by blanks is a decimal comma, refused as such. Every failure throws
/// FileError naming the source, the line and the problem.
class ListReader {
public:
    /// Reads the whole file as ReadFileText does (a regular file of at most kMaxDataFileBytes);
    /// throws FileError when it is missing, unreadable, too large or changed while read.
    static ListReader FromFile(const std::filesystem::path& path);

    ListReader(std::string text, std::string sourceName);

    /// True when only separators remain. Does not consume anything.
    bool AtEnd() const;

    /// Skips the rest of the current line (a title or heading line).
    void SkipLine();

    std::string ReadString();
    /// Reads a number and rounds it to the nearest integer (halves to even), as integer targets do.
    int ReadInt();
    float ReadFloat();
    double ReadDouble();

    /// Line (1-based) of the reading position.
    int Line() const { return line_; }
    /// Line on which the last value read stands.
    int FieldLine() const { return fieldLine_; }
    const std::string& Source() const { return source_; }

private:
    enum class FieldKind { Value, Quoted, Empty };
    FieldKind NextField(std::string& field);
    void SkipBlanks();
    void ConsumeLineEnd();
    double ParseNumber(const std::string& field) const;
    /// True when the line being read holds a blank or a tab between two of its values.
    bool LineHasBlank() const;

    std::string text_;
    std::string source_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int fieldLine_ = 1;          ///< line on which the last field started
    std::size_t lineStart_ = 0;  ///< position where the current line begins
    std::string decimalComma_;   ///< the last field and its decimal-comma digits, when so joined
};

}  // namespace velmora

// Two-column numeric text files (instrument functions, spectral responses): one pair of numbers
// per line, separated by blanks, tabs, commas or semicolons. Lines before the first pair (a
// header) and lines starting with '#' are skipped; any later line must start with two numbers.
#pragma once

#include <string>
#include <vector>

namespace velmora {

/// The pairs of a two-column file, with the file line of each.
struct NumberPairs {
    std::vector<double> first, second;
    std::vector<int> line;
};

/// Reads the pairs of `path`. Throws FileError naming the file (and the line) when it cannot be
/// opened, when a line after the header does not start with two numbers, or when a value is
/// not finite.
NumberPairs ReadNumberPairs(const std::string& path);

}  // namespace velmora

#include "common/number_pairs.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "common/errors.h"
#include "common/file_kind.h"

namespace velmora {

namespace {

/// The first two numbers of a line; false when it does not start with two.
bool TwoNumbers(const std::string& line, double& a, double& b) {
    const char* p = line.c_str();
    char* end = nullptr;
    auto skip = [&p] {
        while (*p == ' ' || *p == '\t' || *p == ',' || *p == ';') ++p;
    };
    skip();
    a = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    skip();
    b = std::strtod(p, &end);
    return end != p;
}

}  // namespace

NumberPairs ReadNumberPairs(const std::string& path) {
    std::istringstream in(ReadFileText(path));
    NumberPairs pairs;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#') continue;
        double a = 0.0, b = 0.0;
        if (!TwoNumbers(text, a, b)) {
            if (pairs.first.empty()) continue;  // header text above the numbers
            throw FileError::At(path, number, "expected two numbers");
        }
        if (!std::isfinite(a) || !std::isfinite(b))
            throw FileError::At(path, number, "the value is not a finite number");
        pairs.first.push_back(a);
        pairs.second.push_back(b);
        pairs.line.push_back(number);
    }
    return pairs;
}

}  // namespace velmora

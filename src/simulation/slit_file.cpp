#include "simulation/slit_file.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "common/errors.h"

namespace velmora::simulation {

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

MeasuredSlit ReadSlitFile(const std::string& path, SlitOffsetUnit unit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError::In(path, "cannot be opened");
    MeasuredSlit slit;
    slit.file = path;
    slit.unit = unit;
    std::string line;
    int number = 0;
    std::vector<int> lineOf;  // file line of each point
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        double x = 0.0, y = 0.0;
        if (!TwoNumbers(line, x, y)) {
            if (slit.offset.empty()) continue;  // header text above the numbers
            throw FileError::At(path, number, "expected an offset and a response");
        }
        if (!std::isfinite(x) || !std::isfinite(y)) throw FileError::At(path, number, "the value is not a finite number");
        if (!slit.offset.empty() && x == slit.offset.back())
            throw FileError::At(path, number, "the offset repeats the one before");
        slit.offset.push_back(x);
        slit.response.push_back(std::max(y, 0.0));
        lineOf.push_back(number);
    }
    if (slit.offset.size() < 3) throw FileError::In(path, "an instrument function needs at least three points");
    if (slit.offset.front() > slit.offset.back()) {
        std::reverse(slit.offset.begin(), slit.offset.end());
        std::reverse(slit.response.begin(), slit.response.end());
        std::reverse(lineOf.begin(), lineOf.end());
    }
    for (std::size_t k = 1; k < slit.offset.size(); ++k)
        if (!(slit.offset[k] > slit.offset[k - 1]))
            throw FileError::At(path, std::max(lineOf[k], lineOf[k - 1]), "the offsets do not run in one direction");
    double area = 0.0;
    for (std::size_t k = 1; k < slit.offset.size(); ++k)
        area += (slit.offset[k] - slit.offset[k - 1]) * (slit.response[k] + slit.response[k - 1]);
    if (!(area > 0.0)) throw FileError::In(path, "the response is zero everywhere");
    return slit;
}

}  // namespace velmora::simulation

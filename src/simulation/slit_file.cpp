#include "simulation/slit_file.h"

#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "common/number_pairs.h"

namespace velmora::simulation {

MeasuredSlit ReadSlitFile(const std::string& path, SlitOffsetUnit unit) {
    const NumberPairs pairs = ReadNumberPairs(path);
    MeasuredSlit slit;
    slit.file = path;
    slit.unit = unit;
    std::vector<int> lineOf;  // file line of each point
    for (std::size_t k = 0; k < pairs.first.size(); ++k) {
        if (k > 0 && pairs.first[k] == pairs.first[k - 1])
            throw FileError::At(path, pairs.line[k], "the offset repeats the one before");
        slit.offset.push_back(pairs.first[k]);
        slit.response.push_back(std::max(pairs.second[k], 0.0));
        lineOf.push_back(pairs.line[k]);
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

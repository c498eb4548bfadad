#include "experiment/frame_corrections.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "common/errors.h"

namespace velmora::experiment {

namespace {

/// The row of a correction frame that applies to row r of the frame: its own, or its only row.
int CorrectionRow(const SpectrumFrame& correction, int r) { return correction.rows == 1 ? 0 : r; }

void CheckShape(const SpectrumFrame& frame, const SpectrumFrame& correction, const char* what) {
    if (correction.columns != frame.columns || (correction.rows != 1 && correction.rows != frame.rows))
        throw FileError::In(correction.source, std::string(what) + " of " + std::to_string(correction.rows) + " x " +
                                                   std::to_string(correction.columns) +
                                                   " pixels does not fit the frame of " + std::to_string(frame.rows) +
                                                   " x " + std::to_string(frame.columns) + " (" + frame.source +
                                                   "): it needs the same columns and one row or as many rows");
}

}  // namespace

void SubtractDark(SpectrumFrame& frame, const SpectrumFrame& dark) {
    CheckShape(frame, dark, "the dark frame");
    for (int r = 0; r < frame.rows; ++r)
        for (int c = 0; c < frame.columns; ++c) frame.At(r, c) -= dark.At(CorrectionRow(dark, r), c);
}

void DivideResponse(SpectrumFrame& frame, const SpectrumFrame& response) {
    CheckShape(frame, response, "the response");
    double sum = 0.0;
    for (int r = 0; r < response.rows; ++r)
        for (int c = 0; c < response.columns; ++c) {
            const double v = response.At(r, c);
            if (!(v > 0.0) || !std::isfinite(v))
                throw FileError::In(response.source, "the response at row " + std::to_string(r + 1) + ", column " +
                                                         std::to_string(c + 1) + " is not a number above 0");
            sum += v;
        }
    const double mean = sum / static_cast<double>(response.pixels.size());
    for (int r = 0; r < frame.rows; ++r)
        for (int c = 0; c < frame.columns; ++c)
            frame.At(r, c) = static_cast<float>(frame.At(r, c) * mean / response.At(CorrectionRow(response, r), c));
}

void SetRowPositions(SpectrumFrame& frame, double first, double step, const std::string& unit) {
    frame.positions.resize(static_cast<std::size_t>(frame.rows));
    for (int r = 0; r < frame.rows; ++r) frame.positions[static_cast<std::size_t>(r)] = first + r * step;
    frame.positionUnit = unit;
}

SpectrumFrame SelectRows(const SpectrumFrame& frame, int first, int last, int bin) {
    if (last == 0) last = frame.rows;
    if (first < 1 || last < first || last > frame.rows)
        throw std::invalid_argument("rows " + std::to_string(first) + ".." + std::to_string(last) + ": " +
                                    frame.source + " has rows 1.." + std::to_string(frame.rows));
    if (bin < 1 || bin > frame.rows) throw std::invalid_argument("binning by " + std::to_string(bin) + " rows");
    SpectrumFrame out = frame;
    const int groups = (last - first + bin) / bin;
    out.rows = groups;
    out.pixels.assign(static_cast<std::size_t>(groups) * frame.columns, 0.0f);
    out.positions.assign(static_cast<std::size_t>(groups), 0.0);
    for (int g = 0; g < groups; ++g) {
        const int r0 = first - 1 + g * bin, r1 = std::min(r0 + bin, last);
        std::vector<double> sum(static_cast<std::size_t>(frame.columns), 0.0);
        double position = 0.0;
        for (int r = r0; r < r1; ++r) {
            position += frame.positions[static_cast<std::size_t>(r)];
            for (int c = 0; c < frame.columns; ++c) sum[static_cast<std::size_t>(c)] += frame.At(r, c);
        }
        out.positions[static_cast<std::size_t>(g)] = position / (r1 - r0);
        for (int c = 0; c < frame.columns; ++c)
            out.At(g, c) = static_cast<float>(sum[static_cast<std::size_t>(c)] / (r1 - r0));
    }
    if (first != 1 || last != frame.rows || bin != 1)
        out.detail += ", rows " + std::to_string(first) + ".." + std::to_string(last) +
                      (bin > 1 ? " binned by " + std::to_string(bin) : "");
    return out;
}

}  // namespace velmora::experiment

// What the frame fuzz targets check of every frame a reader accepts: sizes that agree with the
// pixels, positions and axis, within the caps; and that the corrections and the Abel inversion
// take it or refuse it with a message, never crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "common/errors.h"
#include "experiment/abel_inversion.h"
#include "experiment/frame_corrections.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_frame.h"
#include "fuzz_files.h"

namespace velmora::fuzz {

inline void CheckFrame(const experiment::SpectrumFrame& f) {
    using namespace experiment;
    Check(f.rows >= 1 && f.columns >= 1 && f.rows <= kMaxFrameRows && f.columns <= kMaxFrameColumns);
    Check(f.pixels.size() == static_cast<std::size_t>(f.rows) * f.columns && f.pixels.size() <= kMaxFramePixels);
    Check(f.positions.size() == static_cast<std::size_t>(f.rows));
    Check(f.axis.empty() || f.axis.size() == static_cast<std::size_t>(f.columns));
    try {
        const SpectrumFrame binned = SelectRows(f, 1, 0, 1 + f.rows / 3);
        Check(binned.rows == (f.rows + f.rows / 3) / (1 + f.rows / 3));
        SpectrumFrame corrected = f;
        SubtractDark(corrected, f);
        DivideResponse(corrected, f);
    } catch (const FileError&) {
    } catch (const std::invalid_argument&) {
    }
    if (f.rows >= 3 && f.rows <= 64 && f.columns <= 64) {
        try {
            AbelInvert(f, {}, AbelOptions{});
        } catch (const std::invalid_argument&) {
        }
    }
}

/// Runs a reader of bytes; a refusal must come as SpectrumReadError with a problem.
template <class Read>
void ReadFrame(Read read) {
    try {
        CheckFrame(read());
    } catch (const experiment::SpectrumReadError& e) {
        Check(!e.problem.empty());
    }
}

}  // namespace velmora::fuzz

// FITS images (the astronomers' Flexible Image Transport System, which many ICCD and CCD cameras
// write): the first image of the file with two or more axes, NAXIS1 the spectral (or second
// spatial) axis, NAXIS2 the rows, NAXIS3 the images of a cube; BZERO and BSCALE applied, blank
// pixels NaN. A linear calibration of an axis comes from its WCS keywords:
//
//     x(i) = CRVALn + (i - CRPIXn) CDELTn      (i = 1, 2, ...; CDn_n in place of CDELTn)
//
// in the unit of CUNITn (nm, Angstrom, m, um, cm-1; a WAVE axis without CUNITn in m, as the
// standard says).
#pragma once

#include <string_view>

#include "experiment/spectrum_frame.h"

namespace velmora::experiment {

/// Reads image `image` (1-based; 0 the sum of all) of the cube of a FITS file held in memory.
/// Throws SpectrumReadError naming the keyword or the library's reason.
SpectrumFrame ReadFitsFrame(std::string_view bytes, int image);

}  // namespace velmora::experiment

// JCAMP-DX spectra (.jdx, .dx): labelled records "##LABEL=value" and the XYDATA table in
// (X++(Y..Y)) form, with the ordinates written as plain numbers (AFFN) or in the compressed
// ASDF forms SQZ, DIF and DUP.
#pragma once

#include <string>
#include <string_view>

#include "experiment/column_table.h"

namespace velmora::experiment {

/// What a JCAMP-DX file said about its x axis.
struct JcampInfo {
    std::string xUnits;  ///< ##XUNITS as written ("NANOMETERS", "1/CM", ...), empty when absent
    bool compressed = false;  ///< the table used SQZ, DIF or DUP characters
};

/// Reads the XYDATA=(X++(Y..Y)) table of a JCAMP-DX text. Ordinates are multiplied by
/// ##YFACTOR; the abscissas are FIRSTX + i (LASTX - FIRSTX) / (NPOINTS - 1), and the count of
/// ordinates must equal ##NPOINTS. x is converted to Å from NANOMETERS and MICROMETERS; other
/// units (1/CM, ANGSTROMS) are left as written. DIF lines carry a check value (the last ordinate
/// repeated at the start of the next line), which must agree; DUP counts may not exceed the
/// points declared. Throws SpectrumReadError naming the line for anything else.
SpectrumPoints ReadJcampDx(std::string_view text, JcampInfo& info);

}  // namespace velmora::experiment

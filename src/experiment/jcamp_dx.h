// JCAMP-DX spectra (.jdx, .dx): labelled records "##LABEL=value" and the XYDATA table in
// (X++(Y..Y)) form, with the ordinates written as plain numbers (AFFN) or in the compressed
// ASDF forms SQZ, DIF and DUP; x, y pairs in (XY..XY) form (XYPOINTS, PEAK TABLE); files of
// linked blocks.
#pragma once

#include <string>
#include <string_view>

#include "experiment/column_table.h"

namespace velmora::experiment {

/// What a JCAMP-DX file said about its x axis and which of its tables was read.
struct JcampInfo {
    std::string xUnits;         ///< ##XUNITS as written ("NANOMETERS", "1/CM", ...), empty when absent
    bool compressed = false;    ///< the table used SQZ, DIF or DUP characters
    std::string table;          ///< the table read: "XYDATA", "XYPOINTS" or "PEAK TABLE"
    int block = 0, blocks = 0;  ///< the block read (1-based) and the blocks of a linked file; 0, 0 without
};

/// Reads the spectrum of a JCAMP-DX text: an XYDATA=(X++(Y..Y)) table, whose abscissas are
/// FIRSTX + i (LASTX - FIRSTX) / (NPOINTS - 1) (LASTX from ##DELTAX when absent), the count of
/// ordinates equal to ##NPOINTS and the x that starts each line equal to the abscissa of its
/// first ordinate (x written times ##XFACTOR, to 1 % of a step or the rounding of the number);
/// or an XYPOINTS or PEAK TABLE=(XY..XY) table of x, y pairs (x times ##XFACTOR). Ordinates are
/// multiplied by ##YFACTOR. In a file of linked blocks (##BLOCKS= in the link block) the first
/// block holding a table is read. x stays in the unit of ##XUNITS, which the points declare
/// (MICROMETERS become nm); other units are left undeclared. DIF lines carry a check value (the
/// last ordinate repeated at the start of the next line), which must agree; DUP counts may not
/// exceed the points declared. Throws SpectrumReadError naming the line for anything else.
SpectrumPoints ReadJcampDx(std::string_view text, JcampInfo& info);

}  // namespace velmora::experiment

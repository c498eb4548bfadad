#include "database/data_checks.h"

#include "common/errors.h"
#include "common/number_format.h"

namespace velmora::database {

namespace {

/// A value as the file gave it: a single-precision value with the digits it holds.
std::string Number(double v) {
    const float f = static_cast<float>(v);
    return Trim(static_cast<double>(f) == v ? Str(f) : Str(v));
}

}  // namespace

void CheckBound(double value, const PhysicalBound& bound, const std::string& what, const std::string& file, int line) {
    if (bound.Contains(value)) return;
    const std::string unit = std::string(" ") + bound.unit;
    throw FileError::At(
        file, line,
        what + " " + Number(value) + unit + " lies outside " + Number(bound.lo) + ".." + Number(bound.hi) + unit);
}

LineRecord::LineRecord(ListReader& in, std::string what, int count) : in_(in), what_(std::move(what)), count_(count) {}

void LineRecord::Next() {
    if (read_ > 0 && in_.AtEnd())
        throw FileError::At(in_.Source(), line_,
                            what_ + " holds " + std::to_string(read_) + " of its " + std::to_string(count_) +
                                " values (the file ends)");
}

void LineRecord::Placed() {
    if (read_++ == 0) line_ = in_.FieldLine();
    if (in_.FieldLine() != line_)
        throw FileError::At(in_.Source(), line_,
                            what_ + " holds " + std::to_string(read_ - 1) + " of its " + std::to_string(count_) +
                                " values (a record is one line)");
}

int LineRecord::Int() {
    Next();
    const int v = in_.ReadInt();
    Placed();
    return v;
}

float LineRecord::Float() {
    Next();
    const float v = in_.ReadFloat();
    Placed();
    return v;
}

double LineRecord::Double() {
    Next();
    const double v = in_.ReadDouble();
    Placed();
    return v;
}

void LineRecord::End() {
    if (!in_.AtEnd() && in_.Line() == line_)
        throw FileError::At(
            in_.Source(), line_,
            what_ + " holds more than its " + std::to_string(count_) + " values (a record is one line)");
}

}  // namespace velmora::database

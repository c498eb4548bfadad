#include "display/decimate.h"

#include <algorithm>
#include <cmath>

namespace velmora::display {

PolylineDecimator::PolylineDecimator(Canvas& canvas, Rgb color, double left, double columnWidth)
    : canvas_(canvas), color_(color), left_(left), inverseWidth_(columnWidth > 0 ? 1.0 / columnWidth : 0.0) {}

long long PolylineDecimator::Column(double x) const {
    return static_cast<long long>(std::floor((x - left_) * inverseWidth_));
}

void PolylineDecimator::Segment(double x0, double y0, double x1, double y1) {
    if (inverseWidth_ == 0.0) {
        canvas_.Line(x0, y0, x1, y1, color_);
        return;
    }
    if (!open_ || x0 != lastX_ || y0 != lastY_) {
        Flush();
        open_ = true;
        AddPoint(x0, y0);
    }
    AddPoint(x1, y1);
}

void PolylineDecimator::AddPoint(double x, double y) {
    const long long col = Column(x);
    if (count_ > 0 && col == column_) {
        lastX_ = x, lastY_ = y;
        minY_ = std::min(minY_, y);
        maxY_ = std::max(maxY_, y);
        ++count_;
        return;
    }
    if (count_ > 0) {
        EmitBucket();
        canvas_.Line(lastX_, lastY_, x, y, color_);
    }
    column_ = col;
    count_ = 1;
    firstX_ = lastX_ = x;
    firstY_ = lastY_ = minY_ = maxY_ = y;
}

void PolylineDecimator::EmitBucket() {
    // Inside one column a joined polyline covers exactly [min, max] vertically.
    if (count_ == 2)
        canvas_.Line(firstX_, firstY_, lastX_, lastY_, color_);
    else if (count_ > 2)
        canvas_.Line(firstX_, minY_, firstX_, maxY_, color_);
}

void PolylineDecimator::Flush() {
    if (count_ > 0) EmitBucket();
    count_ = 0;
    open_ = false;
}

VerticalStrokeMerger::VerticalStrokeMerger(Canvas& canvas, Rgb color, double left, double columnWidth,
                                           double yTolerance)
    : canvas_(canvas),
      color_(color),
      left_(left),
      inverseWidth_(columnWidth > 0 ? 1.0 / columnWidth : 0.0),
      tolerance_(std::fabs(yTolerance)) {}

void VerticalStrokeMerger::Stroke(double x, double y0, double y1) {
    if (y0 > y1) std::swap(y0, y1);
    if (inverseWidth_ == 0.0) {
        canvas_.Line(x, y0, x, y1, color_);
        return;
    }
    const long long col = static_cast<long long>(std::floor((x - left_) * inverseWidth_));
    if (pending_ && col == column_ && y0 <= hi_ + tolerance_ && y1 >= lo_ - tolerance_) {
        lo_ = std::min(lo_, y0);
        hi_ = std::max(hi_, y1);
        return;
    }
    Flush();
    pending_ = true;
    column_ = col;
    x_ = x, lo_ = y0, hi_ = y1;
}

void VerticalStrokeMerger::Flush() {
    if (pending_) canvas_.Line(x_, lo_, x_, hi_, color_);
    pending_ = false;
}

}  // namespace velmora::display

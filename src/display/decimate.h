// Drawing long traces with a bounded number of primitives: what falls into one device column is
// merged into the one vertical stroke that covers the same pixels.
#pragma once

#include "common/canvas.h"

namespace velmora::display {

/// Draws a polyline given as consecutive segments. Points that fall into the same device column
/// are replaced by one vertical line from their smallest to their largest y; segments between
/// columns are drawn as they are, so the trace stays joined. A segment that does not start where
/// the previous one ended starts a new polyline. At most about two primitives per column.
class PolylineDecimator {
public:
    /// `left` is the x of column 0 and `columnWidth` the width of one device column (x units);
    /// a column width of 0 or less draws every segment unchanged.
    PolylineDecimator(Canvas& canvas, Rgb color, double left, double columnWidth);
    ~PolylineDecimator() { Flush(); }
    PolylineDecimator(const PolylineDecimator&) = delete;
    PolylineDecimator& operator=(const PolylineDecimator&) = delete;

    void Segment(double x0, double y0, double x1, double y1);
    /// Draws what is pending and ends the polyline.
    void Flush();

private:
    long long Column(double x) const;
    void AddPoint(double x, double y);
    void EmitBucket();

    Canvas& canvas_;
    Rgb color_;
    double left_, inverseWidth_;
    bool open_ = false;
    // Points of the current column.
    int count_ = 0;
    long long column_ = 0;
    double firstX_ = 0, firstY_ = 0, lastX_ = 0, lastY_ = 0, minY_ = 0, maxY_ = 0;
};

/// Draws vertical strokes (x, y0)-(x, y1). Strokes that fall into the same device column and
/// overlap or touch (within `yTolerance`) are merged into one.
class VerticalStrokeMerger {
public:
    VerticalStrokeMerger(Canvas& canvas, Rgb color, double left, double columnWidth, double yTolerance);
    ~VerticalStrokeMerger() { Flush(); }
    VerticalStrokeMerger(const VerticalStrokeMerger&) = delete;
    VerticalStrokeMerger& operator=(const VerticalStrokeMerger&) = delete;

    void Stroke(double x, double y0, double y1);
    void Flush();

private:
    Canvas& canvas_;
    Rgb color_;
    double left_, inverseWidth_, tolerance_;
    bool pending_ = false;
    long long column_ = 0;
    double x_ = 0, lo_ = 0, hi_ = 0;
};

}  // namespace velmora::display

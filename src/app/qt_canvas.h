// The Canvas of the desktop program: user coordinates over a QPainter (screen, image or printer).
#pragma once

#include <QFont>
#include <QPainter>

#include "common/canvas.h"

namespace velmora::app {

/// Draws the core's primitives with a QPainter onto any paint device. The painter must stay
/// active for the canvas' lifetime; the device's full rectangle is the drawing surface.
class QtCanvas final : public Canvas {
public:
    /// `area` is the part of the device that the user coordinates span (device pixels).
    QtCanvas(QPainter& painter, QRectF area);

    void SetScale(double left, double top, double right, double bottom) override;
    void Clear() override;
    void SetBackColor(Rgb color) override;
    void Line(double x1, double y1, double x2, double y2, Rgb color) override;
    void Box(double x1, double y1, double x2, double y2, Rgb color, bool filled) override;
    void Text(double x, double y, std::string_view text, Rgb color) override;
    double TextWidth(std::string_view text) const override;
    double TextHeight(std::string_view text) const override;
    int WidthPixels() const override;
    int HeightPixels() const override;
    void SetFontSize(double points) override;

    /// Device point of a user coordinate.
    QPointF ToDevice(double x, double y) const;
    /// User coordinate of a device point.
    QPointF ToUser(QPointF device) const;

private:
    QPainter& painter_;
    QRectF area_;
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    QColor back_ = Qt::white;
    QFont font_;
};

/// The Qt colour of a core colour.
inline QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace velmora::app

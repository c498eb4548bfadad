// The Canvas of the desktop program: user coordinates over a QPainter (screen, image or printer).
#pragma once

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>

#include "common/canvas.h"

namespace velmora::app {

/// Draws the core's primitives with a QPainter onto any paint device. The painter must stay
/// active for the canvas' lifetime; the device's full rectangle is the drawing surface.
class QtCanvas final : public Canvas {
public:
    /// `area` is the part of the device that the user coordinates span (device pixels); `pages`
    /// is the printed document whose pages NewPage ends (none for screen and image surfaces).
    QtCanvas(QPainter& painter, QRectF area, QPagedPaintDevice* pages = nullptr);

    void SetScale(double left, double top, double right, double bottom) override;
    void Clear() override;
    void SetBackColor(Rgb color) override;
    void Line(double x1, double y1, double x2, double y2, Rgb color) override;
    void Box(double x1, double y1, double x2, double y2, Rgb color, bool filled) override;
    void Text(double x, double y, std::string_view text, Rgb color) override;
    void TextUp(double x, double y, std::string_view text, Rgb color) override;
    double TextWidth(std::string_view text) const override;
    double TextHeight(std::string_view text) const override;
    int WidthPixels() const override;
    int HeightPixels() const override;
    void SetFontSize(double points) override;
    void SetFontName(std::string_view family) override;
    void NewPage() override;
    void Image(double x1, double y1, double x2, double y2, int width, int height,
               const std::vector<Rgb>& pixels) override;

    /// The user coordinates last set (left, top, right, bottom).
    double Left() const { return left_; }
    double Top() const { return top_; }
    double Right() const { return right_; }
    double Bottom() const { return bottom_; }

    /// Device point of a user coordinate.
    QPointF ToDevice(double x, double y) const;
    /// User coordinate of a device point.
    QPointF ToUser(QPointF device) const;

private:
    QPainter& painter_;
    QRectF area_;
    QPagedPaintDevice* pages_ = nullptr;
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    QColor back_ = Qt::white;
    QFont font_;
};

/// A UTF-8 text of the core as a QString.
QString QStr(std::string_view s);

/// The Qt colour of a core colour.
inline QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace velmora::app

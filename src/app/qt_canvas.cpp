#include "app/qt_canvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QString>
#include <cmath>

namespace velmora::app {

QString QStr(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QtCanvas::QtCanvas(QPainter& painter, QRectF area, QPagedPaintDevice* pages)
    : painter_(painter), area_(area), pages_(pages) {
    font_ = painter_.font();
    font_.setFamily(QStringLiteral("Arial"));
    font_.setStyleHint(QFont::SansSerif);
    font_.setPointSizeF(8.0);
    painter_.setFont(font_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

void QtCanvas::SetScale(double left, double top, double right, double bottom) {
    left_ = left, top_ = top, right_ = right, bottom_ = bottom;
}

QPointF QtCanvas::ToDevice(double x, double y) const {
    const double w = right_ - left_, h = bottom_ - top_;
    const double px = w != 0 ? (x - left_) / w * area_.width() : 0.0;
    const double py = h != 0 ? (y - top_) / h * area_.height() : 0.0;
    return {area_.left() + px, area_.top() + py};
}

QPointF QtCanvas::ToUser(QPointF d) const {
    const double fx = area_.width() > 0 ? (d.x() - area_.left()) / area_.width() : 0.0;
    const double fy = area_.height() > 0 ? (d.y() - area_.top()) / area_.height() : 0.0;
    return {left_ + fx * (right_ - left_), top_ + fy * (bottom_ - top_)};
}

void QtCanvas::Clear() { painter_.fillRect(area_, back_); }

void QtCanvas::SetBackColor(Rgb color) { back_ = ToQColor(color); }

void QtCanvas::Line(double x1, double y1, double x2, double y2, Rgb color) {
    painter_.setPen(QPen(ToQColor(color), 0));
    painter_.drawLine(ToDevice(x1, y1), ToDevice(x2, y2));
}

void QtCanvas::Box(double x1, double y1, double x2, double y2, Rgb color, bool filled) {
    const QRectF r = QRectF(ToDevice(x1, y1), ToDevice(x2, y2)).normalized();
    if (filled) {
        painter_.fillRect(r, ToQColor(color));
    } else {
        painter_.setPen(QPen(ToQColor(color), 0));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(r);
    }
}

void QtCanvas::Image(double x1, double y1, double x2, double y2, int width, int height,
                     const std::vector<Rgb>& pixels) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int r = 0; r < height; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int c = 0; c < width; ++c) {
            const Rgb& p = pixels[static_cast<std::size_t>(r) * width + c];
            line[c] = qRgb(p.r, p.g, p.b);
        }
    }
    const QPointF a = ToDevice(x1, y1), b = ToDevice(x2, y2);
    // The first row at the first corner, whichever way the user coordinates run.
    image = image.mirrored(b.x() < a.x(), b.y() < a.y());
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.drawImage(QRectF(a, b).normalized(), image);
    painter_.restore();
}

void QtCanvas::Text(double x, double y, std::string_view text, Rgb color) {
    painter_.setPen(ToQColor(color));
    painter_.setFont(font_);
    const QFontMetricsF fm(font_, painter_.device());
    const QPointF p = ToDevice(x, y);
    painter_.drawText(QPointF(p.x(), p.y() + fm.ascent()), QStr(text));
}

void QtCanvas::TextUp(double x, double y, std::string_view text, Rgb color) {
    painter_.setPen(ToQColor(color));
    painter_.setFont(font_);
    const QFontMetricsF fm(font_, painter_.device());
    painter_.save();
    painter_.translate(ToDevice(x, y));
    painter_.rotate(-90.0);
    painter_.drawText(QPointF(0.0, fm.ascent()), QStr(text));
    painter_.restore();
}

double QtCanvas::TextWidth(std::string_view text) const {
    const QFontMetricsF fm(font_, painter_.device());
    const double px = fm.horizontalAdvance(QStr(text));
    return area_.width() > 0 ? px * std::fabs(right_ - left_) / area_.width() : 0.0;
}

double QtCanvas::TextHeight(std::string_view) const {
    const QFontMetricsF fm(font_, painter_.device());
    return area_.height() > 0 ? fm.height() * std::fabs(bottom_ - top_) / area_.height() : 0.0;
}

int QtCanvas::WidthPixels() const { return static_cast<int>(std::lround(area_.width())); }
int QtCanvas::HeightPixels() const { return static_cast<int>(std::lround(area_.height())); }

void QtCanvas::SetFontSize(double points) {
    font_.setPointSizeF(points);
    painter_.setFont(font_);
}

void QtCanvas::SetFontName(std::string_view family) {
    const QString name = QStr(family);
    font_.setFamily(name);
    // Tables are laid out in fixed-pitch columns: a missing Courier must fall back to a
    // monospaced face, not to the default proportional one.
    const bool fixed = name.startsWith(QLatin1String("Courier"), Qt::CaseInsensitive);
    font_.setStyleHint(fixed ? QFont::Monospace : QFont::SansSerif);
    font_.setFixedPitch(fixed);
    if (fixed)
        font_.setFamilies({name, QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans Mono"),
                           QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    painter_.setFont(font_);
}

void QtCanvas::NewPage() {
    if (pages_) pages_->newPage();
}

}  // namespace velmora::app

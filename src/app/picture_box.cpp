#include "app/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/qt_canvas.h"

namespace velmora::app {

namespace {
/// Remembers the last user scale set on the canvas, so mouse positions can be mapped back.
class ScaleSpy final : public Canvas {
public:
    ScaleSpy(Canvas& inner) : inner_(inner) {}
    double l = 0, t = 0, r = 1, b = 1;
    void SetScale(double left, double top, double right, double bottom) override {
        l = left, t = top, r = right, b = bottom;
        inner_.SetScale(left, top, right, bottom);
    }
    void Clear() override { inner_.Clear(); }
    void SetBackColor(Rgb c) override { inner_.SetBackColor(c); }
    void Line(double x1, double y1, double x2, double y2, Rgb c) override { inner_.Line(x1, y1, x2, y2, c); }
    void Box(double x1, double y1, double x2, double y2, Rgb c, bool f) override { inner_.Box(x1, y1, x2, y2, c, f); }
    void Text(double x, double y, std::string_view s, Rgb c) override { inner_.Text(x, y, s, c); }
    double TextWidth(std::string_view s) const override { return inner_.TextWidth(s); }
    double TextHeight(std::string_view s) const override { return inner_.TextHeight(s); }
    int WidthPixels() const override { return inner_.WidthPixels(); }
    int HeightPixels() const override { return inner_.HeightPixels(); }
    void SetFontSize(double p) override { inner_.SetFontSize(p); }

private:
    Canvas& inner_;
};
}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::Render(const std::function<void(Canvas&)>& draw) {
    const QSize size = this->size().expandedTo(QSize(1, 1));
    if (image_.size() != size) image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::white);
    QPainter painter(&image_);
    QtCanvas canvas(painter, QRectF(0, 0, size.width(), size.height()));
    ScaleSpy spy(canvas);
    draw(spy);
    left_ = spy.l, top_ = spy.t, right_ = spy.r, bottom_ = spy.b;
    update();
}

QPointF PictureBox::ToUser(QPointF p) const {
    const double fx = width() > 0 ? p.x() / width() : 0.0;
    const double fy = height() > 0 ? p.y() / height() : 0.0;
    return {left_ + fx * (right_ - left_), top_ + fy * (bottom_ - top_)};
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (image_.isNull())
        p.fillRect(rect(), palette().window());
    else
        p.drawImage(0, 0, image_);
}

void PictureBox::resizeEvent(QResizeEvent*) { emit Resized(); }

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    const QPointF u = ToUser(e->position());
    emit MouseMoved(u.x(), u.y(), e->buttons(), e->modifiers());
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    const QPointF u = ToUser(e->position());
    emit MousePressed(u.x(), u.y(), e->button(), e->modifiers());
}

void PictureBox::leaveEvent(QEvent*) { emit MouseLeft(); }

}  // namespace velmora::app

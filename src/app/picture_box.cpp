#include "app/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/qt_canvas.h"

namespace velmora::app {


PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PictureBox::NewBuffer() const {
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void PictureBox::Render(const std::function<void(Canvas&)>& draw) {
    QImage image = NewBuffer();
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, QRectF(0, 0, image.width(), image.height()));
        draw(canvas);
        left_ = canvas.Left(), top_ = canvas.Top(), right_ = canvas.Right(), bottom_ = canvas.Bottom();
    }
    image_ = image;
    update();
}

void PictureBox::SetPicture(const QImage& image, const QtCanvas& drawnWith) {
    image_ = image;
    left_ = drawnWith.Left(), top_ = drawnWith.Top(), right_ = drawnWith.Right(), bottom_ = drawnWith.Bottom();
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

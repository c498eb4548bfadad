#include "app/picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cstdlib>
#include <utility>

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

void PictureBox::SetMarks(std::vector<Mark> marks) {
    marks_ = std::move(marks);
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (image_.isNull())
        p.fillRect(rect(), palette().window());
    else
        p.drawImage(0, 0, image_);
    if (marks_.empty() || right_ == left_) return;
    // A dashed line through the plot at each marked line, named upright from the top; orange
    // reads on the light and the dark scheme.
    p.setPen(QPen(QColor(230, 120, 0), 1, Qt::DashLine));
    for (const Mark& m : marks_) {
        const double px = (m.x - left_) / (right_ - left_) * width();
        if (px < 0 || px > width()) continue;
        p.drawLine(QPointF(px, 0), QPointF(px, height()));
        p.save();
        p.translate(px + 2, 4);
        p.rotate(90);
        p.drawText(QPointF(0, 0), m.label);
        p.restore();
    }
}

void PictureBox::resizeEvent(QResizeEvent*) { emit Resized(); }

namespace {

/// Narrowest drag, in pixels, that counts as a rectangle rather than a click.
constexpr int kMinimumDrag = 4;

}  // namespace

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    if (rubberBand_ && rubberBand_->isVisible())
        rubberBand_->setGeometry(QRect(dragStart_, e->position().toPoint()).normalized());
    const QPointF u = ToUser(e->position());
    emit MouseMoved(u.x(), u.y(), e->buttons(), e->modifiers());
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    if (rubberBandEnabled_ && e->button() == Qt::LeftButton) {
        if (!rubberBand_) rubberBand_ = new QRubberBand(QRubberBand::Rectangle, this);
        dragStart_ = e->position().toPoint();
        rubberBand_->setGeometry(QRect(dragStart_, QSize()));
        rubberBand_->show();
    }
    const QPointF u = ToUser(e->position());
    emit MousePressed(u.x(), u.y(), e->button(), e->modifiers());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    if (!rubberBand_ || !rubberBand_->isVisible() || e->button() != Qt::LeftButton) return;
    rubberBand_->hide();
    const QPoint end = e->position().toPoint();
    if (std::abs(end.x() - dragStart_.x()) < kMinimumDrag) return;
    const QPointF a = ToUser(dragStart_), b = ToUser(end);
    emit RectangleChosen(a.x(), a.y(), b.x(), b.y());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* e) {
    if (rubberBand_) rubberBand_->hide();
    const QPointF u = ToUser(e->position());
    emit DoubleClicked(u.x(), u.y());
}

void PictureBox::wheelEvent(QWheelEvent* e) {
    // One notch of a common wheel is 120 eighths of a degree; touchpads send fractions of it.
    const double notches = e->angleDelta().y() / 120.0;
    if (notches == 0.0) return;
    const QPointF u = ToUser(e->position());
    emit Wheel(u.x(), u.y(), notches);
    e->accept();
}

void PictureBox::leaveEvent(QEvent*) { emit MouseLeft(); }

}  // namespace velmora::app

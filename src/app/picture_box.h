// A picture area: the core draws into its buffer through a Canvas; the widget shows the buffer
// and reports mouse events in the user coordinates of the last drawing.
#pragma once

#include <QImage>
#include <QRubberBand>
#include <QWidget>
#include <functional>
#include <vector>

#include "common/canvas.h"

namespace velmora::app {

class QtCanvas;

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    /// Draws into the buffer (sized to the widget) and shows it.
    void Render(const std::function<void(Canvas&)>& draw);
    /// Shows a picture drawn elsewhere, with the user coordinates it was drawn in.
    void SetPicture(const QImage& image, const QtCanvas& drawnWith);
    /// A blank buffer of the widget's size for drawing.
    QImage NewBuffer() const;
    /// The picture as shown (for the clipboard).
    const QImage& Image() const { return image_; }
    /// User coordinates of a widget position, by the scale of the last drawing.
    QPointF ToUser(QPointF widgetPos) const;
    /// A line marked over the picture: at user x, named at the top.
    struct Mark {
        double x;
        QString label;
    };
    /// Marks drawn over the picture until replaced (none: no marks).
    void SetMarks(std::vector<Mark> marks);
    const std::vector<Mark>& Marks() const { return marks_; }
    /// Dragging with the left button draws a rectangle that is reported when released.
    void EnableRubberBand() { rubberBandEnabled_ = true; }

signals:
    void MouseMoved(double x, double y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void MousePressed(double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void MouseLeft();
    void Resized();
    /// The wheel turned by `notches` (positive away from the user) over (x, y).
    void Wheel(double x, double y, double notches);
    void DoubleClicked(double x, double y);
    /// A rectangle dragged at least a few pixels wide, corners in user coordinates.
    void RectangleChosen(double x0, double y0, double x1, double y1);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    QImage image_;
    std::vector<Mark> marks_;
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    bool rubberBandEnabled_ = false;
    QRubberBand* rubberBand_ = nullptr;
    QPoint dragStart_;
};

}  // namespace velmora::app

// A picture area: the core draws into its buffer through a Canvas; the widget shows the buffer
// and reports mouse and key events in the user coordinates of the last drawing.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

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

signals:
    void MouseMoved(double x, double y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void MousePressed(double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void MouseLeft();
    void Resized();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    QImage image_;
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
};

}  // namespace velmora::app

// A layout that places its items left to right and wraps them onto further rows when the width
// runs out, so that the input groups of a tab fit a narrow window without a horizontal scroll bar.
#pragma once

#include <QLayout>
#include <QList>

namespace velmora::app {

class FlowLayout final : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 6);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
    void setGeometry(const QRect& rect) override;
    QSize sizeHint() const override { return minimumSize(); }
    QSize minimumSize() const override;

private:
    /// Places the items in `rect` (only measures when `place` is false); returns the height used.
    int Arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> items_;
};

}  // namespace velmora::app

#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPointF>

#include <vector>

// A picture box that keeps its drawing: graphs draw into a backing image the size
// of the inside of the sunken border, and painting copies that image. Lines and
// circles laid over the picture (the read-out leaders) are painted on top.
class PictureBox : public QFrame
{
    Q_OBJECT
public:
    struct OverlayLine
    {
        QPointF From, To;  // pixels inside the border
        bool Visible = false;
    };
    struct OverlayCircle
    {
        QPointF Centre;
        double Radius = 3;
        bool Visible = false;
    };

    explicit PictureBox(QWidget *parent = nullptr);

    // The drawing; resized (and cleared) to the inside of the border on demand.
    QImage &Image();
    void SetBackColor(const QColor &colour);
    QColor BackColor() const { return m_back; }
    // Fills the drawing with the back colour.
    void Clear();
    // Height of the box with its border, for graphs that measure from it.
    int OuterHeight() const { return height(); }

    std::vector<OverlayLine> Lines;
    std::vector<OverlayCircle> Circles;

signals:
    // Pointer position in pixels inside the border.
    void MouseMoved(const QPointF &pixel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_image;
    QColor m_back = Qt::white;
};

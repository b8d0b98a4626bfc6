#include "entry/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    // The border and the drawing cover every pixel: the frame behind need not
    // repaint whenever the drawing does.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage &PictureBox::Image()
{
    const QSize inside = contentsRect().size().expandedTo(QSize(1, 1));
    if (m_image.size() != inside) {
        m_image = QImage(inside, QImage::Format_RGB32);
        m_image.fill(m_back);
    }
    return m_image;
}

void PictureBox::SetBackColor(const QColor &colour)
{
    m_back = colour;
}

void PictureBox::Clear()
{
    Image().fill(m_back);
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect inside = contentsRect();
    p.drawImage(inside.topLeft(), Image());
    p.translate(inside.topLeft());
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    for (const OverlayLine &line : Lines)
        if (line.Visible)
            p.drawLine(line.From, line.To);
    p.setBrush(Qt::white);
    for (const OverlayCircle &circle : Circles)
        if (circle.Visible)
            p.drawEllipse(circle.Centre, circle.Radius, circle.Radius);
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    emit MouseMoved(event->position() - contentsRect().topLeft());
    QFrame::mouseMoveEvent(event);
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    Image();
}

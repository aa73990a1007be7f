#include "gui/shell/controls/PixelFrame.h"

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <cmath>

namespace {

// Two corners are enough to read all four sides: the top-left one for the top
// and left lines, the bottom-right one for the others.
constexpr int kCorner = 16;

QImage corner(const std::function<void(QPainter &)> &draw, QPoint offset)
{
    QImage image(kCorner, kCorner, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.translate(offset);
    draw(p);
    return image;
}

} // namespace

PixelFrame PixelFrame::asDrawnBy(const std::function<void(QPainter &)> &draw, QSize size, int lines)
{
    const QImage topLeft = corner(draw, QPoint());
    const QImage bottomRight = corner(draw, QPoint(kCorner - size.width(), kCorner - size.height()));
    // Half-way along the corner's side, past any rounding of the corner itself.
    constexpr int along = kCorner / 2;
    PixelFrame frame;
    for (int k = 0; k < std::clamp(lines, 0, kCorner / 4); ++k) {
        frame.top << topLeft.pixelColor(along, k);
        frame.left << topLeft.pixelColor(k, along);
        frame.bottom << bottomRight.pixelColor(along, kCorner - 1 - k);
        frame.right << bottomRight.pixelColor(kCorner - 1 - k, along);
    }
    return frame;
}

bool PixelFrame::onWholePixels(const QPainter &painter)
{
    const QTransform t = painter.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::round(t.dx()) && t.dy() == std::round(t.dy());
}

int PixelFrame::lineWidth(qreal scale, int pixels)
{
    return std::max(1, int(std::lround(scale * pixels)));
}

QRect PixelFrame::devicePixels(const QPainter &painter, const QRect &rect)
{
    // Half-way edges go down and right; a hair keeps a transform's rounding
    // error from tipping an edge that is exactly half-way.
    const auto edge = [](qreal v) { return int(std::floor(v + 0.5 + 1e-6)); };
    const QRectF d = painter.deviceTransform().mapRect(QRectF(rect));
    return QRect(QPoint(edge(d.left()), edge(d.top())), QPoint(edge(d.right()) - 1, edge(d.bottom()) - 1));
}

void PixelFrame::paint(QPainter &painter, const QRect &rect, const QList<QRect> &parts, const QColor &inside) const
{
    const QTransform toDevice = painter.deviceTransform();
    if (!toDevice.isInvertible())
        return;
    const QTransform toLogical = toDevice.inverted();
    const QRect px = devicePixels(painter, rect);
    const int w = lineWidth(std::sqrt(std::abs(toDevice.determinant())), pixels);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Filled, not stroked: a device pixel is painted when its centre lies in
    // the area, and these areas run along whole device pixels.
    const auto fill = [&](const QRect &device, const QColor &colour) {
        if (colour.alpha() > 0 && !device.isEmpty())
            painter.fillRect(toLogical.mapRect(QRectF(device)), colour);
    };
    if (inside.isValid()) {
        QRegion uncovered(px);
        for (const QRect &part : parts)
            uncovered -= devicePixels(painter, part);
        for (const QRect &gap : uncovered)
            fill(gap, inside);
    }
    for (qsizetype k = 0; k < left.size(); ++k)
        fill(QRect(px.left() + int(k) * w, px.top(), w, px.height()), left[k]);
    for (qsizetype k = 0; k < right.size(); ++k)
        fill(QRect(px.right() + 1 - int(k + 1) * w, px.top(), w, px.height()), right[k]);
    for (qsizetype k = 0; k < top.size(); ++k)
        fill(QRect(px.left(), px.top() + int(k) * w, px.width(), w), top[k]);
    for (qsizetype k = 0; k < bottom.size(); ++k)
        fill(QRect(px.left(), px.bottom() + 1 - int(k + 1) * w, px.width(), w), bottom[k]);
    painter.restore();
}

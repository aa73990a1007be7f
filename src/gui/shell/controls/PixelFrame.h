#pragma once

#include <QColor>
#include <QList>
#include <QRect>

#include <functional>

class QPainter;

// A control's frame as whole device pixels. A style draws a frame's lines
// with a pen one pixel wide centred on the control's edge; at a scale such as
// 125 %, 150 % or 200 % that pen straddles device pixels, so a line comes out
// half outside the control and clipped away, or spread over two rows. Read
// once at one device pixel per pixel, where the style draws it crisply, the
// frame is then laid over the control's outermost device pixels: every line
// whole, and once.
struct PixelFrame {
    // The colours of each side's lines, outermost first; a side the style
    // leaves transparent is not drawn.
    QList<QColor> top, left, bottom, right;
    // How wide each line is, in pixels.
    int pixels = 1;

    // What draw paints as the frame of a size x size control (of at least
    // 16 x 16 pixels), with `lines` lines on each side, read at one device
    // pixel per pixel.
    static PixelFrame asDrawnBy(const std::function<void(QPainter &)> &draw, QSize size, int lines);

    // Lays the frame over the outermost device pixels of rect (in the
    // painter's coordinates), each line lineWidth(scale, pixels) device
    // pixels wide, where the painter's device has `scale` device pixels a
    // pixel. With a valid colour `inside`, device pixels that neither the
    // lines nor the control's parts (the rects in `parts`) cover, where a
    // part's edge was rounded away from the frame, take that colour.
    void paint(QPainter &painter, const QRect &rect, const QList<QRect> &parts = {}, const QColor &inside = {}) const;

    // The device pixels a widget's rect covers once the painter's transform
    // has put it on its device: each edge rounded to the nearest device pixel
    // boundary, as Qt rounds a widget's area.
    static QRect devicePixels(const QPainter &painter, const QRect &rect);
    // Whether the painter puts a pixel on exactly one device pixel, where the
    // style's own frame comes out as it should.
    static bool onWholePixels(const QPainter &painter);
    // The device pixels' width of a line `pixels` wide at a device's scale.
    static int lineWidth(qreal scale, int pixels = 1);
};

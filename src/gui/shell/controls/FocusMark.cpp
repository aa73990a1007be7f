#include "gui/shell/controls/FocusMark.h"

#include "gui/shell/controls/PixelFrame.h"

#include <QApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <QWidget>

#include <cmath>

namespace {

// Above the 3:1 that a focus mark needs, with room for a skin whose button
// face is a shade darker or lighter than the palette's.
constexpr double kWanted = 4.5;

// The ring is two lines of a pixel each.
constexpr int kLines = 2;

} // namespace

FocusRing focusRingColours(const Surroundings &around)
{
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    return {legibleShade(highlight, around.outside, kWanted), legibleShade(highlight, around.inside, kWanted)};
}

Surroundings coloursAround(const QWidget *control)
{
    const QPalette &app = QApplication::palette();
    Surroundings around;
    around.inside = {app.color(QPalette::Active, QPalette::Base), app.color(QPalette::Active, QPalette::Button)};
    const QWidget *window = control ? control->window() : nullptr;
    const QColor surface = window ? window->property("BackColor").value<QColor>() : QColor();
    if (surface.isValid())
        around.outside << surface;
    else if (control && control->parentWidget())
        around.outside << control->parentWidget()->palette().color(QPalette::Active, QPalette::Window);
    else
        around.outside << app.color(QPalette::Active, QPalette::Window);
    return around;
}

Surroundings coloursPaintedAround(const QPainter &painter, const QRect &rect)
{
    const QPaintEngine *engine = painter.paintEngine();
    const QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return {};
    const QImage &image = *static_cast<const QImage *>(device);
    const QRect px = PixelFrame::devicePixels(painter, rect);
    const int w = kLines * PixelFrame::lineWidth(std::sqrt(std::abs(painter.deviceTransform().determinant())));
    Surroundings around;
    const auto take = [&](QList<QColor> &into, QPoint at) {
        if (image.rect().contains(at))
            into << image.pixelColor(at);
    };
    // A quarter, half and three quarters of the way along each side: the
    // device pixel just outside the control, and the first one inside the ring.
    for (const qreal part : {0.25, 0.5, 0.75}) {
        const int x = px.left() + int(px.width() * part), y = px.top() + int(px.height() * part);
        for (const QPoint &at : {QPoint(x, px.top() - 1), QPoint(x, px.bottom() + 1), QPoint(px.left() - 1, y),
                                 QPoint(px.right() + 1, y)})
            take(around.outside, at);
        for (const QPoint &at : {QPoint(x, px.top() + w), QPoint(x, px.bottom() - w), QPoint(px.left() + w, y),
                                 QPoint(px.right() - w, y)})
            take(around.inside, at);
    }
    if (around.outside.isEmpty() || around.inside.isEmpty())
        return {};
    return around;
}

void drawFocusMark(QPainter &painter, const QRect &rect, const QWidget *control)
{
    Surroundings around = coloursPaintedAround(painter, rect);
    if (around.inside.isEmpty())
        around = coloursAround(control);
    const FocusRing ring = focusRingColours(around);
    PixelFrame mark;
    mark.top = mark.left = mark.bottom = mark.right = {ring.outer, ring.inner};
    mark.paint(painter, rect);
}

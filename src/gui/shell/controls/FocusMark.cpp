#include "gui/shell/controls/FocusMark.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

double luminance(const QColor &c)
{
    const auto channel = [](float v) { return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// Above the 3:1 that a focus mark needs, with room for a skin whose button
// face is a shade darker or lighter than the palette's.
constexpr double kWanted = 4.5;

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor focusMarkColour(const QPalette &palette)
{
    const QColor around[] = {palette.color(QPalette::Active, QPalette::Window),
                             palette.color(QPalette::Active, QPalette::Base),
                             palette.color(QPalette::Active, QPalette::Button)};
    double light = 0;
    for (const QColor &c : around)
        light += luminance(c) / std::size(around);
    // On light surfaces the mark goes darker, on dark ones lighter.
    const bool darken = light > 0.18;
    QColor mark = palette.color(QPalette::Active, QPalette::Highlight);
    for (int step = 0; step < 24; ++step) {
        const bool clear = std::all_of(std::begin(around), std::end(around),
                                       [&](const QColor &c) { return contrastRatio(mark, c) >= kWanted; });
        if (clear)
            break;
        mark = darken ? mark.darker(115) : mark.lighter(115);
        if (!darken && mark.valueF() >= 1.0) // lighter() stops at full value: go towards white
            mark = QColor::fromRgbF(0.8f * mark.redF() + 0.2f, 0.8f * mark.greenF() + 0.2f, 0.8f * mark.blueF() + 0.2f);
    }
    return mark;
}

void drawFocusMark(QPainter &painter, const QRect &rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(focusMarkColour(QApplication::palette()), 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A 2-pixel pen centred on a line one pixel in covers the two outermost pixels.
    painter.drawRect(QRectF(rect).adjusted(1, 1, -1, -1));
    painter.restore();
}

#include "gui/shell/controls/Contrast.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

double luminance(const QColor &c)
{
    const auto channel = [](float v) { return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// Lightness steps tried between black and white: fine enough that the chosen
// shade stays within half a percent of the best one.
constexpr int kSteps = 200;

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

double leastContrast(const QColor &colour, const QList<QColor> &against)
{
    double least = 21;
    for (const QColor &c : against)
        least = std::min(least, contrastRatio(colour, c));
    return least;
}

QColor legibleShade(const QColor &colour, const QList<QColor> &against, double wanted)
{
    const QColor start = colour.toHsl();
    if (leastContrast(start, against) >= wanted)
        return colour;
    const float hue = start.hslHueF(), saturation = start.hslSaturationF(), lightness = start.lightnessF();
    QColor nearest, best;
    double nearestDistance = 2, bestContrast = 0;
    for (int i = 0; i <= kSteps; ++i) {
        const float l = float(i) / kSteps;
        // Measured as it will be painted, eight bits a channel.
        const QColor shade = QColor(QColor::fromHslF(hue, saturation, l).rgb());
        const double reads = leastContrast(shade, against);
        const double distance = std::abs(l - lightness);
        if (reads >= wanted && distance < nearestDistance) {
            nearest = shade;
            nearestDistance = distance;
        }
        if (reads > bestContrast) {
            best = shade;
            bestContrast = reads;
        }
    }
    return nearest.isValid() ? nearest : best;
}

QColor betterText(const QColor &background, const QColor &first, const QColor &second)
{
    return contrastRatio(first, background) >= contrastRatio(second, background) ? first : second;
}

bool isHighContrastPalette(const QPalette &palette)
{
    using R = QPalette::ColorRole;
    const std::pair<R, R> pairs[] = {{R::WindowText, R::Window},
                                     {R::Text, R::Base},
                                     {R::ButtonText, R::Button},
                                     {R::HighlightedText, R::Highlight}};
    return std::all_of(std::begin(pairs), std::end(pairs), [&](const std::pair<R, R> &p) {
        return contrastRatio(palette.color(QPalette::Active, p.first), palette.color(QPalette::Active, p.second)) >= 7;
    });
}

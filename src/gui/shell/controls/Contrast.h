#pragma once

#include <QColor>
#include <QList>

class QPalette;

// Colours that read against what is painted around them, measured as WCAG
// measures them.

// WCAG's contrast ratio of two colours, from 1 (alike) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// The least contrast of a colour against each of the others.
double leastContrast(const QColor &colour, const QList<QColor> &against);

// The shade of colour (its hue and saturation kept, only lighter or darker)
// nearest to it that reads at least `wanted` against every colour of
// `against`; where no shade does, the one that reads best against all of them.
QColor legibleShade(const QColor &colour, const QList<QColor> &against, double wanted);

// Of two colours for text on a background, the one that reads better there.
QColor betterText(const QColor &background, const QColor &first, const QColor &second);

// A high-contrast palette, as Windows' high-contrast themes and the Linux
// desktops' high-contrast colour schemes give one: the window's, the lists',
// the buttons' and the selection's text each read at 7:1 or more (WCAG's
// enhanced level) on their backgrounds. Ordinary palettes, light or dark,
// have a selection far below that.
bool isHighContrastPalette(const QPalette &palette);

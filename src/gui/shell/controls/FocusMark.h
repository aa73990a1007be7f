#pragma once

#include <QColor>

class QPainter;
class QPalette;
class QRect;

// The ring a focused list or button shows, so that a keyboard user sees where
// the keys act. Its colour is the palette's highlight, darkened (or, on a dark
// palette, lightened) until it stands out clearly from the surfaces around a
// control: window, base and button face. The application's palette is asked,
// not the control's: a skin's style sheet gives a control a palette of its own
// (a gradient face reads as black there).
QColor focusMarkColour(const QPalette &palette);

// WCAG's contrast ratio of two colours, from 1 (alike) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// Draws the ring, two pixels wide, just inside rect.
void drawFocusMark(QPainter &painter, const QRect &rect);

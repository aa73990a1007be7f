#pragma once

#include "gui/shell/controls/Contrast.h"

#include <QColor>
#include <QList>

class QPainter;
class QRect;
class QWidget;

// The ring a focused list or button shows, so that a keyboard user sees where
// the keys act: two lines of a pixel each over the control's outermost
// pixels. Each is the palette's highlight, made darker or lighter until it
// stands out from what is painted beside it: the outer line from the window's
// surface outside the control, the inner one from the control's face inside.
// Where surface and face are alike, so are the two lines; a white surface
// around dark controls (a dark palette: the surface stays white) leaves no
// one colour that stands out 3:1 from both, hence two.
struct FocusRing {
    QColor outer, inner;
};

// What is painted beside the ring: outside the control and inside it.
struct Surroundings {
    QList<QColor> outside, inside;
};

FocusRing focusRingColours(const Surroundings &around);

// The colours already painted around rect on the painter's device, where it
// is an image (a window's backing store, a grab): just outside rect, and just
// inside the ring. Empty where the device cannot be read.
Surroundings coloursPaintedAround(const QPainter &painter, const QRect &rect);

// What is painted around a control, as its window and the palette tell it:
// the surface of its window (the window's BackColor where it has one, else
// its parent's window colour) outside, the faces of lists and buttons in the
// application's palette inside. The application's palette, not the
// control's: a skin's style sheet gives a control a palette of its own (a
// gradient face reads as black there).
Surroundings coloursAround(const QWidget *control);

// Draws the ring over the outermost pixels of rect, on whole device pixels at
// any scale, in colours that stand out from what is painted around it
// (coloursPaintedAround; coloursAround where that cannot be read).
void drawFocusMark(QPainter &painter, const QRect &rect, const QWidget *control);

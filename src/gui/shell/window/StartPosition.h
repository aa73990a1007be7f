#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where the main window first shows: centred on its screen's available area
// (the screen less its panels) when its frame fits there. Where it does not,
// as on a 1080-line screen at 200 % (a frame over 1122 pixels high), its top
// goes to the area's top, so that all of its title bar stays within reach;
// likewise its left edge where it is too wide.
QPoint startPosition(const QRect &available, const QSize &frame);

// Places the window at its start position, frame and all, before it is first
// shown (frameMarginsBeforeShow), or, where the frame is told only once the
// window is on screen, then (whenFrameKnown). A Wayland compositor places
// windows itself.
void placeAtStart(QWidget &window);

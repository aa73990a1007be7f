#pragma once

#include <QMargins>

#include <functional>

class QWidget;

// The frame the window system will put around a top-level window that is not
// yet on screen: its title bar and borders, in the window's pixels. Windows
// knows it once the native window exists. An X11 window manager that offers
// to (_NET_REQUEST_FRAME_EXTENTS, as mutter does) tells it when asked, at
// once; the answer is awaited for at most a moment. Otherwise, and on
// Wayland, where the compositor places and frames windows itself, no margins.
QMargins frameMarginsBeforeShow(QWidget &window);

// Calls `known` once, with the frame, when an X11 window manager that told
// nothing beforehand (KWin) has framed the window on screen
// (_NET_FRAME_EXTENTS). Elsewhere it is never called.
void whenFrameKnown(QWidget &window, std::function<void(QMargins)> known);
